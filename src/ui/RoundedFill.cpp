#include "ui/RoundedFill.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

RoundedFill *RoundedFill::of(QWidget *target)
{
    if (auto *fill = target->findChild<RoundedFill *>(QString(), Qt::FindDirectChildrenOnly))
        return fill;
    return new RoundedFill(target);
}

RoundedFill::RoundedFill(QWidget *target) : QObject(target), m_target(target)
{
    target->installEventFilter(this);
}

void RoundedFill::set(const QColor &colour, int radius)
{
    if (colour == m_colour && radius == m_radius)
        return;
    m_colour = colour;
    m_radius = radius;
    m_target->update();
}

void RoundedFill::setHoverColour(const QColor &colour)
{
    if (colour == m_hoverColour)
        return;
    m_hoverColour = colour;
    if (m_target->underMouse())
        m_target->update();
}

bool RoundedFill::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_target)
        return false;
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::Leave:
        if (m_hoverColour.isValid())
            m_target->update();
        break;
    case QEvent::Paint: {
        const QColor colour = m_hoverColour.isValid() && m_target->underMouse() ? m_hoverColour : m_colour;
        if (colour.isValid() && colour.alpha() > 0) {
            // Painted first; the widget's own paint event draws its contents on top.
            QPainter painter(m_target);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
            painter.drawRoundedRect(QRectF(m_target->rect()), m_radius, m_radius);
        }
        break;
    }
    default:
        break;
    }
    return false;
}
