#include "device/KnobSession.h"

#include "device/BluetoothConnector.h"
#include "device/BluetoothTransport.h"
#include "device/BluetoothWatch.h"
#include "device/DemoKnobTransport.h"
#include "device/HidrawTransport.h"
#include "device/KnobOwnerLock.h"
#include "device/KnobPort.h"
#include "device/UdevMonitor.h"
#include "device/blewire.h"
#include "device/configread.h"
#include "device/debugreadback.h"
#include "device/deviceworkers.h"
#include "device/hidscan.h"
#include "device/packetutil.h"
#include "protocol/configdecode.h"
#include "protocol/knobdocument.h"

#include <QDebug>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <hidapi.h>

#include <utility>

namespace {

QString idPairText(bool useDefaultIds)
{
    return QStringLiteral("VID=0x%1 PID=0x%2")
        .arg(hex4(targetVendorId(useDefaultIds)), hex4(targetProductId(useDefaultIds)));
}

constexpr int kStatusTickMs = 100;
constexpr int kFirstConnectDelayMs = 1000;
constexpr int kLightCoalesceMs = 20;
constexpr int kShutdownSaveWaitMs = 4000;
// The exit code noted for a connect run that found no helper to start.
constexpr int kNoHelper = -2;

using ReportWriter = std::function<int(const std::vector<Packet> &)>;

// Every write of an operation goes to the link it started on: once a hidraw
// link is replaced (a replug), nothing more of it reaches the new one.
ReportWriter writerFor(const std::shared_ptr<KnobTransport> &transport, const std::shared_ptr<KnobLink> &link,
                       unsigned long long generation)
{
    if (link)
        return
            [link, generation](const std::vector<Packet> &r) { return link->writeReportsOn(generation, r); };
    return [transport](const std::vector<Packet> &r) { return transport->writeReports(r); };
}

// Writes a whole assignment plan: paced report by report on USB, as one batch
// where the link takes a whole save at once.
AssignmentWriteResult writeDocument(const ReportWriter &write, bool wholeSaveAtOnce,
                                    const KnobDocument &document,
                                    const std::function<void(int, int)> &progress,
                                    const std::shared_ptr<std::atomic<bool>> &stop)
{
    const AssignmentWritePlan plan = planAssignmentWrite(document);
    AssignmentWriteIo io;
    io.progress = progress;
    if (!wholeSaveAtOnce) {
        // A batch goes out whole or not at all; only a paced write stops between keys.
        io.stopRequested = [stop] { return stop->load(); };
        // Every report names its physical key itself, so the compatibility
        // copy follows each report whatever the user has selected meanwhile.
        io.send = [&write](const Packet &packet, int knobKey) {
            return write(buildSendList(packet, knobKey));
        };
        io.pause = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
        return executeAssignmentWrite(plan, io);
    }
    std::vector<Packet> batch;
    io.send = [&batch](const Packet &packet, int knobKey) {
        const std::vector<Packet> list = buildSendList(packet, knobKey);
        batch.insert(batch.end(), list.begin(), list.end());
        return static_cast<int>(packet.size());
    };
    AssignmentWriteResult result = executeAssignmentWrite(plan, io);
    if (result.ok && !batch.empty())
        result.ok = write(batch) > 0;
    return result;
}

// Asks the device list, not the node: a probe written to a Bluetooth node would go over the air.
bool hidNodePresent(const QString &path)
{
    const QByteArray wanted = path.toUtf8();
    hid_device_info *list = hid_enumerate(0, 0);
    bool present = false;
    for (const hid_device_info *i = list; i && !present; i = i->next)
        present = i->path && wanted == i->path;
    hid_free_enumeration(list);
    return present;
}

} // namespace

