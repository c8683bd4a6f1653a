#include "ui/pages/pagerules.h"

#include <algorithm>
#include <cmath>
#include <limits>

PageScale::PageScale(const QSize &size, int designWidth, int designHeight)
    : m_width(size.width() >= 1 ? size.width() : designWidth),
      m_height(size.height() >= 1 ? size.height() : designHeight), m_designWidth(designWidth),
      m_designHeight(designHeight)
{}

int PageScale::x(int d) const
{
    return int(qint64(d) * m_width / m_designWidth);
}

int PageScale::y(int d) const
{
    return int(qint64(d) * m_height / m_designHeight);
}

int PageScale::m(int d) const
{
    // Compare the factors by cross-multiplication to stay exact.
    return qint64(m_width) * m_designHeight <= qint64(m_height) * m_designWidth ? x(d) : y(d);
}

double PageScale::sx() const
{
    return double(m_width) / m_designWidth;
}

double PageScale::sy() const
{
    return double(m_height) / m_designHeight;
}

int roundHalfAway(double v)
{
    return int(std::lround(v));
}

FontRange pageFontRange(const PageScale &scale, bool bySmallerFactor)
{
    FontRange r;
    r.minimum = std::max(8, bySmallerFactor ? scale.m(11) : scale.x(11));
    r.maximum = std::max(10, bySmallerFactor ? scale.m(16) : scale.x(16));
    return r;
}

SimKeyColors simKeyColors(bool enabled, bool pressed, bool selected, bool hovered)
{
    const QColor lighter(255, 255, 255, 25); // white at 10 %
    if (!enabled)
        return {QColor(0x1F, 0x1E, 0x1E), QColor(0xD4, 0xD4, 0xD5), QColor(0x67, 0x69, 0x6A)};
    if (pressed)
        return {QColor(0x10, 0x10, 0x10), QColor(0xD4, 0xD4, 0xD5), QColor(0x27, 0x2A, 0x2B)};
    if (selected)
        return {lighter, QColor(0xBE, 0xF4, 0x49), QColor(0x7E, 0x7E, 0x7E)};
    if (hovered)
        return {lighter, QColor(0xD4, 0xD4, 0xD5), QColor(0x67, 0x69, 0x6A)};
    return {QColor(0x1F, 0x1E, 0x1E), QColor(0xD4, 0xD4, 0xD5), QColor(0x36, 0x36, 0x36)};
}

int simKeyHorizontalPadding(int width)
{
    // The keys of a small window need every pixel for "Home" or "Pause".
    if (width < 40)
        return 0;
    if (width < 63)
        return 2;
    if (width < 89)
        return 4;
    return 6;
}

static double iconScale(int height)
{
    return height < 1 ? 1.0 : height / 59.0;
}

int simKeyTopPadding(int height, int fontPixelSize, bool hasIcon)
{
    if (!hasIcon)
        return 0;
    return std::max(0, height - fontPixelSize - 2 * roundHalfAway(15 * iconScale(height)));
}

int simKeyFontPixelSize(const SimKeyFontInput &in, const std::function<int(int)> &widestLineAt)
{
    // A fixed size gives way only to a text that would not fit at it.
    if (in.fixed && (in.width - 2 * simKeyHorizontalPadding(in.width) < 3 ||
                     widestLineAt(in.maximum) <= in.width - 2 * simKeyHorizontalPadding(in.width) - 2))
        return in.maximum;
    // The icon start follows the key height and may exceed the maximum on purpose.
    const int start = in.hasIcon
                          ? (in.height < 1 ? 14 : std::max(in.minimum, roundHalfAway(14 * in.height / 59.0)))
                          : in.maximum;
    const int available = in.width - 2 * simKeyHorizontalPadding(in.width);
    if (available < 3)
        return start;
    if (start < in.minimum)
        return in.minimum;
    for (int px = start; px >= in.minimum; --px) {
        if (widestLineAt(px) <= available - 2)
            return px;
    }
    return in.minimum;
}

QRectF simKeyIconRect(const QSize &buttonSize, const QSizeF &iconDefaultSize, bool largeIcon)
{
    const double s = iconScale(buttonSize.height());
    const double box = (largeIcon ? 17.0 : 14.45) * s;
    QSizeF icon(box, box);
    if (iconDefaultSize.width() > 0 && iconDefaultSize.height() > 0)
        icon = iconDefaultSize.scaled(icon, Qt::KeepAspectRatio);
    return QRectF(QPointF((buttonSize.width() - icon.width()) * 0.5, 10 * s), icon);
}

