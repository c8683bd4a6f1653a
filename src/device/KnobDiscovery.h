#pragma once

#include "device/PermissionHint.h"
#include "device/hidscan.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class Clock;
class ClockTimer;
class DeviceWorkers;
class KnobOwnerLock;
class UdevMonitor;

// Finding the knob: the 100 ms presence ticks, udev's plug-in and removal
// events and the interface scans they start on a worker. Hands a node that
// answered to the session and hands the liveness probe of a link that is up
// back to the session. Lives on the session's thread.
class KnobDiscovery : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KnobDiscovery)

public:
    // What discovery needs to know of the session's links.
    struct Links
    {
        std::function<bool()> connected;
        std::function<bool()> bluetoothUp; // through the helper
        std::function<bool()> hidrawOverBluetooth;
        std::function<std::shared_ptr<KnobOwnerLock>()> bluetoothLock;
        // The liveness probe of the hidraw link that is up.
        std::function<void()> checkAlive;
        // A scan opened the knob's interface; the handle is the session's to install or close.
        std::function<void(const HidScanResult &, hid_device *, bool fromTimer)> found;
    };

    KnobDiscovery(Links links, std::shared_ptr<DeviceWorkers> workers, Clock &clock,
                  QObject *parent = nullptr);
    ~KnobDiscovery() override;

    // The presence ticks and the delayed first scan.
    void start();
    void startUdev();
    void stop();

    // A logged scan now, unless connected or a scan is running.
    void connectNow();
    // udev saw the knob come or go (or the session wants a look now): scan,
    // or probe the link that is up, rather than wait for an idle tick.
    void knobDeviceChanged();
    // A Bluetooth connect run is wanted: it waits for a scan, as a hidraw
    // node goes first; bluetoothRunDue says when.
    void scanBeforeBluetooth();
    bool bluetoothRunWaiting() const { return m_bluetoothAfterScan; }

    void toggleDeviceIds() { m_useDefaultDeviceIds = !m_useDefaultDeviceIds; }
    bool usesDefaultDeviceIds() const { return m_useDefaultDeviceIds; }
    void setInterfacePath(const QString &path) { m_interfacePath = path; }
    bool isScanRunning() const { return m_scanInFlight; }
    const HidScanResult &lastScanResult() const { return m_lastScan; }
    QString permissionHintText() const { return m_permissionHint.text(); }

    // The Bluetooth link came up or went down.
    void bluetoothLinkChanged(bool up);
    // The session closed its link: a scan's result is no longer waited for.
    void linkClosed();

Q_SIGNALS:
    void bluetoothRunDue();
    void permissionHintChanged(bool visible);

private:
    enum class ScanKind
    {
        StatusTimer,
        AutoConnect
    };
    void tick();
    void startScan(ScanKind kind);
    void finishScan(ScanKind kind, const HidScanResult &result, hid_device *handle);

    Links m_links;
    std::shared_ptr<DeviceWorkers> m_workers;
    std::unique_ptr<ClockTimer> m_statusTimer;
    std::unique_ptr<ClockTimer> m_firstScanTimer;
    UdevMonitor *m_udev = nullptr;
    bool m_stopped = false;
    bool m_useDefaultDeviceIds = true;
    QString m_interfacePath;
    bool m_scanInFlight = false;
    std::atomic<bool> m_probeWorkerBusy{false};
    int m_idleProbeTicks = 0;
    int m_exclusiveCooldownTicks = 0;
    int m_livenessTicks = 0;
    PermissionHint m_permissionHint;
    HidScanResult m_lastScan;
    bool m_rescanAfterScan = false;
    bool m_bluetoothAfterScan = false;
};
