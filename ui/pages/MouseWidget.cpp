#include "ui/pages/MouseWidget.h"

#include "app/uitext.h"
#include "ui/pages/SimKeyButton.h"
#include "ui/pages/pagerules.h"
#include "ui/pages/pagevocabulary.h"

#include <QDebug>
#include <QLabel>
#include <QPixmap>

namespace {
constexpr int kRowTops[] = {84, 151, 218, 285, 352};

// Design rectangle of the i-th name: four wide buttons on the first row,
// three wider ones on the others.
QRect designRect(int i)
{
    if (i < 4) {
        static constexpr int xs[] = {16, 398, 780, 1162};
        return QRect(xs[i], kRowTops[0], 374, 59);
    }
    static constexpr int xs[] = {16, 526, 1036};
    const int k = i - 4;
    return QRect(xs[k % 3], kRowTops[1 + k / 3], 502, 59);
}
} // namespace

MouseWidget::MouseWidget(QWidget *parent) : QWidget(parent)
{
    setupUI();
}

void MouseWidget::setupUI()
{
    resize(kPageDesignWidth, kPageDesignHeight);
    setMinimumSize(776, 248);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    const QPixmap bg(QStringLiteral(":/asset/mouse/background.png"));
    if (bg.isNull()) {
        qWarning() << "Failed to load mouse background";
    } else {
        m_background = new QLabel(this);
        m_background->setPixmap(bg);
        m_background->setScaledContents(true);
        m_background->setGeometry(rect());
        m_background->lower();
    }
    setupButtons();
    updateButtonLayout();
}

void MouseWidget::setupButtons()
{
    const QStringList &names = mousePageNames();
    for (int i = 0; i < names.size(); ++i) {
        const QRect r = designRect(i);
        addMouseButton(r.x(), r.y(), r.width(), r.height(), names.at(i));
    }
}

void MouseWidget::addMouseButton(int x, int y, int w, int h, const QString &name)
{
    auto *button = new SimKeyButton(uiText(name), this);
    button->setGeometry(x, y, w, h);
    button->setFontPixelSizeRange(11, 16);
    m_buttons.insert(name, button);
    connect(button, &QPushButton::clicked, this, [this, button, name]() {
        qDebug().noquote() << "鼠标按键点击:" << name;
        if (m_selectedButton && m_selectedButton != button)
            m_selectedButton->setSelected(false);
        button->setSelected(true);
        m_selectedButton = button;
        Q_EMIT mouseClicked(name);
    });
}

void MouseWidget::updateButtonLayout()
{
    const PageScale s(size());
    // The smaller factor keeps a wide page from inflating the text.
    const FontRange font = pageFontRange(s, true);
    const QStringList &names = mousePageNames();
    for (int i = 0; i < names.size(); ++i) {
        SimKeyButton *b = m_buttons.value(names.at(i));
        if (!b)
            continue;
        const QRect r = designRect(i);
        b->setFontPixelSizeRange(font.minimum, font.maximum);
        b->setGeometry(s.x(r.x()), s.y(r.y()), s.x(r.width()), s.y(r.height()));
    }
}

void MouseWidget::clearSelection()
{
    if (m_selectedButton)
        m_selectedButton->setSelected(false);
    m_selectedButton = nullptr;
}

void MouseWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_background)
        m_background->setGeometry(rect());
    updateButtonLayout();
}
