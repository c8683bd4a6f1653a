#include "ui/pages/CombinationWidget.h"

#include "ui/pages/SimKeyButton.h"
#include "ui/pages/pagerules.h"
#include "ui/pages/pagevocabulary.h"

#include <QDebug>
#include <QLabel>
#include <QPixmap>

namespace {

// Rows of the page: design top, left-group size, total size, taken in order
// from the vocabulary list.
struct Row
{
    int top;
    int leftCount;
    int count;
};
const Row kRows[] = {{84, 4, 11}, {151, 4, 11}, {218, 4, 11}, {285, 4, 11}, {352, 4, 9}};

} // namespace

int combinationButtonDesignWidth(const QString &c)
{
    const QStringList &all = combinationPageStrings();
    // Left groups hold the modifier prefixes; they are the wide buttons.
    int index = all.indexOf(c);
    if (index >= 0) {
        for (const Row &r : kRows) {
            if (index < r.count)
                return index < r.leftCount ? 185 : (r.count == 9 ? 132 : 92);
            index -= r.count;
        }
    }
    return 92;
}

CombinationWidget::CombinationWidget(QWidget *parent) : QWidget(parent)
{
    setupUI();
}

void CombinationWidget::setupUI()
{
    resize(kPageDesignWidth, kPageDesignHeight);
    setMinimumSize(776, 248);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    const QPixmap bg(QStringLiteral(":/asset/combination/background.png"));
    if (bg.isNull()) {
        qWarning() << "Failed to load combination background";
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

int CombinationWidget::buttonWidthForCombination(const QString &combination) const
{
    return combinationButtonDesignWidth(combination);
}

void CombinationWidget::setupButtons()
{
    const QStringList &all = combinationPageStrings();
    int index = 0;
    for (const Row &r : kRows) {
        int x = 16;
        for (int i = 0; i < r.count; ++i, ++index) {
            const QString &c = all.at(index);
            const int w = buttonWidthForCombination(c);
            addCombinationButton(x, r.top, w, 59, c);
            x += w + (i == r.leftCount - 1 ? 64 : 8);
        }
    }
}

void CombinationWidget::addCombinationButton(int x, int y, int w, int h, const QString &combination)
{
    QString text = combination;
    text.replace(QStringLiteral("&"), QStringLiteral("&&"));
    auto *button = new SimKeyButton(text, this);
    button->setGeometry(x, y, w, h);
    button->setFontPixelSizeRange(11, 16);
    m_buttons.insert(combination, button);
    connect(button, &QPushButton::clicked, this, [this, button, combination]() {
        qDebug().noquote() << "Combination clicked:" << combination;
        if (m_selectedButton && m_selectedButton != button)
            m_selectedButton->setSelected(false);
        button->setSelected(true);
        m_selectedButton = button;
        Q_EMIT combinationClicked(combination);
    });
}

void CombinationWidget::updateButtonLayout()
{
    const PageScale s(size());
    const FontRange font = pageFontRange(s);
    const QStringList &all = combinationPageStrings();
    int index = 0;
    for (const Row &r : kRows) {
        int x = 16;
        for (int i = 0; i < r.count; ++i, ++index) {
            const QString &c = all.at(index);
            const int w = buttonWidthForCombination(c);
            if (SimKeyButton *b = m_buttons.value(c)) {
                b->setFontPixelSizeRange(font.minimum, font.maximum);
                b->setGeometry(s.x(x), s.y(r.top), s.x(w), s.y(59));
            }
            x += w + (i == r.leftCount - 1 ? 64 : 8);
        }
    }
}

void CombinationWidget::clearSelection()
{
    if (m_selectedButton)
        m_selectedButton->setSelected(false);
    m_selectedButton = nullptr;
}

void CombinationWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_background)
        m_background->setGeometry(rect());
    updateButtonLayout();
}
