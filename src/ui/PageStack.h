#pragma once

#include <QPointer>
#include <QStackedWidget>

class QParallelAnimationGroup;

// The pages under the tabs, with their corners clipped to a radius. A page
// built on first use takes its placeholder's place; a change of page slides.
class PageStack : public QStackedWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PageStack)

public:
    explicit PageStack(QWidget *parent = nullptr);

    int cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(int radius);
    void updateMask();

    // Puts `page` where the placeholder at `index` was, and deletes that.
    void replacePage(int index, QWidget *page);
    // Slides page `to` in over page `from`, from the right when it lies to
    // the right; without a page or a size it just shows it.
    void slide(int from, int to);
    bool isSliding() const { return !m_slide.isNull(); }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int m_cornerRadius = 0;
    QPointer<QParallelAnimationGroup> m_slide;
};
