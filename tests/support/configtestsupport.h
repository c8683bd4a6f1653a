#pragma once

// What the window's knob document and pages hold, for the window tests of the
// configuration road, read through the window's public interface.

#include "ui/GestureSelection.h"
#include "ui/KnobEditor.h"
#include "ui/MainLayoutWidget.h"
#include "ui/PageStack.h"
#include "ui/TabBar.h"
#include "ui/actiontext.h"
#include "ui/pages/DelayWidget.h"
#include "ui/pages/LightWidget.h"

#include <QStringList>
#include <QTest>

namespace knobview {

inline const KnobDocument &document(const MainLayoutWidget &w)
{
    return w.findChild<KnobEditor *>()->document();
}
inline int selectedKey(const MainLayoutWidget &w)
{
    return w.findChild<GestureSelection *>()->current();
}
inline bool unsavedEdits(const MainLayoutWidget &w)
{
    return w.findChild<KnobEditor *>()->hasUnsavedEdits();
}
// A page slide is running; tab presses wait for it.
inline bool pageSliding(const MainLayoutWidget &w)
{
    return w.findChild<PageStack *>()->isSliding();
}

// Every action of gesture k by its id ("key:0x04", "media:mute").
inline QStringList ids(const MainLayoutWidget &w, int k)
{
    QStringList out;
    for (const KnobAction &a : document(w).keys[k - 1])
        out << a.id();
    return out;
}
inline QStringList displayNames(const MainLayoutWidget &w, int k)
{
    return actionTexts(document(w).keys[k - 1], document(w).isMacLayout);
}
inline bool modelEmpty(const MainLayoutWidget &w)
{
    const auto &keys = document(w).keys;
    return std::all_of(keys.begin(), keys.end(), [](const QList<KnobAction> &g) { return g.isEmpty(); });
}
// The window's own pages. One never opened is built by opening its tab, as a
// user would; the tab that was open is opened again after.
template <typename Page> Page *builtPage(const MainLayoutWidget &w, int tab)
{
    if (Page *page = w.findChild<Page *>())
        return page;
    TabBar *tabs = w.findChild<TabBar *>();
    for (const int i : {tab, tabs->currentIndex()}) {
        emit tabs->tabPressed(i);
        if (!QTest::qWaitFor([&w] { return !pageSliding(w); }))
            return nullptr;
    }
    return w.findChild<Page *>();
}
inline DelayWidget *delayPage(const MainLayoutWidget &w)
{
    return builtPage<DelayWidget>(w, 5);
}
inline LightWidget *lightPage(const MainLayoutWidget &w)
{
    return builtPage<LightWidget>(w, 3);
}

} // namespace knobview
