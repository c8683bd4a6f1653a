#include "ui/PageStack.h"

#include "ui/switchbarparts.h"

#include <QPainterPath>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QRegion>

#include <tuple>

PageStack::PageStack(QWidget *parent) : QStackedWidget(parent)
{
    setObjectName(QStringLiteral("ContentStack"));
}

void PageStack::setCornerRadius(int radius)
{
    if (m_cornerRadius == radius)
        return;
    m_cornerRadius = radius;
    updateMask();
}

void PageStack::updateMask()
{
    if (m_cornerRadius <= 0 || width() <= 0 || height() <= 0) {
        clearMask();
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, width(), height()), m_cornerRadius, m_cornerRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void PageStack::resizeEvent(QResizeEvent *event)
{
    QStackedWidget::resizeEvent(event);
    updateMask();
}

void PageStack::replacePage(int index, QWidget *page)
{
    QWidget *placeholder = widget(index);
    const bool wasCurrent = currentIndex() == index;
    page->setGeometry(rect());
    insertWidget(index, page);
    removeWidget(placeholder);
    delete placeholder;
    if (wasCurrent)
        setCurrentIndex(index);
}

void PageStack::slide(int from, int to)
{
    QWidget *oldPage = widget(from);
    QWidget *newPage = widget(to);
    const QRect stackRect = rect();
    if (to == from || !oldPage || !newPage || stackRect.isEmpty()) {
        setCurrentIndex(to);
        return;
    }
    oldPage->setGeometry(stackRect);
    newPage->setGeometry(stackRect);
    const int offset = to > from ? stackRect.width() : -stackRect.width();
    newPage->move(offset, 0);
    oldPage->show();
    newPage->show();
    newPage->raise();

    auto *group = new QParallelAnimationGroup(this);
    for (const auto &[page, start, end] : {std::tuple{oldPage, 0, -offset}, std::tuple{newPage, offset, 0}}) {
        auto *move = new QPropertyAnimation(page, "pos", group);
        move->setDuration(switchbar::kSlideMs);
        move->setEasingCurve(QEasingCurve::InOutCubic);
        move->setStartValue(QPoint(start, 0));
        move->setEndValue(QPoint(end, 0));
        group->addAnimation(move);
    }
    const QPointer<QWidget> oldGuard(oldPage);
    const QPointer<QWidget> newGuard(newPage);
    connect(group, &QAbstractAnimation::finished, this, [this, oldGuard, newGuard] {
        // The group is only deleted later; the next press must not find it.
        m_slide = nullptr;
        if (newGuard)
            setCurrentWidget(newGuard);
        if (oldGuard)
            oldGuard->move(0, 0);
        if (newGuard)
            newGuard->move(0, 0);
    });
    m_slide = group;
    group->start(QAbstractAnimation::DeleteWhenStopped);
}
