#include "ui/pages/CombinationWidget.h"

#include "ui/pages/pagerules.h"
#include "ui/pages/pagevocabulary.h"

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

CombinationWidget::CombinationWidget(QWidget *parent) : ButtonGridPage(parent)
{
    setupUI();
}

void CombinationWidget::setupUI()
{
    setupCanvas();
    setupBackground();
    setupButtons();
    updateButtonLayout();
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
    // The key and the signal keep the combination; only the shown text escapes "&".
    QString text = combination;
    text.replace(QStringLiteral("&"), QStringLiteral("&&"));
    addGridButton(combination, text, QRect(x, y, w, h), "Combination clicked:");
}

int CombinationWidget::buttonWidthForCombination(const QString &combination) const
{
    return combinationButtonDesignWidth(combination);
}

void CombinationWidget::updateButtonLayout()
{
    layoutGrid(pageFontRange(PageScale(size())));
}
