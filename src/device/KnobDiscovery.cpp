#include "device/KnobDiscovery.h"

#include "device/Clock.h"
#include "device/UdevMonitor.h"
#include "device/deviceworkers.h"
#include "device/packetutil.h"

#include <QDebug>
#include <QPointer>
#include <QTimer>

#include <utility>

namespace {

constexpr int kStatusTickMs = 100;
constexpr int kFirstConnectDelayMs = 1000;

} // namespace

KnobDiscovery::KnobDiscovery(Links links, std::shared_ptr<DeviceWorkers> workers, Clock &clock,
                             QObject *parent)
    : QObject(parent), m_links(std::move(links)), m_workers(std::move(workers)),
      m_statusTimer(clock.makeTimer(Clock::Repeat::Every, [this] { tick(); })),
      m_firstScanTimer(clock.makeTimer(Clock::Repeat::Once, [this] { connectNow(); }))
{
    m_udev = new UdevMonitor(this);
    connect(m_udev, &UdevMonitor::knobDeviceChanged, this, &KnobDiscovery::knobDeviceChanged);
}

KnobDiscovery::~KnobDiscovery() = default;

void KnobDiscovery::start()
{
    m_statusTimer->start(kStatusTickMs);
    qDebug().noquote() << "设备状态监控已启动 (100ms检查)";

    qDebug().noquote() << "正在自动检测设备...";
    m_firstScanTimer->start(kFirstConnectDelayMs);
}

void KnobDiscovery::stop()
{
    m_stopped = true;
    m_statusTimer->stop();
    m_firstScanTimer->stop();
}

void KnobDiscovery::connectNow()
{
    if (m_links.connected() || m_scanInFlight || m_stopped)
        return;
    qDebug().noquote() << "尝试自动连接设备...";
    startScan(ScanKind::AutoConnect);
}

void KnobDiscovery::knobDeviceChanged()
{
    if (m_stopped)
        return;
    // A Bluetooth link or run holds no scan off: the cable wins.
    if (m_links.connected() && !m_links.bluetoothUp()) {
        m_links.checkAlive();
        return;
    }
    if (m_scanInFlight) {
        m_rescanAfterScan = true;
        return;
    }
    bool idle = false;
    if (!m_probeWorkerBusy.compare_exchange_strong(idle, true))
        return;
    m_idleProbeTicks = 0;
    m_exclusiveCooldownTicks = 0;
    startScan(ScanKind::StatusTimer);
}

void KnobDiscovery::scanBeforeBluetooth()
{
    m_bluetoothAfterScan = true;
    knobDeviceChanged();
}

void KnobDiscovery::bluetoothLinkChanged(bool up)
{
    m_livenessTicks = 0;
    if (up && m_permissionHint.noteConnected())
        emit permissionHintChanged(false);
}

void KnobDiscovery::linkClosed()
{
    m_scanInFlight = false;
    m_probeWorkerBusy = false;
    m_livenessTicks = 0;
}

void KnobDiscovery::tick()
{
    if (m_scanInFlight || m_stopped)
        return;

    // Over Bluetooth the watch and the write runs notice a lost knob, and a
    // cable found meanwhile takes over.
    if (m_links.connected() && !m_links.bluetoothUp()) {
        // Each probe would be a report sent over the air through BlueZ, at the
        // cost of the knob's battery; BlueZ removes the node when the link
        // drops, which udev announces (or else the device list shows).
        if (m_links.hidrawOverBluetooth() && m_udev->isAvailable())
            return;
        if (++m_livenessTicks >= 10) {
            m_livenessTicks = 0;
            m_links.checkAlive();
        }
        return;
    }
    // Where udev runs it announces a cable; scanning every second would
    // also write probes over the air to Bluetooth nodes that do not answer.
    if (m_links.bluetoothUp() && m_udev->isAvailable())
        return;

    m_livenessTicks = 0;
    if (m_exclusiveCooldownTicks > 0) {
        --m_exclusiveCooldownTicks;
        return;
    }
    bool idle = false;
    if (!m_probeWorkerBusy.compare_exchange_strong(idle, true))
        return;
    if (m_idleProbeTicks++ <= 8) {
        m_probeWorkerBusy = false;
        return;
    }
    m_idleProbeTicks = 0;
    startScan(ScanKind::StatusTimer);
}

void KnobDiscovery::startUdev()
{
    // Plug-ins are seen at once where udev runs; the timer stays as the fallback.
    if (!m_udev->start())
        qDebug().noquote() << "udev 不可用，仅使用定时扫描";
}

void KnobDiscovery::startScan(ScanKind kind)
{
    m_scanInFlight = true;
    const QPointer<KnobDiscovery> self(this);
    const bool logged = kind == ScanKind::AutoConnect;
    const unsigned short vendorId = targetVendorId(m_useDefaultDeviceIds);
    const unsigned short productId = targetProductId(m_useDefaultDeviceIds);
    const QString onlyPath = m_interfacePath;
    const std::shared_ptr<KnobOwnerLock> own = m_links.bluetoothLock();

    const bool started = m_workers->run(
        [logged, vendorId, productId, onlyPath, own](DeviceWorkers &) {
            const HidScanResult result = scanHidInterfaces(vendorId, productId, logged, onlyPath, own);
            // The handle travels inside the posted call; if that call is
            // dropped unrun, the holder closes it.
            return std::make_pair(result, std::make_shared<PendingHidHandle>(result.handle));
        },
        [self, kind](const std::pair<HidScanResult, std::shared_ptr<PendingHidHandle>> &found) {
            if (self)
                self->finishScan(kind, found.first, found.second->take());
        });
    if (!started) {
        m_scanInFlight = false;
        if (kind == ScanKind::StatusTimer)
            m_probeWorkerBusy = false;
    }
}

void KnobDiscovery::finishScan(ScanKind kind, const HidScanResult &result, hid_device *handle)
{
    const bool timerPath = kind == ScanKind::StatusTimer;
    m_scanInFlight = false;
    if (timerPath)
        m_probeWorkerBusy = false;
    if (m_permissionHint.noteScan(result))
        emit permissionHintChanged(m_permissionHint.isVisible());
    m_lastScan = result;
    m_lastScan.handle = nullptr;
    m_lastScan.ownerLock.reset();
    // A plug-in that arrived while this scan was already past its enumeration.
    if (std::exchange(m_rescanAfterScan, false) && !handle)
        QTimer::singleShot(0, this, &KnobDiscovery::knobDeviceChanged);
    if (std::exchange(m_bluetoothAfterScan, false) && !handle && !m_links.connected())
        emit bluetoothRunDue();

    if (!handle) {
        if (timerPath) {
            if (result.exclusive)
                m_exclusiveCooldownTicks = 2;
        } else if (result.exclusive) {
            qDebug().noquote() << "自动连接失败(exclusive)，重试中...";
        } else if (!result.busyPaths.isEmpty()) {
            qDebug().noquote() << "自动连接失败(设备被其他程序占用)";
        } else {
            qDebug().noquote() << "自动连接失败(未找到设备)";
        }
        return;
    }
    m_exclusiveCooldownTicks = 0;
    m_links.found(result, handle, timerPath);
}
