#pragma once

// Size, style and value rules of the tab pages and their controls, kept free of
// widgets so they can be checked without a window.

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

// Design canvas of every tab page.
inline constexpr int kPageDesignWidth = 1552;
inline constexpr int kPageDesignHeight = 496;

// Maps design lengths of a canvas onto a widget of `size`. Lengths are
// truncated toward zero; integer arithmetic keeps exact multiples exact
// (776/1552 of 84 is 42, never 41.999...).
class PageScale
{
public:
    PageScale(const QSize &size, int designWidth = kPageDesignWidth, int designHeight = kPageDesignHeight);

    int x(int d) const; // horizontal design length
    int y(int d) const; // vertical design length
    int m(int d) const; // by the smaller of the two factors
    double sx() const;
    double sy() const;

private:
    int m_width;
    int m_height;
    int m_designWidth;
    int m_designHeight;
};

// C-style rounding: nearest integer, halves away from zero.
int roundHalfAway(double v);

// Font range every key page uses for a factor: min max(8, trunc(11 f)), max max(10, trunc(16 f)).
struct FontRange
{
    int minimum = 11;
    int maximum = 16;
};
FontRange pageFontRange(const PageScale &scale, bool bySmallerFactor = false);

// --- Key button -----------------------------------------------------------

struct SimKeyColors
{
    QColor background;
    QColor text;
    QColor border;
};
SimKeyColors simKeyColors(bool enabled, bool pressed, bool selected, bool hovered);

int simKeyHorizontalPadding(int width);

// Top padding that pushes the text below an icon; 0 without one.
int simKeyTopPadding(int height, int fontPixelSize, bool hasIcon);

struct SimKeyFontInput
{
    int width = 0;
    int height = 0;
    int minimum = 11;
    int maximum = 16;
    bool fixed = false;
    bool hasIcon = false;
};
// `widestLineAt(px)` answers the widest horizontal advance of the text's
// lines at a pixel size; it is only called for sizes that are tried.
int simKeyFontPixelSize(const SimKeyFontInput &in, const std::function<int(int)> &widestLineAt);

// Icon rectangle of a key's top icon.
QRectF simKeyIconRect(const QSize &buttonSize, const QSizeF &iconDefaultSize, bool largeIcon);

// --- Brightness slider ----------------------------------------------------

struct SliderGeometry
{
    int handleWidth, handleHeight, handleRadius;
    int trackX, trackY, trackWidth, trackHeight, trackRadius;
    int fillWidth;
    int handleX, handleY;
};
SliderGeometry sliderGeometry(const QSize &size, double sx, double sy, int value);
// Value for a pointer position; a slider narrower than its handle gives 0.
int sliderValueFromPos(double x, int width, double sx);

// --- Colour picker ----------------------------------------------------------

struct ColorPickerGeometry
{
    QRect square;
    QRect hueBar;
    int radius, ring, squareMarker, hueMarker;
};
ColorPickerGeometry colorPickerGeometry(const QSize &size);
// Saturation and value for a point, clamped into the square.
void colorPickerSvFromPos(const QPoint &p, const ColorPickerGeometry &g, double *saturation, double *value);
// Hue in degrees, 0...359, for a point, clamped into the bar.
double colorPickerHueFromPos(const QPoint &p, const ColorPickerGeometry &g);
// Whether a press at p hits the hue bar (widened by 4 px on each side).
bool colorPickerHitsHueBar(const QPoint &p, const ColorPickerGeometry &g);

// --- Delays -----------------------------------------------------------------

inline constexpr int kDelaySlots = 18;
inline constexpr int kDelayMaximum = 60000;
int delayMinimumForSlot(int slot);
int clampDelay(int slot, int ms);
int delayDecremented(int slot, int ms);
int delayIncremented(int ms);
// A typed delay: clamped when it parses, `stored` when it does not.
int delayFromInput(int slot, const QString &text, int stored, bool *parsed = nullptr);