KnobSession::KnobSession(QObject *parent)
    : QObject(parent), m_usb(std::make_shared<HidrawTransport>()), m_link(m_usb),
      m_workers(std::make_shared<DeviceWorkers>(this)), m_ble(std::make_shared<BluetoothTransport>())
{
    m_udevMonitor = new UdevMonitor(this);
    connect(m_udevMonitor, &UdevMonitor::knobDeviceChanged, this, &KnobSession::onKnobDeviceChanged);
    m_bleConnector = new BluetoothConnector(this);
    connect(m_bleConnector, &BluetoothConnector::messageReceived, this, &KnobSession::onBluetoothMessage);
    connect(m_bleConnector, &BluetoothConnector::runFinished, this,
            [this](const BluetoothConnector::Outcome &o) {
                onBluetoothRunFinished(o.packets, o.connectedInRun, o.querySent, o.online);
                if (!m_connected) {
                    noteBluetoothRunFailed(o.exitCode, o.error);
                } else if (m_bluetoothConnected) {
                    m_quietBluetoothState.clear();
                    m_bleConnector->setQuiet(false);
                }
            });
    m_bleWatch = new BluetoothWatch(this);
    connect(m_bleWatch, &BluetoothWatch::connectWanted, this, &KnobSession::tryAutoConnectBluetooth);
    connect(m_bleWatch, &BluetoothWatch::batteryChanged, this, [this](const QString &address, int percent) {
        if (percent >= 0)
            m_batteryLevels.insert(address, percent);
        else
            m_batteryLevels.remove(address);
        updateBatteryLevel();
    });
    connect(this, &KnobSession::connectionChanged, this, &KnobSession::updateBatteryLevel);
    connect(m_bleWatch, &BluetoothWatch::knobGone, this, [this](const QString &address) {
        if (m_bluetoothConnected && address.compare(m_ble->address(), Qt::CaseInsensitive) == 0) {
            qDebug().noquote() << "蓝牙旋钮已断开";
            disconnect();
        }
    });
    m_lightSendTimer = new QTimer(this);
    m_lightSendTimer->setSingleShot(true);
    m_lightSendTimer->setInterval(kLightCoalesceMs);
    connect(m_lightSendTimer, &QTimer::timeout, this, &KnobSession::flushPendingLighting);
}

KnobSession::~KnobSession()
{
    shutdown();
}

void KnobSession::start()
{
    if (m_started || m_shutDown)
        return;
    m_started = true;
    if (hid_init() == 0)
        qDebug().noquote() << "hidapi 初始化成功";
    else
        qDebug().noquote() << "错误: hidapi 初始化失败";
    qDebug().noquote() << QStringLiteral("目标设备: VID=0x%1 PID=0x%2")
                              .arg(hex4(targetVendorId(true)), hex4(targetProductId(true)));

    m_statusTimer = new QTimer(this);
    connect(m_statusTimer, &QTimer::timeout, this, &KnobSession::checkDeviceStatus);
    m_statusTimer->start(kStatusTickMs);
    qDebug().noquote() << "设备状态监控已启动 (100ms检查)";

    qDebug().noquote() << "正在自动检测设备...";
    QTimer::singleShot(kFirstConnectDelayMs, this, [this] { connectNow(); });

    m_bleWatch->start();

    // Plug-ins are seen at once where udev runs; the timer stays as the fallback.
    if (!m_udevMonitor->start())
        qDebug().noquote() << "udev 不可用，仅使用定时扫描";
}

void KnobSession::startDemo()
{
    if (m_started || m_shutDown || m_demo)
        return;
    m_demo = true;
    m_link = std::make_shared<DemoKnobTransport>();
    m_connected = true;
    qDebug().noquote() << "演示模式: 使用内置的模拟旋钮";
    emit connectionChanged(true);
    readConfiguration();
}

void KnobSession::onKnobDeviceChanged()
{
    if (m_shutDown || m_demo)
        return;
    // A Bluetooth link or run holds no scan off: the cable wins.
    if (m_connected && !m_bluetoothConnected) {
        checkConnectedDeviceAlive();
        return;
    }
    if (m_deviceProbeInFlight) {
        m_rescanAfterScan = true;
        return;
    }
    bool idle = false;
    if (!m_probeWorkerBusy.compare_exchange_strong(idle, true))
        return;
    m_idleProbeTicks = 0;
    m_exclusiveCooldownTicks = 0;
    startInterfaceScan(ScanKind::StatusTimer);
}

void KnobSession::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_deferredSave.reset();
    if (m_statusTimer)
        m_statusTimer->stop();
    m_lightSendTimer->stop();
    m_bleWatch->stop();
    m_bleConnector->stop();
    // From here on no worker posts to this session, and nobody hears from it.
    m_workers->beginShutdown();
    blockSignals(true);
    // A save gets a few seconds to finish; past them it ends after the key it
    // is on. Only then does the link close, so the knob never keeps a key's
    // report without its end packet.
    if (m_saveRunning && m_stopSave && !m_workers->waitForAll(kShutdownSaveWaitMs)) {
        qWarning().noquote() << "保存未在退出前完成，写完当前按键后停止";
        m_stopSave->store(true);
        // A key takes well under this; a knob slower still is cut off.
        m_workers->waitForAll(kShutdownSaveWaitMs);
    }
    disconnect();
    // Workers use the library (and the transport's mutex) until they return;
    // closing the link above makes a running reader stop at its next check.
    // Results nobody will install are dropped there, closing their handles.
    m_workers->waitForAll();
    if (m_started)
        hid_exit();
}

std::shared_ptr<KnobTransport> KnobSession::activeTransport() const
{
    if (!m_connected)
        return nullptr;
    if (m_bluetoothConnected)
        return m_ble;
    return m_link;
}

