#include "ui/pages/ToggleSwitchWidget.h"

#include "ui/AccessibleControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>

#include <algorithm>

ToggleSwitchWidget::ToggleSwitchWidget(QWidget *parent)
    : QWidget(parent), m_animation(new QPropertyAnimation(this, "sliderPos", this))
{
    setMinimumSize(125, 32);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    resize(250, 64);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    AccessibleControl::setRole(this, QAccessible::CheckBox);
    AccessibleControl::setChecked(this, m_on);
    m_animation->setDuration(200);
    m_animation->setEasingCurve(QEasingCurve::InOutCubic);
}

void ToggleSwitchWidget::setOn(bool on)
{
    if (m_on == on)
        return;
    m_on = on;
    AccessibleControl::setChecked(this, on);
    animateTo(on);
    Q_EMIT toggled(on);
}

void ToggleSwitchWidget::setSliderPos(double pos)
{
    m_sliderPos = pos;
    update();
}

void ToggleSwitchWidget::animateTo(bool on)
{
    // Reverse from wherever the knob is, never queue.
    m_animation->stop();
    m_animation->setStartValue(m_sliderPos);
    m_animation->setEndValue(on ? 1.0 : 0.0);
    m_animation->start();
}

void ToggleSwitchWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setOn(!m_on);
}

void ToggleSwitchWidget::keyPressEvent(QKeyEvent *event)
{
    if (AccessibleControl::isPress(event))
        setOn(!m_on);
    else
        QWidget::keyPressEvent(event);
}

void ToggleSwitchWidget::paintEvent(QPaintEvent *)
{
    const double w = width();
    const double h = height();
    const double sx = w > 0 ? w / 250.0 : 1.0;
    const double sy = h > 0 ? h / 64.0 : 1.0;
    const double p = m_sliderPos;

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    painter.setBrush(QColor(0x0E, 0x0E, 0x0E));
    painter.drawRoundedRect(QRectF(0, 0, w, h), 32 * sy, 32 * sy);

    QFont f = font();
    f.setPixelSize(std::max(10, int(18 * sx)));
    if (p < 0.9) {
        f.setWeight(QFont::Normal);
        painter.setFont(f);
        painter.setOpacity(1.0 - p);
        painter.setPen(QColor(0x67, 0x69, 0x6A));
        painter.drawText(QRectF(w / 2, 0, w / 2, h), Qt::AlignCenter, tr("Off"));
    }
    const double knobX = (w - 115 * sx - 2 * 6 * sx) * p + 6 * sx;
    if (p > 0.1) {
        f.setWeight(QFont::Bold);
        painter.setFont(f);
        painter.setOpacity(p);
        painter.setPen(QColor(0xBE, 0xF4, 0x49));
        painter.drawText(QRectF(0, 0, knobX, h), Qt::AlignCenter, tr("On"));
    }
    painter.setOpacity(1.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x16, 0x16, 0x16));
    painter.drawRoundedRect(QRectF(knobX, 6 * sy, 115 * sx, 52 * sy), 30 * sy, 30 * sy);
    painter.setBrush(m_on ? QColor(0xBE, 0xF4, 0x49) : QColor(0x0E, 0x0E, 0x0E));
    painter.drawEllipse(QPointF(knobX + 93 * sx, 29 * sy), 3 * sx, 3 * sy);
}
