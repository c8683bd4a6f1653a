#pragma once

// Helpers shared by the tests that drive the USB link against the simulated
// device: access to the window's link state, a log recorder and a simulator
// reset that also checks for leaked handles.

#include "tools/hidsim/hidsim.h"
#include "ui/MainLayoutWidget.h"

#include <QMutex>
#include <QString>
#include <QStringList>

class MainLayoutWidgetTestAccess
{
public:
    static bool isConnected(const MainLayoutWidget &w) { return w.m_isConnected; }
    static bool isBluetoothConnected(const MainLayoutWidget &w) { return w.m_isBluetoothConnected; }
    static hid_device *device(const MainLayoutWidget &w) { return w.m_device; }
    static unsigned long long generation(const MainLayoutWidget &w) { return w.m_deviceGeneration; }
    static bool probeInFlight(const MainLayoutWidget &w) { return w.m_deviceProbeInFlight; }
    static bool probeWorkerBusy(const MainLayoutWidget &w) { return w.m_probeWorkerBusy; }
    static int exclusiveCooldownTicks(const MainLayoutWidget &w) { return w.m_exclusiveCooldownTicks; }
    static bool useDefaultDeviceIds(const MainLayoutWidget &w) { return w.m_useDefaultDeviceIds; }
    static void setSelectedKnobKey(MainLayoutWidget &w, int key) { w.m_selectedKnobKey = key; }
    static void setConfigReadInProgress(MainLayoutWidget &w, bool on) { w.m_configReadInProgress = on; }
    static void setBluetoothLink(MainLayoutWidget &w, bool collecting)
    {
        w.m_isConnected = true;
        w.m_isBluetoothConnected = true;
        w.m_collectBluetoothBatch = collecting;
    }
    static std::vector<std::vector<unsigned char>> bluetoothBatch(const MainLayoutWidget &w)
    {
        return w.m_bluetoothBatchPackets;
    }
    static void stopStatusTimer(MainLayoutWidget &w);
    static void tick(MainLayoutWidget &w) { w.checkDeviceStatus(); }
    static void pressLogo(MainLayoutWidget &w) { w.handleLogoPress(); }
};

// Records every log message of the process while alive.
class LogRecorder
{
public:
    LogRecorder();
    ~LogRecorder();
    LogRecorder(const LogRecorder &) = delete;
    LogRecorder &operator=(const LogRecorder &) = delete;

    QStringList lines() const;
    int count(const QString &fragment) const;
    bool contains(const QString &fragment) const { return count(fragment) > 0; }
    void clear();
};

// A fresh simulator with one knob device (keyboard, consumer and vendor
// interfaces; only the vendor one accepts writes); returns its id.
int resetWithKnob();

// Waits until the window has a USB link, starting the logged scan itself.
bool connectWindow(MainLayoutWidget &w, int timeoutMs = 5000);

// Reports written to the device after the given time, accepted or not;
// without read requests (03 FF ...) if asked, as a configuration read sends
// them on its own schedule.
std::vector<hidsim::WriteRecord> writesSince(double ms, bool withReadRequests = true);