// ---- Finding the device --------------------------------------------------------------

void KnobSession::connectNow()
{
    if (m_connected || m_deviceProbeInFlight || m_shutDown || m_demo)
        return;
    qDebug().noquote() << "尝试自动连接设备...";
    startInterfaceScan(ScanKind::AutoConnect);
}

void KnobSession::switchDeviceIds()
{
    if (m_connected)
        return;
    m_useDefaultDeviceIds = !m_useDefaultDeviceIds;
    const QString pair = idPairText(m_useDefaultDeviceIds);
    qDebug().noquote() << QStringLiteral("VID/PID 已切换为: ") + pair;
    emit deviceIdsSwitched(pair);
    connectNow();
}

void KnobSession::startInterfaceScan(ScanKind kind)
{
    m_deviceProbeInFlight = true;
    const QPointer<KnobSession> self(this);
    const bool logged = kind == ScanKind::AutoConnect;
    const unsigned short vendorId = targetVendorId(m_useDefaultDeviceIds);
    const unsigned short productId = targetProductId(m_useDefaultDeviceIds);
    const QString onlyPath = m_interfacePath;
    const std::shared_ptr<KnobOwnerLock> own = m_bleLock;

    const bool started = m_workers->run(
        [logged, vendorId, productId, onlyPath, own](DeviceWorkers &) {
            const HidScanResult result = scanHidInterfaces(vendorId, productId, logged, onlyPath, own);
            // The handle travels inside the posted call; if that call is
            // dropped unrun, the holder closes it.
            return std::make_pair(result, std::make_shared<PendingHidHandle>(result.handle));
        },
        [self, kind](const std::pair<HidScanResult, std::shared_ptr<PendingHidHandle>> &found) {
            if (self)
                self->installScanResult(kind, found.first, found.second->take());
        });
    if (!started) {
        m_deviceProbeInFlight = false;
        if (kind == ScanKind::StatusTimer)
            m_probeWorkerBusy = false;
    }
}

void KnobSession::installScanResult(ScanKind kind, const HidScanResult &result, hid_device *handle)
{
    const bool timerPath = kind == ScanKind::StatusTimer;
    m_deviceProbeInFlight = false;
    if (timerPath)
        m_probeWorkerBusy = false;
    if (m_permissionHint.noteScan(result))
        emit permissionHintChanged(m_permissionHint.isVisible());
    m_lastScan = result;
    m_lastScan.handle = nullptr;
    m_lastScan.ownerLock.reset();
    // A plug-in that arrived while this scan was already past its enumeration.
    if (std::exchange(m_rescanAfterScan, false) && !handle)
        QTimer::singleShot(0, this, &KnobSession::onKnobDeviceChanged);
    if (std::exchange(m_bluetoothAfterScan, false) && !handle && !m_connected)
        startDirectBluetoothConnect();

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

    if (m_usb->isUp()) {
        hid_close(handle);
        return;
    }
    if (m_bluetoothConnected)
        qDebug().noquote() << "HID 接口可用，替换蓝牙助手连接";
    // A connect run still reading over the air is not waited for.
    m_bleConnector->stop();
    m_ble->setConnectRunActive(false);

    m_usb->install(handle, result.ownerLock);
    m_hidrawOverBluetooth = result.bluetooth;
    // The lock's identity: a knob reached by cable and by Bluetooth is one knob.
    m_usbKnob = result.knob.isEmpty() ? QStringLiteral("path %1").arg(result.path) : result.knob;
    m_connected = true;
    m_bluetoothConnected = false;
    clearBluetoothIdentity();
    m_exclusiveCooldownTicks = 0;

    m_bleWatch->setLinkUp(true);
    const QString where = QStringLiteral("path=%1 usagePage=0x%2 usage=0x%3 interface=%4%5")
                              .arg(result.path, hex4(result.usagePage), hex4(result.usage),
                                   QString::number(result.interfaceNumber),
                                   result.bluetooth ? QStringLiteral(" (蓝牙 hidraw)") : QString());
    if (timerPath) {
        qDebug().noquote() << QStringLiteral("[timer] 连接成功: ") + where;
        if (!result.manufacturer.isEmpty())
            qDebug() << "  制造商:" << result.manufacturer;
        if (!result.product.isEmpty())
            qDebug() << "  产品名:" << result.product;
    } else {
        qDebug().noquote() << QStringLiteral("已选择可写接口: ") + where;
        if (!result.manufacturer.isEmpty())
            qDebug().noquote() << QStringLiteral("  制造商: %1").arg(result.manufacturer);
        if (!result.product.isEmpty())
            qDebug().noquote() << QStringLiteral("  产品名: %1").arg(result.product);
    }

    emit connectionChanged(true);
    if (!timerPath)
        qDebug().noquote() << "✓ 设备自动连接成功";

    const QPointer<KnobSession> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self && self->m_connected && self->m_link->isUp())
            self->readConfiguration();
    });
}

