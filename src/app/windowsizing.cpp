#include "app/windowsizing.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kAspect = 16.0 / 9.0;
}

QSize windowSizeForAvailableArea(const QSize &available)
{
    const int W = std::max(1, available.width());
    const int H = std::max(1, available.height());

    if (W < 1920 || H < 1080) {
        if (double(W) / double(H) > kAspect)
            return QSize(int(H * kAspect), H);
        return QSize(W, int(W / kAspect));
    }
    if (W <= 2559 && H < 1440)
        return QSize(1920, 1080);

    const int w = int(W * 0.75);
    const int h = int(w / kAspect);
    if (H >= h)
        return QSize(w, h);
    return QSize(int(H * kAspect), H);
}

QPoint windowPositionInsideArea(const QRect &area, const QSize &window, const QPoint &current, bool center)
{
    const int w = window.width();
    const int h = window.height();
    int x = current.x();
    int y = current.y();
    if (center) {
        x = area.left() + (area.width() - w) / 2;
        y = area.top() + (area.height() - h) / 2;
    }
    x = std::clamp(x, area.left(), std::max(area.left(), area.left() + area.width() - w));
    y = std::clamp(y, area.top(), std::max(area.top(), area.top() + area.height() - h));
    return QPoint(x, y);
}

QRect usableScreenArea(const QRect &screen, const QRect &available, const QString &platformName)
{
    if (!platformName.startsWith(QLatin1String("wayland")) || available != screen)
        return available;
    const int panel = int(std::ceil(available.height() * 0.05));
    return available.adjusted(0, panel, 0, 0);
}

WindowPlacement placeWindowOnScreen(const QRect &screen, const QRect &available, const QMargins &frame,
                                    const QString &platformName, const QPoint &current, bool center)
{
    const QRect area = usableScreenArea(screen, available, platformName);
    const QSize frameExtra(frame.left() + frame.right(), frame.top() + frame.bottom());
    WindowPlacement placement;
    placement.size = windowSizeForAvailableArea(area.size() - frameExtra);
    placement.origin = windowPositionInsideArea(area, placement.size + frameExtra, current, center);
    return placement;
}
