#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// The fixed 16:9 window size for a screen whose available area is `available`.
QSize windowSizeForAvailableArea(const QSize &available);

// Where a window of `window` size goes on an area: centred, or kept at
// `current`, then clamped inside; a window larger than the area sticks to its
// top-left corner.
QPoint windowPositionInsideArea(const QRect &area, const QSize &window, const QPoint &current, bool center);