void KnobSession::disconnect()
{
    // A link that was up and is lost starts a new streak of reported failures.
    if (m_connected)
        m_bluetoothFailureReported = false;
    m_link->close();
    m_connected = false;
    m_hidrawOverBluetooth = false;
    m_bluetoothConnected = false;
    clearBluetoothIdentity();
    m_deviceProbeInFlight = false;
    m_configReadInProgress = false;
    m_readPending = false;
    m_probeWorkerBusy = false;
    m_livenessTicks = 0;
    if (!m_shutDown)
        m_bleWatch->setLinkUp(false);
    emit connectionChanged(false);
    qDebug().noquote() << "[disconnect] 设备已断开，m_device 已置空";
}

void KnobSession::clearBluetoothIdentity()
{
    m_bleConnector->clearIdentity();
    m_bleLock.reset();
    m_ble->setAddress(QString());
    m_ble->setUp(false);
}

void KnobSession::setBluetoothHelperDirectory(const QString &directory)
{
    m_bleConnector->setHelperDirectory(directory);
    m_bleWatch->setHelperDirectory(directory);
    m_ble->setHelperDirectory(directory);
}

bool KnobSession::isBluetoothConnectRunning() const
{
    return m_bleConnector->isRunning() || m_bluetoothAfterScan;
}

QString KnobSession::knobIdentity() const
{
    if (!m_connected)
        return QString();
    if (m_demo)
        return QStringLiteral("demo");
    if (m_bluetoothConnected)
        return KnobOwnerLock::addressIdentity(m_ble->address());
    return m_usbKnob;
}

bool KnobSession::hasRunningWorkers() const
{
    return m_workers->running() > 0;
}

// ---- Bluetooth ----------------------------------------------------------------------

void KnobSession::tryAutoConnectBluetooth()
{
    if (m_shutDown || m_demo)
        return;
    if (m_connected || m_bleConnector->isRunning() || m_bleConnector->isProcessRunning() ||
        m_bluetoothAfterScan)
        return;
    // The kernel's hidraw node of a paired knob goes before the helper: the
    // run starts only when a scan finds no node that answers.
    m_bluetoothAfterScan = true;
    onKnobDeviceChanged();
}

void KnobSession::startDirectBluetoothConnect()
{
    // The labels go blank while the run reads the configuration.
    emit configReadStarted();
    m_ble->setConnectRunActive(true);
    if (m_bleConnector->startRun())
        return;
    m_ble->setConnectRunActive(false);
    noteBluetoothRunFailed(kNoHelper, QStringLiteral("未找到蓝牙连接程序"));
}

void KnobSession::setBluetoothLinkUp(bool up)
{
    if (up == (m_connected && m_bluetoothConnected))
        return;
    if (up && !holdBluetoothKnob())
        return;
    m_connected = up;
    m_bluetoothConnected = up;
    m_livenessTicks = 0;
    if (up) {
        if (m_permissionHint.noteConnected())
            emit permissionHintChanged(false);
        m_ble->setAddress(m_bleConnector->address());
        m_ble->setUp(true);
        qDebug().noquote() << QStringLiteral("已通过蓝牙助手连接: %1").arg(m_bleConnector->address());
    } else {
        m_ble->setUp(false);
        m_bleLock.reset();
        m_bluetoothFailureReported = false;
    }
    m_bleWatch->setLinkUp(up);
    emit connectionChanged(up);
}

bool KnobSession::holdBluetoothKnob()
{
    // Named only once the helper has found the device; taken then.
    const QString address = m_bleConnector->address();
    if (address.isEmpty())
        return true;
    const QString knob = KnobOwnerLock::addressIdentity(address);
    if (m_bleLock && m_bleLock->knob() == knob)
        return true;
    KnobHolder holder;
    m_bleLock = KnobOwnerLock::tryTake(knob, {}, &holder);
    if (m_bleLock)
        return true;
    qWarning().noquote()
        << QStringLiteral("[蓝牙] 设备 %1 正被 %2 使用，不经蓝牙助手连接").arg(address, holder.describe());
    reportBluetoothFailure(QStringLiteral("设备正被 %1 使用").arg(holder.describe()));
    return false;
}

void KnobSession::onBluetoothMessage(const BleHelperMessage &message)
{
    const bool usbUp = m_connected && !m_bluetoothConnected;
    const bool running = m_bleConnector->isRunning();
    switch (message.type) {
    case BleHelperMessage::Type::Connected:
        if (running)
            return;
        if (usbUp)
            clearBluetoothIdentity();
        else
            setBluetoothLinkUp(true);
        return;
    case BleHelperMessage::Type::HardwareProbe:
        if (message.online && running && !usbUp)
            setBluetoothLinkUp(true);
        return;
    case BleHelperMessage::Type::SessionDisconnected:
        if (running && m_bleConnector->runPacketCount() == 0 && m_bluetoothConnected)
            setBluetoothLinkUp(false);
        return;
    default:
        return;
    }
}

