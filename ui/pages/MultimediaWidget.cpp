#include "ui/pages/MultimediaWidget.h"

#include "app/uitext.h"
#include "ui/pages/SimKeyButton.h"
#include "ui/pages/pagerules.h"
#include "ui/pages/pagevocabulary.h"

#include <QDebug>
#include <QLabel>
#include <QPixmap>

namespace {
constexpr int kColumns = 7;
constexpr int kRowTops[] = {84, 151, 218};
int columnX(int c)
{
    return 16 + 219 * c;
}
} // namespace

MultimediaWidget::MultimediaWidget(QWidget *parent) : QWidget(parent)
{
    setupUI();
}

void MultimediaWidget::setupUI()
{
    resize(kPageDesignWidth, kPageDesignHeight);
    setMinimumSize(776, 248);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    const QPixmap bg(QStringLiteral(":/asset/multimedia/background.png"));
    if (bg.isNull()) {
        qWarning() << "Failed to load multimedia background";
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

void MultimediaWidget::setupButtons()
{
    const QStringList &names = multimediaPageNames();
    for (int i = 0; i < names.size(); ++i)
        addMultimediaButton(columnX(i % kColumns), kRowTops[i / kColumns], 211, 59, names.at(i));
}

void MultimediaWidget::addMultimediaButton(int x, int y, int w, int h, const QString &name)
{
    auto *button = new SimKeyButton(uiText(name), this);
    button->setGeometry(x, y, w, h);
    button->setFontPixelSizeRange(11, 16);
    m_buttons.insert(name, button);
    connect(button, &QPushButton::clicked, this, [this, button, name]() {
        qDebug().noquote() << "多媒体按键点击:" << name;
        if (m_selectedButton && m_selectedButton != button)
            m_selectedButton->setSelected(false);
        button->setSelected(true);
        m_selectedButton = button;
        Q_EMIT multimediaClicked(name);
    });
}

void MultimediaWidget::updateButtonLayout()
{
    const PageScale s(size());
    const FontRange font = pageFontRange(s);
    const QStringList &names = multimediaPageNames();
    for (int i = 0; i < names.size(); ++i) {
        SimKeyButton *b = m_buttons.value(names.at(i));
        if (!b)
            continue;
        b->setFontPixelSizeRange(font.minimum, font.maximum);
        b->setGeometry(s.x(columnX(i % kColumns)), s.y(kRowTops[i / kColumns]), s.x(211), s.y(59));
    }
}

void MultimediaWidget::clearSelection()
{
    if (m_selectedButton)
        m_selectedButton->setSelected(false);
    m_selectedButton = nullptr;
}

void MultimediaWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_background)
        m_background->setGeometry(rect());
    updateButtonLayout();
}
