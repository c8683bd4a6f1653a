#include "ui/pages/ColorPickerWidget.h"

#include "ui/AccessibleControl.h"
#include "ui/pages/pagerules.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

ColorPickerWidget::ColorPickerWidget(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(285, 185);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    resize(570, 371);
    setMouseTracking(false);
    setFocusPolicy(Qt::TabFocus);
    AccessibleControl::setRole(this, QAccessible::ColorChooser);
    // The colour field is built on first paint, at the size the page lays the
    // picker out at; building it here would be thrown away unseen.
}

QColor ColorPickerWidget::currentColor() const
{
    return QColor::fromHsvF(float(m_hue / 360.0), float(m_saturation), float(m_value), 1.0f);
}

void ColorPickerWidget::setColor(const QColor &color)
{
    float h = 0, s = 0, v = 0;
    color.getHsvF(&h, &s, &v);
    m_hue = h < 0 ? 0.0 : h * 360.0;
    m_saturation = s;
    m_value = v;
    m_imageStale = true;
    update();
}

void ColorPickerWidget::rebuildSvImage()
{
    const int w = width() > 0 ? std::max(roundHalfAway(480 * width() / 570.0), 1) : 480;
    const int h = height() > 0 ? std::max(roundHalfAway(323 * height() / 371.0), 1) : 323;
    m_svImage = QImage(w, h, QImage::Format_ARGB32);
    const float hue = float(m_hue / 360.0);
    const double ws = std::max(w, 2) - 1;
    const double hs = std::max(h, 2) - 1;
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(m_svImage.scanLine(y));
        const float val = float(1.0 - y / hs);
        for (int x = 0; x < w; ++x)
            line[x] = QColor::fromHsvF(hue, float(x / ws), val).rgba();
    }
    m_imageStale = false;
}

void ColorPickerWidget::keyPressEvent(QKeyEvent *event)
{
    // Left and right walk the hue bar, up and down the brightness.
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        m_hue = std::fmod(m_hue + (event->key() == Qt::Key_Right ? 5.0 : 355.0), 360.0);
        m_imageStale = true;
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        m_value = std::clamp(m_value + (event->key() == Qt::Key_Up ? 0.05 : -0.05), 0.0, 1.0);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    emitColor();
    update();
}

void ColorPickerWidget::emitColor()
{
    Q_EMIT colorChanged(currentColor());
}

void ColorPickerWidget::updateColorFromSv(const QPoint &p)
{
    colorPickerSvFromPos(p, colorPickerGeometry(size()), &m_saturation, &m_value);
    emitColor();
    update();
}

void ColorPickerWidget::updateHueFromPos(const QPoint &p)
{
    m_hue = colorPickerHueFromPos(p, colorPickerGeometry(size()));
    m_imageStale = true;
    emitColor();
    update();
}

void ColorPickerWidget::mousePressEvent(QMouseEvent *event)
{
    if (!isEnabled() || event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint();
    const ColorPickerGeometry g = colorPickerGeometry(size());
    if (g.square.contains(p)) {
        m_dragMode = 1;
        updateColorFromSv(p);
    } else if (colorPickerHitsHueBar(p, g)) {
        m_dragMode = 2;
        updateHueFromPos(p);
    }
}

void ColorPickerWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (!isEnabled())
        return;
    const QPoint p = event->position().toPoint();
    if (m_dragMode == 1)
        updateColorFromSv(p);
    else if (m_dragMode == 2)
        updateHueFromPos(p);
}

void ColorPickerWidget::mouseReleaseEvent(QMouseEvent *)
{
    if (isEnabled())
        m_dragMode = 0;
}

static void drawMarker(QPainter &p, const QPoint &centre, int diameter, int ring, bool enabled)
{
    const int d = diameter / 2 * 2;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(enabled ? QColor(Qt::white) : QColor(0xB4, 0xB4, 0xB4), ring));
    p.drawEllipse(QRectF(centre.x() - d / 2.0, centre.y() - d / 2.0, d, d));
    const int inner = 2 * (diameter / 2) - 4;
    p.setPen(QPen(enabled ? QColor(0, 0, 0, 80) : QColor(20, 20, 20, 160), 1));
    p.drawEllipse(QRectF(centre.x() - inner / 2.0, centre.y() - inner / 2.0, inner, inner));
}

void ColorPickerWidget::paintEvent(QPaintEvent *)
{
    const ColorPickerGeometry g = colorPickerGeometry(size());
    if (m_imageStale || m_svImage.size() != g.square.size())
        rebuildSvImage();
    const bool enabled = isEnabled();
    const QColor outline = enabled ? QColor(0x3C, 0x3C, 0x3C) : QColor(0x30, 0x30, 0x30);

    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    QPainterPath square;
    square.addRoundedRect(QRectF(g.square), g.radius, g.radius);
    p.save();
    p.setClipPath(square);
    p.drawImage(g.square.topLeft(), m_svImage);
    if (!enabled)
        p.fillRect(g.square, QColor(0, 0, 0, 96));
    p.restore();
    p.setPen(QPen(outline, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(square);

    QPainterPath bar;
    bar.addRoundedRect(QRectF(g.hueBar), g.radius, g.radius);
    QLinearGradient gradient(QPointF(0, g.hueBar.top()), QPointF(0, g.hueBar.top() + g.hueBar.height()));
    for (int i = 0; i <= 6; ++i)
        gradient.setColorAt(i / 6.0, QColor::fromHsvF(i == 6 ? 1.0f : float(i / 6.0), 1.0f, 1.0f));
    p.save();
    p.setClipPath(bar);
    p.fillRect(g.hueBar, gradient);
    if (!enabled)
        p.fillRect(g.hueBar, QColor(0, 0, 0, 96));
    p.restore();
    p.setPen(QPen(outline, 1));
    p.drawPath(bar);

    const QPoint svCentre(g.square.x() + roundHalfAway(m_saturation * (g.square.width() - 1)),
                          g.square.y() + roundHalfAway((1 - m_value) * (g.square.height() - 1)));
    drawMarker(p, svCentre, g.squareMarker, g.ring, enabled);
    const QPoint hueCentre(g.hueBar.x() + g.hueBar.width() / 2,
                           g.hueBar.y() + roundHalfAway((g.hueBar.height() - 1) * m_hue / 359.0));
    drawMarker(p, hueCentre, g.hueMarker, g.ring, enabled);
}
