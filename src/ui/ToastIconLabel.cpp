#include "ui/ToastIconLabel.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

ToastIconLabel::ToastIconLabel(QWidget *parent) : QLabel(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}

void ToastIconLabel::setSuccess(bool success)
{
    if (m_success == success)
        return;
    m_success = success;
    update();
}

void ToastIconLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height());
    const double u = side / 32.0;
    const QPointF c = QRectF(rect()).center();

    QColor color(m_success ? QStringLiteral("#BEF449") : QStringLiteral("#C8593B"));
    painter.setPen(Qt::NoPen);
    QColor halo = color;
    halo.setAlphaF(0.1f);
    painter.setBrush(halo);
    painter.drawEllipse(c, side / 2, side / 2);
    painter.setBrush(color);
    painter.drawEllipse(c, 10 * u, 10 * u);

    QPen pen(QColor(QStringLiteral("#2E2E2E")), std::max(2.0, 2.2 * u), Qt::SolidLine, Qt::RoundCap,
             Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    if (m_success) {
        QPainterPath tick;
        tick.moveTo(c + QPointF(-5.4 * u, -0.6 * u));
        tick.lineTo(c + QPointF(-1.4 * u, 3.4 * u));
        tick.lineTo(c + QPointF(6 * u, -5 * u));
        painter.drawPath(tick);
    } else {
        painter.drawLine(c + QPointF(-4.5 * u, -4.5 * u), c + QPointF(4.5 * u, 4.5 * u));
        painter.drawLine(c + QPointF(-4.5 * u, 4.5 * u), c + QPointF(4.5 * u, -4.5 * u));
    }
}
