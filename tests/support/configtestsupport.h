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
// The window's own pages, built on first use like opening their tab would.
inline DelayWidget *delayPage(const MainLayoutWidget &w)
{
    return qobject_cast<DelayWidget *>(const_cast<MainLayoutWidget &>(w).page(5));
}
inline LightWidget *lightPage(const MainLayoutWidget &w)
{
    return qobject_cast<LightWidget *>(const_cast<MainLayoutWidget &>(w).page(3));
}

} // namespace knobview
