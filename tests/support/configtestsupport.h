#pragma once

// What the window's knob model and pages hold, for the window tests of the
// configuration road, read through the window's public interface.

#include "ui/MainLayoutWidget.h"
#include "ui/pages/DelayWidget.h"
#include "ui/pages/LightWidget.h"

#include <QStringList>

namespace knobview {

inline QList<unsigned short> keyCodes(const MainLayoutWidget &w, int k)
{
    return w.knobModel().key(k).keyCodes;
}
inline QStringList combinations(const MainLayoutWidget &w, int k)
{
    return w.knobModel().key(k).combinations;
}
inline QStringList displayNames(const MainLayoutWidget &w, int k)
{
    return w.knobModel().key(k).displayNames;
}
inline bool modelEmpty(const MainLayoutWidget &w)
{
    for (int k = 1; k <= 5; ++k)
        if (!w.knobModel().key(k).isEmpty() || !displayNames(w, k).isEmpty())
            return false;
    return true;
}
// The window's own pages; there is exactly one of each.
inline DelayWidget *delayPage(const MainLayoutWidget &w)
{
    const QList<DelayWidget *> pages = w.findChildren<DelayWidget *>();
    return pages.size() == 1 ? pages.first() : nullptr;
}
inline LightWidget *lightPage(const MainLayoutWidget &w)
{
    const QList<LightWidget *> pages = w.findChildren<LightWidget *>();
    return pages.size() == 1 ? pages.first() : nullptr;
}

} // namespace knobview
