#include "ui/pages/PagePanel.h"

#include <QPaintEvent>
#include <QPainter>

PagePanel::PagePanel(QWidget *parent) : QWidget(parent)
{
    // Every pixel is covered, so nothing behind the panel needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PagePanel::paint(QPainter &painter, const QRect &rect)
{
    painter.fillRect(rect, color());
}

void PagePanel::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    paint(painter, event->rect());
}