void KnobSession::onBluetoothRunFinished(const std::vector<Packet> &packets, bool connectedInRun,
                                         bool querySent, bool online)
{
    m_ble->setConnectRunActive(false);
    const bool usbUp = m_connected && !m_bluetoothConnected;
    if (!packets.empty()) {
        if (usbUp) {
            clearBluetoothIdentity();
            return;
        }
        setBluetoothLinkUp(true);
        // The link may have come up (hardware probe) before the helper named the device.
        m_ble->setAddress(m_bleConnector->address());
        if (!m_bluetoothConnected || !holdBluetoothKnob()) {
            setBluetoothLinkUp(false);
            clearBluetoothIdentity();
            return;
        }
        for (const Packet &packet : sortConfigPacketsForApply(packets))
            emit configPacketRead(packet);
        emit configReadFinished(true, true);
        m_bleConnector->logTiming("ui_config_applied");
        emit bluetoothConnected();
        return;
    }
    if (connectedInRun && querySent) {
        if (usbUp)
            return;
        setBluetoothLinkUp(online);
        if (!online) {
            clearBluetoothIdentity();
        }
        return;
    }
}

void KnobSession::noteBluetoothRunFailed(int exitCode, const QString &error)
{
    const QString state = QStringLiteral("%1 %2").arg(exitCode).arg(error);
    const bool changed = state != m_quietBluetoothState;
    m_quietBluetoothState = state;
    const bool showNow = m_bleWatch->noteRunFinished(state, exitCode);
    // Runs that keep ending the same way are logged once.
    m_bleConnector->setQuiet(!changed || isBleNoKnobExit(exitCode));
    if (isBleNoKnobExit(exitCode) || exitCode == kNoHelper) {
        if (changed)
            qDebug().noquote() << QStringLiteral("蓝牙: %1").arg(error.isEmpty() ? state : error);
        return;
    }
    if (!showNow) {
        qDebug().noquote() << QStringLiteral("蓝牙连接失败，稍后重试: %1").arg(error);
        return;
    }
    if (changed || !m_bluetoothFailureReported)
        reportBluetoothFailure(error.isEmpty() ? QStringLiteral("未收到设备配置") : error);
}

bool KnobSession::isOverBluetooth() const
{
    return m_connected && (m_bluetoothConnected || m_hidrawOverBluetooth);
}

int KnobSession::batteryLevel() const
{
    if (!isOverBluetooth())
        return -1;
    // Over hidraw the node does not name the knob's address: the knob BlueZ
    // reports is the one.
    if (m_bluetoothConnected)
        return m_batteryLevels.value(m_ble->address(), -1);
    return m_batteryLevels.isEmpty() ? -1 : m_batteryLevels.first();
}

void KnobSession::updateBatteryLevel()
{
    const int level = batteryLevel();
    if (level == m_shownBatteryLevel)
        return;
    m_shownBatteryLevel = level;
    emit batteryLevelChanged(level);
}

void KnobSession::checkBluetoothLinkLost()
{
    if (m_ble->takeLinkLost() && m_bluetoothConnected) {
        qDebug().noquote() << "蓝牙写入发现设备已断开";
        disconnect();
    }
}

void KnobSession::reportBluetoothFailure(const QString &reason)
{
    qDebug().noquote() << QStringLiteral("蓝牙自动连接失败: %1").arg(reason);
    // An unplugged knob must not raise a red toast every three seconds, and
    // none is due while the cable or another link is up.
    if (m_bluetoothFailureReported || m_connected)
        return;
    m_bluetoothFailureReported = true;
    emit bluetoothConnectFailed(reason);
}

// ---- Presence ----------------------------------------------------------------------

void KnobSession::checkDeviceStatus()
{
    if (m_deviceProbeInFlight || m_shutDown)
        return;

    // Over Bluetooth the watch and the write runs notice a lost knob, and a
    // cable found meanwhile takes over.
    if (m_connected && !m_bluetoothConnected) {
        // Each probe would be a report sent over the air through BlueZ, at the
        // cost of the knob's battery; BlueZ removes the node when the link
        // drops, which udev announces (or else the device list shows).
        if (m_hidrawOverBluetooth && m_udevMonitor->isAvailable())
            return;
        if (++m_livenessTicks >= 10) {
            m_livenessTicks = 0;
            checkConnectedDeviceAlive();
        }
        return;
    }
    // Where udev runs it announces a cable; scanning every second would
    // also write probes over the air to Bluetooth nodes that do not answer.
    if (m_bluetoothConnected && m_udevMonitor->isAvailable())
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
    startInterfaceScan(ScanKind::StatusTimer);
}

