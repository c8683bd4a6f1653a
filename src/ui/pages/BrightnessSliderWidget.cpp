#include "ui/pages/BrightnessSliderWidget.h"

#include "ui/AccessibleControl.h"
#include "ui/pages/pagerules.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

BrightnessSliderWidget::BrightnessSliderWidget(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(false);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    AccessibleControl::setRole(this, QAccessible::Slider);
}

void BrightnessSliderWidget::setValue(int value)
{
    value = std::clamp(value, 0, 100);
    if (value == m_value)
        return;
    m_value = value;
    update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(this, m_value);
        QAccessible::updateAccessibility(&changed);
    }
    Q_EMIT valueChanged(m_value);
}

void BrightnessSliderWidget::setScale(double sx, double sy)
{
    m_scaleX = std::max(sx, 0.1);
    m_scaleY = std::max(sy, 0.1);
    update();
}

void BrightnessSliderWidget::updateValueFromPos(int x)
{
    setValue(sliderValueFromPos(x, width(), m_scaleX));
}

void BrightnessSliderWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && isEnabled()) {
        m_dragging = true;
        updateValueFromPos(roundHalfAway(event->position().x()));
    }
}

void BrightnessSliderWidget::keyPressEvent(QKeyEvent *event)
{
    const int step = event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown ? 10 : 1;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
    case Qt::Key_PageDown:
        setValue(m_value - step);
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_PageUp:
        setValue(m_value + step);
        break;
    case Qt::Key_Home:
        setValue(0);
        break;
    case Qt::Key_End:
        setValue(100);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void BrightnessSliderWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (isEnabled() && m_dragging)
        updateValueFromPos(roundHalfAway(event->position().x()));
}

void BrightnessSliderWidget::mouseReleaseEvent(QMouseEvent *)
{
    if (isEnabled())
        m_dragging = false;
}

void BrightnessSliderWidget::paintEvent(QPaintEvent *)
{
    const SliderGeometry g = sliderGeometry(size(), m_scaleX, m_scaleY, m_value);
    const bool on = isEnabled();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    p.setBrush(on ? QColor(0x33, 0x33, 0x33) : QColor(0x2A, 0x2A, 0x2A));
    p.drawRoundedRect(QRect(g.trackX, g.trackY, g.trackWidth, g.trackHeight), g.trackRadius, g.trackRadius);
    const QColor accent = on ? QColor(0xBE, 0xF4, 0x49) : QColor(0x5D, 0x68, 0x3A);
    p.setBrush(accent);
    if (g.fillWidth > 0)
        p.drawRoundedRect(QRect(g.trackX, g.trackY, g.fillWidth, g.trackHeight), g.trackRadius,
                          g.trackRadius);
    const QRect handle(g.handleX, g.handleY, g.handleWidth, g.handleHeight);
    p.drawRoundedRect(handle, g.handleRadius, g.handleRadius);

    QFont f = font();
    f.setWeight(QFont::Bold);
    f.setPixelSize(std::max(8, int(12 * m_scaleY)));
    p.setFont(f);
    p.setPen(on ? QColor(0, 0, 0) : QColor(0x1A, 0x1A, 0x1A));
    p.drawText(handle, Qt::AlignCenter, QString::number(m_value) + QLatin1Char('%'));
}
