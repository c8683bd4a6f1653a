#include "ui/pages/MultimediaWidget.h"

#include "ui/pages/pagerules.h"
#include "ui/pages/pagevocabulary.h"
#include "ui/uitext.h"

namespace {
constexpr int kColumns = 7;
constexpr int kRowTops[] = {84, 151, 218};
int columnX(int c)
{
    return 16 + 219 * c;
}
} // namespace

MultimediaWidget::MultimediaWidget(QWidget *parent) : ButtonGridPage(parent)
{
    setupUI();
}

void MultimediaWidget::setupUI()
{
    setupCanvas();
    setupBackground();
    setupButtons();
    updateButtonLayout();
}

void MultimediaWidget::setupButtons()
{
    const QStringList &names = multimediaPageNames();
    for (int i = 0; i < names.size(); ++i) {
        addMultimediaButton(columnX(i % kColumns), kRowTops[i / kColumns], 211, 59, names.at(i));
    }
}

void MultimediaWidget::addMultimediaButton(int x, int y, int w, int h, const QString &name)
{
    addGridButton(name, actionLabel(name), QRect(x, y, w, h), "多媒体按键点击:");
}

void MultimediaWidget::updateButtonLayout()
{
    layoutGrid(pageFontRange(PageScale(size())));
}