void KnobSession::checkConnectedDeviceAlive()
{
    // The probe is the same report as the assignment-end packet: written in
    // the middle of a save it would end a physical key's write early on the
    // device. A save's own writes notice an unplug, so none is needed then.
    if (!m_connected || m_configReadInProgress || m_saveRunning || m_bluetoothConnected || !m_ops.isIdle())
        return;
    if (m_hidrawOverBluetooth) {
        // An enumeration walks sysfs: off the UI thread, one at a time. A
        // change announced meanwhile asks again once the running one is back.
        if (m_nodeCheckRunning) {
            m_nodeCheckAgain = true;
            return;
        }
        const unsigned long long generation = m_link->generation();
        const QPointer<KnobSession> self(this);
        m_nodeCheckRunning =
            m_workers->run([path = m_lastScan.path](DeviceWorkers &) { return hidNodePresent(path); },
                           [self, generation](bool present) {
                               if (!self)
                                   return;
                               self->m_nodeCheckRunning = false;
                               const bool again = std::exchange(self->m_nodeCheckAgain, false);
                               if (!self->m_connected || self->m_link->generation() != generation)
                                   return;
                               if (present) {
                                   if (again)
                                       self->checkConnectedDeviceAlive();
                                   return;
                               }
                               qDebug().noquote() << "[liveness] 蓝牙 hidraw 节点已移除，判定断开";
                               self->disconnect();
                           });
        return;
    }

    const unsigned long long generation = m_link->generation();
    const HidPacket probe = probeReport();
    bool alive = false;
    QString error;
    const bool current = m_link->withPort(generation, [&](KnobPort &port) {
        alive = port.write(probe.data(), probe.size()) >= 0;
        if (!alive)
            error = port.errorText();
    });
    if (alive)
        return;
    if (current)
        qWarning().noquote() << "[liveness] 句柄写探测失败，判定断开:" << error;
    disconnect();
}

// ---- Sending -----------------------------------------------------------------------

bool KnobSession::sendRawReport(const Packet &packet, int knobKey)
{
    const std::shared_ptr<KnobTransport> transport = activeTransport();
    if (!transport || m_configReadInProgress || m_saveRunning || m_bleConnector->isRunning() ||
        m_ops.mayStart() != KnobOperations::Busy::No)
        return false;
    // Over Bluetooth the helper run that writes the report has ended before
    // anything could be read back.
    const bool listen = !m_bluetoothConnected;
    const std::shared_ptr<KnobLink> usb = m_link;
    const unsigned long long generation = usb->generation();
    const ReportWriter write = writerFor(transport, transport == m_link ? m_link : nullptr, generation);
    const std::vector<Packet> reports = buildSendList(packet, knobKey);
    // A read request typed by hand is given as long as the configuration
    // read gives the knob for its first answer.
    DebugReadBackLimits limits;
    if (packet.size() > 1 && packet[1] == 0xFF)
        limits.firstReportWaitMs = configReadFirstAnswerMs();
    const unsigned ticket = m_ops.begin(KnobOperations::Kind::RawSend);
    const QPointer<KnobSession> self(this);
    const bool started = m_workers->run(
        [self, transport, write, listen, usb, generation, reports, limits](DeviceWorkers &workers) {
            // What an earlier send left unread is not an answer to this one.
            if (listen)
                usb->withPort(generation, [](KnobPort &port) { drainPendingInput(port); });
            // Over Bluetooth the write alone is a helper run of seconds.
            const int written = transport->isUp() ? write(reports) : -1;
            const bool answersFollow = listen && written > 0;
            workers.post([self, written, answersFollow] {
                if (self)
                    emit self->rawReportWritten(written, answersFollow);
            });
            if (!answersFollow)
                return std::make_pair(false, DebugReadBackResult());
            int number = 0;
            const DebugReadBackResult result = readDebugResponses(
                *usb, generation, [&workers] { return !workers.shuttingDown(); },
                [&](const Packet &report) {
                    const int n = ++number;
                    // An answer read just before a replug belongs to a link that is gone.
                    workers.post([self, usb, generation, n, report] {
                        if (self && usb->generation() == generation)
                            emit self->rawReportAnswer(n, report);
                    });
                },
                limits);
            return std::make_pair(true, result);
        },
        [self, ticket](const std::pair<bool, DebugReadBackResult> &end) {
            if (!self)
                return;
            self->m_ops.end(ticket);
            if (end.first)
                emit self->rawReadBackFinished(end.second);
            self->startNextOperation();
        });
    if (!started)
        m_ops.end(ticket);
    return started;
}

