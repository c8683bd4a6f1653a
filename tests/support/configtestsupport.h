#pragma once

// Access to the knob model, the read and lighting state of the window for the
// tests of the configuration road, the read edge cases and the lighting sends.

#include "device/deviceworkers.h"
#include "ui/MainLayoutWidget.h"
#include "ui/pages/DelayWidget.h"
#include "ui/pages/LightWidget.h"

#include <QColor>
#include <QStringList>

class ConfigReadTestAccess
{
public:
    static QList<unsigned short> keyCodes(const MainLayoutWidget &w, int k)
    {
        return w.m_knobKeyCodes[k - 1];
    }
    static QStringList combinations(const MainLayoutWidget &w, int k) { return w.m_knobCombinations[k - 1]; }
    static QStringList displayNames(const MainLayoutWidget &w, int k) { return w.m_knobDisplayNames[k - 1]; }
    static bool modelEmpty(const MainLayoutWidget &w)
    {
        for (int k = 1; k <= 5; ++k) {
            if (!keyCodes(w, k).isEmpty() || !combinations(w, k).isEmpty() || !displayNames(w, k).isEmpty())
                return false;
        }
        return true;
    }
    static void setMacLayout(MainLayoutWidget &w, bool mac) { w.m_isMacLayout = mac; }
    static int selectedKnobKey(const MainLayoutWidget &w) { return w.m_selectedKnobKey; }
    static void setSelectedKnobKey(MainLayoutWidget &w, int k) { w.m_selectedKnobKey = k; }
    static DelayWidget *delayWidget(const MainLayoutWidget &w) { return w.m_delayWidget.data(); }
    static LightWidget *lightWidget(const MainLayoutWidget &w) { return w.m_lightWidget.data(); }
    // Detached device threads still running (reads, light sends, saves, scans).
    static int runningWorkers(const MainLayoutWidget &w) { return w.m_deviceWorkers->running(); }

    static bool lightSendInFlight(const MainLayoutWidget &w) { return w.m_lightSendInFlight; }
    static bool lightSendPending(const MainLayoutWidget &w) { return w.m_lightSendPending; }
    static QColor pendingLightColor(const MainLayoutWidget &w) { return w.m_pendingLightColor; }
    static int pendingLightBrightness(const MainLayoutWidget &w) { return w.m_pendingLightBrightness; }
    static bool pendingLightOn(const MainLayoutWidget &w) { return w.m_pendingLightOn; }
};