namespace {
// Wide enough for "100%" in the handle's smallest font.
int sliderHandleWidth(double sx)
{
    return std::max(int(44 * sx), 30);
}
} // namespace

SliderGeometry sliderGeometry(const QSize &size, double sx, double sy, int value)
{
    SliderGeometry g{};
    g.handleWidth = sliderHandleWidth(sx);
    g.handleHeight = std::max(int(28 * sy), 1);
    g.handleRadius = std::max(int(14 * sy), 1);
    g.trackHeight = std::max(int(12 * sy), 1);
    g.trackRadius = g.trackHeight / 2;
    const int half = g.handleWidth / 2;
    g.trackX = half;
    g.trackWidth = size.width() - 2 * half;
    g.trackY = (size.height() - g.trackHeight) / 2;
    g.fillWidth = int(value / 100.0 * g.trackWidth);
    g.handleX = std::max(std::min(g.fillWidth, size.width() - g.handleWidth), 0);
    g.handleY = (size.height() - g.handleHeight) / 2;
    return g;
}

int sliderValueFromPos(double pos, int width, double sx)
{
    const int half = sliderHandleWidth(sx) / 2;
    const int right = width - half;
    if (right - half <= 0)
        return 0; // no track to slide on
    const int x = std::min(roundHalfAway(pos), right);
    const double offset = x > half ? x - half : 0;
    const int v = int(offset / (right - half) * 100 + 0.5);
    return std::clamp(v, 0, 100);
}

ColorPickerGeometry colorPickerGeometry(const QSize &size)
{
    const double sx = size.width() > 0 ? size.width() / 570.0 : 1.0;
    const double sy = size.height() > 0 ? size.height() / 371.0 : 1.0;
    const double m = std::min(sx, sy);
    ColorPickerGeometry g{};
    g.square = QRect(roundHalfAway(24 * sx), roundHalfAway(24 * sy), std::max(roundHalfAway(480 * sx), 1),
                     std::max(roundHalfAway(323 * sy), 1));
    g.hueBar = QRect(roundHalfAway(528 * sx), roundHalfAway(24 * sy), std::max(roundHalfAway(18 * sx), 1),
                     std::max(roundHalfAway(323 * sy), 1));
    g.radius = std::max(3, roundHalfAway(4 * m));
    g.ring = std::max(2, roundHalfAway(4 * m));
    g.squareMarker = std::max(12, roundHalfAway(32 * m));
    g.hueMarker = std::max(10, roundHalfAway(24 * m));
    return g;
}

void colorPickerSvFromPos(const QPoint &p, const ColorPickerGeometry &g, double *saturation, double *value)
{
    const QRect &q = g.square;
    const int px = std::min(p.x(), q.x() + q.width() - 1);
    const int py = std::min(p.y(), q.y() + q.height() - 1);
    const double sx = px > q.x() ? px - q.x() : 0;
    const double sy = py > q.y() ? py - q.y() : 0;
    *saturation = sx / (q.width() < 3 ? 1 : q.width() - 1);
    *value = 1.0 - sy / (q.height() < 3 ? 1 : q.height() - 1);
    *saturation = std::clamp(*saturation, 0.0, 1.0);
    *value = std::clamp(*value, 0.0, 1.0);
}

double colorPickerHueFromPos(const QPoint &p, const ColorPickerGeometry &g)
{
    const QRect &b = g.hueBar;
    const int py = std::min(p.y(), b.y() + b.height() - 1);
    const double off = py > b.y() ? py - b.y() : 0;
    return std::clamp(off / (b.height() < 3 ? 1 : b.height() - 1) * 359.0, 0.0, 359.0);
}

bool colorPickerHitsHueBar(const QPoint &p, const ColorPickerGeometry &g)
{
    return g.hueBar.adjusted(-4, 0, 4, 0).contains(p);
}

int delayMinimumForSlot(int slot)
{
    return slot == 0 ? 0 : 50;
}

int clampDelay(int slot, int ms)
{
    return std::clamp(ms, delayMinimumForSlot(slot), kDelayMaximum);
}

int delayDecremented(int slot, int ms)
{
    return std::max(delayMinimumForSlot(slot), ms - 1);
}

int delayIncremented(int ms)
{
    return std::min(ms, kDelayMaximum - 1) + 1;
}

int delayFromInput(int slot, const QString &text, int stored, bool *parsed)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (parsed)
        *parsed = ok;
    return clampDelay(slot, ok ? v : stored);
}
