#include "ui/PageStack.h"

#include <QPainterPath>
#include <QRegion>

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