void KnobSession::startNextOperation()
{
    if (m_shutDown || !m_ops.isIdle())
        return;
    if (m_deferredSave) {
        const std::unique_ptr<KnobDocument> document = std::move(m_deferredSave);
        startSaveWorker(*document);
        return;
    }
    if (std::exchange(m_readPending, false)) {
        readConfiguration();
        if (!m_ops.isIdle())
            return;
    }
    if (m_lightSendPending) {
        m_lightSendPending = false;
        flushPendingLighting();
    }
}

// ---- Configuration read --------------------------------------------------------------

void KnobSession::readConfiguration()
{
    if (!m_connected || m_configReadInProgress || !m_link->isUp())
        return;
    if (!m_ops.isIdle()) {
        m_readPending = true;
        return;
    }
    const unsigned ticket = m_ops.begin(KnobOperations::Kind::Read);
    m_configReadInProgress = true;
    emit configReadStarted();

    const std::shared_ptr<KnobLink> usb = m_link;
    const unsigned long long generation = usb->generation();
    const QPointer<KnobSession> self(this);

    const bool started = m_workers->run(
        [self, usb, generation](DeviceWorkers &workers) {
            return readDeviceConfiguration(*usb, generation, [&](const Packet &packet) {
                // Posted calls run in order, so every packet arrives before the completion.
                workers.post([self, usb, generation, packet] {
                    if (self && self->m_connected && usb->generation() == generation)
                        emit self->configPacketRead(packet);
                });
            });
        },
        [self, generation, ticket](const ConfigReadOutcome &outcome) {
            if (!self)
                return;
            self->m_ops.end(ticket);
            self->finishConfigRead(generation, outcome);
            self->startNextOperation();
        });
    if (!started) {
        m_ops.end(ticket);
        m_configReadInProgress = false;
        qDebug().noquote() << "后台读取配置失败，保留当前UI状态";
    }
}

void KnobSession::finishConfigRead(unsigned long long generation, const ConfigReadOutcome &outcome)
{
    // A result of a link that has gone (or been replaced) changes nothing.
    if (!m_connected || !m_link->isUp() || m_link->generation() != generation)
        return;
    m_configReadInProgress = false;
    if (outcome.linkLost) {
        // What was read belongs to a device that is gone: no read success.
        disconnect();
        return;
    }
    if (!outcome.ok)
        qDebug().noquote() << "后台读取配置失败，保留当前UI状态";
    else if (!outcome.receivedAny)
        qDebug().noquote() << "2秒内未收到配置包，保持当前UI状态";
    else
        qDebug().noquote() << "后台配置读取结束";
    emit configReadFinished(outcome.ok, outcome.receivedAny);
}

// ---- Save --------------------------------------------------------------------------

void KnobSession::stopSaveAfterCurrentKey()
{
    if (!m_saveRunning)
        return;
    if (m_deferredSave) {
        // Nothing of it went out yet: it ends before its first key.
        m_deferredSave.reset();
        QTimer::singleShot(0, this, [this] { finishSave(false, false, {}, KnobDocument(), false); });
        return;
    }
    if (m_stopSave)
        m_stopSave->store(true);
}

bool KnobSession::save(const KnobDocument &document)
{
    // Two writes must never interleave their packets on the device.
    if (m_saveRunning)
        return false;
    m_saveRunning = true;
    if (!m_ops.isIdle()) {
        // A colour packet on its way could land between the first key's
        // report and its end packet, and a read would take the read-back's
        // answers for its own: the save starts once the link is free.
        m_deferredSave = std::make_unique<KnobDocument>(document);
        return true;
    }
    startSaveWorker(document);
    return true;
}

