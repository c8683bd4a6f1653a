#include "ui/pages/PagePanel.h"

#include <QPaintEvent>
#include <QPainter>

// Not marked as opaque-painting: the window fades the content stack through a
// graphics effect while disconnected, and an opaque child under the effect is
// left at the faded look when the effect is lifted.
PagePanel::PagePanel(QWidget *parent) : QWidget(parent) {}

void PagePanel::paint(QPainter &painter, const QRect &rect)
{
    painter.fillRect(rect, color());
}

void PagePanel::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    paint(painter, event->rect());
}
