#pragma once

// Geometry of the main window, computed from its size. The window is drawn
// for a 1920 x 1080 design canvas; every element scales with the window and is
// held at a per-element minimum so small windows stay usable.

#include <QRect>
#include <QSize>
#include <QVector>

namespace layout {

inline constexpr int kDesignWidth = 1920;
inline constexpr int kDesignHeight = 1080;
inline constexpr int kKnobDesignSide = 300;

// max(minimum, trunc(length * factor))
int scaled(double length, double factor, int minimum = 0);

struct MainGeometry
{
    double sx = 1.0;
    double sy = 1.0;
    QRect logo;
    QRect profileButton;
    QRect status;
    QRect importButton;
    QRect exportButton;
    QRect resetButton;
    QRect saveButton;
    QRect knobArea;
    QRect contentStack;
    int contentStackRadius = 0;
    QRect tabBar; // width filled in from the tab widths
    QRect systemSwitch;
    QSize toastSize;
    QPoint toastShownPos;
    int toastIconSide = 0;
    int toastTitleFontPx = 0;
    int toastTextFontPx = 0;
    QRect toastTitle;
    QRect toastText;
    int buttonRadius = 0;
    int buttonBorder = 0;
    int buttonFontMinPx = 0;
    int buttonFontMaxPx = 0;
    int saveButtonFontPx = 0;
};

MainGeometry mainGeometry(const QSize &size);

QSize statusAreaSize(const QSize &size);

// Tabs. `textWidths` are the advances of the tab texts at tabFontPixelSize(s).
inline constexpr int kBaseTabWidths[8] = {110, 120, 112, 100, 100, 100, 127, 86};
int tabFontPixelSize(double s);
int tabIconSide(double s);
int tabGap(double s);
QVector<int> tabWidths(double s, int tabCount, const QVector<int> &textWidths);
int tabRowWidth(double s, const QVector<int> &widths);
QRect tabRect(int index, double s, const QVector<int> &widths, const QSize &barSize);

// The Mac / Windows switch: index 0 is Mac, 1 is Windows. An item is at least
// as wide as its content (icon, gap and text with their margins) in `contentWidths`.
QRect systemRect(int index, double s, const QSize &switchSize, const QVector<int> &contentWidths = {});
// The width the switch needs for items of `contentWidths`.
int systemSwitchWidth(double s, const QVector<int> &contentWidths);

// The disconnected status row inside the status area.
struct StatusRowGeometry
{
    int fontPx = 0;
    QRect dot;
    QRect text;
};
StatusRowGeometry statusRowGeometry(const QSize &statusSize, int textAdvance);

// Knob area, r = side / 300.
QRect knobKeyLabelRect(int knobKey, int side);
struct KnobSelectionStyle
{
    int radius = 0;
    int fontPx = 0;
    int border = 0;
};
KnobSelectionStyle knobSelectionStyle(int knobAreaWidth);
QPoint cleanIconPos(const QRect &label, const QSize &iconSize);

struct DialLayout
{
    int pictureSide = 0;
    double shadowRadius = 0;
    double shadowOffset = 0;
    QRect geometry; // inside the knob area
};
DialLayout dialLayout(int knobAreaWidth);

// The detail bubble beside the knob.
struct BubbleMetrics
{
    int width = 0;
    int minHeight = 0;
    int padding = 0;
    int fontPointSize = 0;
    int gap = 0;
};
BubbleMetrics bubbleMetrics(int contentWidth);
// `labelCenterY` in container coordinates; `textHeight` is the wrapped text's height.
QRect bubbleGeometry(int knobKey, const QRect &knobArea, int labelCenterY, int textHeight, int contentWidth,
                     const QSize &container);

} // namespace layout