void KnobSession::startSaveWorker(const KnobDocument &document)
{
    const std::shared_ptr<KnobTransport> transport = activeTransport();
    if (!transport) {
        // Reported like any failed save, after the caller has shown its
        // "saving" state.
        QTimer::singleShot(0, this, [this, document] { finishSave(false, false, {}, document, true); });
        return;
    }
    // Only a hidraw link can be asked what it holds without a connect run.
    const std::shared_ptr<KnobLink> usb = transport == m_link ? m_link : nullptr;
    const unsigned long long generation = m_link->generation();
    const ReportWriter write = writerFor(transport, usb, generation);
    const bool wholeSaveAtOnce = transport->writesWholeSaveAtOnce();
    const unsigned ticket = m_ops.begin(KnobOperations::Kind::Save);
    const QPointer<KnobSession> self(this);
    auto stop = std::make_shared<std::atomic<bool>>(false);
    m_stopSave = stop;
    struct SaveResult
    {
        bool ok = false;
        bool readBack = false;
        std::vector<Packet> packets;
    };
    const bool started = m_workers->run(
        [self, transport, write, wholeSaveAtOnce, usb, generation, document, stop](DeviceWorkers &workers) {
            const auto progress = [&workers, self](int done, int total) {
                workers.post([self, done, total] {
                    if (self)
                        emit self->saveProgress(done, total);
                });
            };
            SaveResult r;
            r.ok = transport->isUp() && writeDocument(write, wholeSaveAtOnce, document, progress, stop).ok;
            if (r.ok && usb && !stop->load()) {
                const ConfigReadOutcome outcome = readDeviceConfiguration(
                    *usb, generation, [&r](const Packet &p) { r.packets.push_back(p); });
                r.readBack = outcome.ok && outcome.receivedAny;
            }
            return r;
        },
        [self, document, ticket, verifiable = usb != nullptr](const SaveResult &r) {
            if (!self)
                return;
            self->m_ops.end(ticket);
            self->finishSave(r.ok, r.readBack, r.packets, document, verifiable);
        });
    if (!started) {
        m_ops.end(ticket);
        qCritical().noquote() << "保存线程启动失败";
        QTimer::singleShot(0, this, [this, document] { finishSave(false, false, {}, document, true); });
    }
}

void KnobSession::finishSave(bool written, bool readBack, const std::vector<Packet> &packets,
                             const KnobDocument &document, bool verifiable)
{
    m_saveRunning = false;
    SaveOutcome outcome;
    outcome.written = written;
    outcome.verifiable = verifiable;
    outcome.readBack = readBack;
    outcome.packets = packets;
    for (int k = 1; k <= kKnobKeyCount; ++k) {
        if (document.keys[k - 1].isEmpty())
            outcome.unwrittenKeys << k;
    }
    if (readBack) {
        outcome.readBackDocument = decodeConfiguration(packets, document.isMacLayout);
        // The light goes out on its own, not with a save.
        KnobDocument written = document;
        written.light.reset();
        outcome.check = compareReadBack(written, outcome.readBackDocument);
        if (!outcome.check.matches())
            qDebug().noquote() << "保存后读回的配置与写入不一致:" << outcome.check.differingKeys;
    }
    checkBluetoothLinkLost();
    emit saveChecked(outcome);
    emit saveFinished(written);
    startNextOperation();
}

// ---- Lighting ----------------------------------------------------------------------

void KnobSession::queueLighting(const LightSettings &light)
{
    m_pendingLight = light;

    if (!m_connected) {
        qDebug().noquote() << "设备未连接，无法发送灯光命令";
        return;
    }
    if (!m_ops.isIdle() || m_saveRunning) {
        m_lightSendPending = true;
        return;
    }
    // A drag restarts the timer with every step, so only its last values go out.
    m_lightSendTimer->start();
}

void KnobSession::flushPendingLighting()
{
    // A colour packet between a key's reports and its end packet would cut
    // that key's write short on the device: a change made during a save (or
    // any other use of the link) waits for its end, and only the newest
    // state goes out then.
    if (!m_ops.isIdle() || m_saveRunning) {
        m_lightSendPending = true;
        return;
    }
    const std::shared_ptr<KnobTransport> transport = activeTransport();
    if (!transport)
        return;

    const LightSettings light = m_pendingLight;
    const ReportWriter write =
        writerFor(transport, transport == m_link ? m_link : nullptr, m_link->generation());
    const unsigned ticket = m_ops.begin(KnobOperations::Kind::Lighting);
    m_lightSendPending = false;

    const QPointer<KnobSession> self(this);
    const bool started = m_workers->run(
        [transport, write, light](DeviceWorkers &) {
            qDebug().noquote() << QStringLiteral("发送灯光设置: Color=%1 Brightness=%2 ON=%3")
                                      .arg(light.colorName())
                                      .arg(light.brightness)
                                      .arg(light.on ? QStringLiteral("true") : QStringLiteral("false"));
            const Packet packet = light.packet();
            // Command code 0x00: no compatibility copy, whatever key is selected.
            return transport->isUp() && write(buildSendList(packet, 0)) > 0;
        },
        [self, ticket](bool ok) {
            if (!self)
                return;
            self->m_ops.end(ticket);
            self->finishLightSend(ok);
        });
    if (!started) {
        m_ops.end(ticket);
        finishLightSend(false);
    }
}

void KnobSession::finishLightSend(bool ok)
{
    checkBluetoothLinkLost();
    ++m_lightSendsCompleted;
    if (!ok) {
        qDebug().noquote() << "灯光命令发送失败";
        if (m_connected)
            emit lightingSendFailed();
    }
    // A save that waited goes first; what changed while this send was out
    // goes next, without another wait.
    startNextOperation();
}
