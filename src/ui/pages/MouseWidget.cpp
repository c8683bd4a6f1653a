#include "ui/pages/MouseWidget.h"

#include "ui/pages/pagerules.h"
#include "ui/pages/pagevocabulary.h"
#include "ui/uitext.h"

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

MouseWidget::MouseWidget(QWidget *parent) : ButtonGridPage(parent)
{
    setupUI();
}

void MouseWidget::setupUI()
{
    setupCanvas();
    setupBackground();
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
    addGridButton(name, actionLabel(name), QRect(x, y, w, h), "鼠标按键点击:");
}

void MouseWidget::updateButtonLayout()
{
    // The smaller factor keeps a wide page from inflating the text.
    layoutGrid(pageFontRange(PageScale(size()), true));
}
