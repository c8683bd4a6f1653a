#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

// The fixed 16:9 window size for an available area of `available`.
QSize windowSizeForAvailableArea(const QSize &available);

// Where a window of `window` size goes on an area: centred, or kept at
// `current`, then clamped inside; a window larger than the area sticks to its
// top-left corner.
QPoint windowPositionInsideArea(const QRect &area, const QSize &window, const QPoint &current, bool center);

// The part of the screen the whole window, frame included, may cover. Wayland
// platforms report the whole screen as available because clients are not told
// about panels; there a panel's worth (5 % of the height) is kept free at the top.
QRect usableScreenArea(const QRect &screen, const QRect &available, const QString &platformName);

struct WindowPlacement
{
    QSize size;    // the client area, what setFixedSize() takes
    QPoint origin; // the frame's top-left corner, what move() takes
};

// The 16:9 window on a screen: fitted so that it and its frame (title bar and
// borders, `frame`) lie inside the usable area, then centred or kept at the
// frame position `current` and pulled inside.
WindowPlacement placeWindowOnScreen(const QRect &screen, const QRect &available, const QMargins &frame,
                                    const QString &platformName, const QPoint &current, bool center);
