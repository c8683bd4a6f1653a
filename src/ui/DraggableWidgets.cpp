#include "ui/DraggableWidgets.h"

#include <QPainterPath>
#include <QRegion>

DraggableStackedWidget::DraggableStackedWidget(const QString &name, QWidget *parent)
    : QStackedWidget(parent), m_name(name)
{
    setObjectName(name);
}

void DraggableStackedWidget::setCornerRadius(int radius)
{
    if (m_cornerRadius == radius)
        return;
    m_cornerRadius = radius;
    updateMask();
}

void DraggableStackedWidget::updateMask()
{
    if (m_cornerRadius <= 0 || width() <= 0 || height() <= 0) {
        clearMask();
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, width(), height()), m_cornerRadius, m_cornerRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void DraggableStackedWidget::resizeEvent(QResizeEvent *event)
{
    QStackedWidget::resizeEvent(event);
    updateMask();
}

DraggableLabel::DraggableLabel(const QString &name, QWidget *parent) : QLabel(parent), m_name(name)
{
    setObjectName(name);
}
