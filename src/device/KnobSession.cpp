#include "device/KnobSession.h"

#include "device/BluetoothLink.h"
#include "device/Clock.h"
#include "device/DemoKnobLink.h"
#include "device/HidrawLink.h"
#include "device/KnobDiscovery.h"
#include "device/KnobOwnerLock.h"
#include "device/KnobPort.h"
#include "device/blewire.h"
#include "device/configread.h"
#include "device/deviceworkers.h"
#include "device/hidscan.h"
#include "device/packetutil.h"
#include "protocol/knobdocument.h"

#include <QDebug>
#include <QPointer>
#include <QTimer>

#include <hidapi.h>

#include <utility>

namespace {

QString idPairText(bool useDefaultIds)
{
    return QStringLiteral("VID=0x%1 PID=0x%2")
        .arg(hex4(targetVendorId(useDefaultIds)), hex4(targetProductId(useDefaultIds)));
}

constexpr int kShutdownSaveWaitMs = 4000;

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

KnobSession::KnobSession(QObject *parent) : KnobSession(Clock::system(), parent) {}

KnobSession::KnobSession(std::shared_ptr<Clock> clock, QObject *parent)
    : QObject(parent), m_usb(std::make_shared<HidrawLink>()), m_link(m_usb),
      m_workers(std::make_shared<DeviceWorkers>(this)), m_clock(std::move(clock))
{
    m_bt = new BluetoothLink([this] { return m_connected && !m_bt->isUp(); }, this);
    connect(m_bt, &BluetoothLink::connectWanted, this, &KnobSession::tryAutoConnectBluetooth);
    connect(m_bt, &BluetoothLink::batteryLevelsChanged, this, &KnobSession::updateBatteryLevel);
    connect(this, &KnobSession::connectionChanged, this, &KnobSession::updateBatteryLevel);
    connect(m_bt, &BluetoothLink::lost, this, &KnobSession::disconnect);
    connect(m_bt, &BluetoothLink::connectFailed, this, &KnobSession::bluetoothConnectFailed);
    connect(m_bt, &BluetoothLink::knobConnected, this, &KnobSession::bluetoothConnected);
    connect(m_bt, &BluetoothLink::linkChanged, this, [this](bool up) {
        m_link = up ? m_bt->link() : m_usb;
        m_connected = up;
        m_discovery->bluetoothLinkChanged(up);
        emit connectionChanged(up);
    });
    KnobOperations::Link link;
    link.current = [this] { return m_connected ? m_link : nullptr; };
    link.bluetoothRunGoing = [this] { return m_bt->isRunning() || m_discovery->bluetoothRunWaiting(); };
    link.lost = [this] { disconnect(); };
    link.written = [this] { m_bt->checkWriteLost(); };
    m_ops = std::make_unique<KnobOperations>(link, m_workers, *m_clock);
    connect(m_ops.get(), &KnobOperations::configReadStarted, this, &KnobSession::configReadStarted);
    connect(m_ops.get(), &KnobOperations::configPacketRead, this, &KnobSession::configPacketRead);
    connect(m_ops.get(), &KnobOperations::configurationRead, this, &KnobSession::configurationRead);
    connect(m_ops.get(), &KnobOperations::configReadFinished, this, &KnobSession::configReadFinished);
    connect(m_ops.get(), &KnobOperations::saveProgress, this, &KnobSession::saveProgress);
    connect(m_ops.get(), &KnobOperations::saveChecked, this, &KnobSession::saveChecked);
    connect(m_ops.get(), &KnobOperations::saveFinished, this, &KnobSession::saveFinished);
    connect(m_ops.get(), &KnobOperations::lightingSendFailed, this, &KnobSession::lightingSendFailed);
    connect(m_ops.get(), &KnobOperations::lightSendFinished, this, &KnobSession::lightSendFinished);
    connect(m_ops.get(), &KnobOperations::rawReportWritten, this, &KnobSession::rawReportWritten);
    connect(m_ops.get(), &KnobOperations::rawReportAnswer, this, &KnobSession::rawReportAnswer);
    connect(m_ops.get(), &KnobOperations::rawReadBackFinished, this, &KnobSession::rawReadBackFinished);
    connect(m_bt, &BluetoothLink::configurationArrived, m_ops.get(), &KnobOperations::readConnectAnswers);

    KnobDiscovery::Links links;
    links.connected = [this] { return m_connected.load(); };
    links.bluetoothUp = [this] { return m_bt->isUp(); };
    links.hidrawOverBluetooth = [this] { return m_usb->overBluetooth(); };
    links.bluetoothLock = [this] { return m_bt->ownerLock(); };
    links.checkAlive = [this] { checkConnectedDeviceAlive(); };
    links.found = [this](const HidScanResult &r, hid_device *handle, bool fromTimer) {
        installLink(r, handle, fromTimer);
    };
    m_discovery = new KnobDiscovery(links, m_workers, *m_clock, this);
    connect(m_discovery, &KnobDiscovery::bluetoothRunDue, this, &KnobSession::startDirectBluetoothConnect);
    connect(m_discovery, &KnobDiscovery::permissionHintChanged, this, &KnobSession::permissionHintChanged);
}

KnobSession::~KnobSession()
{
    shutdown();
    // Its timers go before the clock they run on, which the members hold.
    delete m_discovery;
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

    m_discovery->start();
    m_bt->startWatch();
    m_discovery->startUdev();
}

void KnobSession::startDemo()
{
    if (m_started || m_shutDown || m_demo)
        return;
    m_demo = true;
    m_link = std::make_shared<DemoKnobLink>();
    m_connected = true;
    qDebug().noquote() << "演示模式: 使用内置的模拟旋钮";
    emit connectionChanged(true);
    readConfiguration();
}

void KnobSession::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_ops->beginShutdown();
    m_discovery->stop();
    m_bt->stop();
    // From here on no worker posts to this session, and nobody hears from it.
    m_workers->beginShutdown();
    blockSignals(true);
    // A save gets a few seconds to finish; past them it ends after the key it
    // is on. Only then does the link close, so the knob never keeps a key's
    // report without its end packet.
    if (m_ops->saveCanBeStopped() && !m_workers->waitForAll(kShutdownSaveWaitMs)) {
        qWarning().noquote() << "保存未在退出前完成，写完当前按键后停止";
        m_ops->stopRunningSave();
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

// ---- Finding the device --------------------------------------------------------------

void KnobSession::connectNow()
{
    if (!m_demo)
        m_discovery->connectNow();
}

void KnobSession::switchDeviceIds()
{
    if (m_connected)
        return;
    m_discovery->toggleDeviceIds();
    const QString pair = idPairText(m_discovery->usesDefaultDeviceIds());
    qDebug().noquote() << QStringLiteral("VID/PID 已切换为: ") + pair;
    emit deviceIdsSwitched(pair);
    connectNow();
}

void KnobSession::installLink(const HidScanResult &result, hid_device *handle, bool timerPath)
{
    if (m_usb->isUp()) {
        hid_close(handle);
        return;
    }
    if (m_bt->isUp())
        qDebug().noquote() << "HID 接口可用，替换蓝牙助手连接";
    m_bt->cableTookOver();

    // The lock's identity: a knob reached by cable and by Bluetooth is one knob.
    m_usb->install(handle, result.ownerLock,
                   result.knob.isEmpty() ? QStringLiteral("path %1").arg(result.path) : result.knob,
                   result.bluetooth);
    m_link = m_usb;
    m_connected = true;

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
    m_bt->linkClosed(m_connected, !m_shutDown);
    m_link->close();
    m_connected = false;
    m_discovery->linkClosed();
    m_ops->linkDown();
    emit connectionChanged(false);
    qDebug().noquote() << "[disconnect] 设备已断开，m_device 已置空";
}

void KnobSession::setBluetoothHelperDirectory(const QString &directory)
{
    m_bt->setHelperDirectory(directory);
}

bool KnobSession::isBluetoothConnectRunning() const
{
    return m_bt->isRunning() || m_discovery->bluetoothRunWaiting();
}

QString KnobSession::knobIdentity() const
{
    return m_connected ? m_link->knobIdentity() : QString();
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
    if (m_connected || m_bt->isRunning() || m_bt->isProcessRunning() || m_discovery->bluetoothRunWaiting())
        return;
    // The kernel's hidraw node of a paired knob goes before the helper: the
    // run starts only when a scan finds no node that answers.
    m_discovery->scanBeforeBluetooth();
}

void KnobSession::startDirectBluetoothConnect()
{
    // The labels go blank while the run reads the configuration.
    emit configReadStarted();
    m_bt->startRun();
}

bool KnobSession::usesDefaultDeviceIds() const
{
    return m_discovery->usesDefaultDeviceIds();
}

bool KnobSession::isScanRunning() const
{
    return m_discovery->isScanRunning();
}

const HidScanResult &KnobSession::lastScanResult() const
{
    return m_discovery->lastScanResult();
}

QString KnobSession::permissionHintText() const
{
    return m_discovery->permissionHintText();
}

void KnobSession::setInterfacePath(const QString &path)
{
    m_discovery->setInterfacePath(path);
}

bool KnobSession::isBluetoothConnected() const
{
    return m_bt->isUp();
}

bool KnobSession::isOverBluetooth() const
{
    return m_connected && m_link->overBluetooth();
}

int KnobSession::batteryLevel() const
{
    return isOverBluetooth() ? m_bt->batteryLevel() : -1;
}

void KnobSession::updateBatteryLevel()
{
    const int level = batteryLevel();
    if (level == m_shownBatteryLevel)
        return;
    m_shownBatteryLevel = level;
    emit batteryLevelChanged(level);
}

void KnobSession::checkConnectedDeviceAlive()
{
    // The probe is the same report as the assignment-end packet: written in
    // the middle of a save it would end a physical key's write early on the
    // device. A save's own writes notice an unplug, so none is needed then.
    // A link that is not asked (the helper's) has no port to probe: its
    // watch says when the knob goes.
    if (!m_connected || m_ops->isBusy() || !m_link->answersRequests())
        return;
    if (m_link->overBluetooth()) {
        // An enumeration walks sysfs: off the UI thread, one at a time. A
        // change announced meanwhile asks again once the running one is back.
        if (m_nodeCheckRunning) {
            m_nodeCheckAgain = true;
            return;
        }
        const unsigned long long generation = m_link->generation();
        const QPointer<KnobSession> self(this);
        m_nodeCheckRunning = m_workers->run(
            [path = m_discovery->lastScanResult().path](DeviceWorkers &) { return hidNodePresent(path); },
            [self, link = m_link, generation](bool present) {
                if (!self)
                    return;
                self->m_nodeCheckRunning = false;
                const bool again = std::exchange(self->m_nodeCheckAgain, false);
                if (!self->m_connected || self->m_link != link || link->generation() != generation)
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
