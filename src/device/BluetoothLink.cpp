#include "device/BluetoothLink.h"

#include "device/BluetoothConnector.h"
#include "device/BluetoothTransport.h"
#include "device/BluetoothWatch.h"
#include "device/KnobOwnerLock.h"
#include "device/blewire.h"

#include <QDebug>

namespace {

// The exit code noted for a connect run that found no helper to start.
constexpr int kNoHelper = -2;

} // namespace

BluetoothLink::BluetoothLink(std::function<bool()> cableUp, QObject *parent)
    : QObject(parent), m_cableUp(std::move(cableUp)), m_transport(std::make_shared<BluetoothTransport>())
{
    m_connector = new BluetoothConnector(this);
    connect(m_connector, &BluetoothConnector::messageReceived, this, &BluetoothLink::onMessage);
    connect(m_connector, &BluetoothConnector::runFinished, this,
            [this](const BluetoothConnector::Outcome &o) {
                onRunFinished(o.packets, o.connectedInRun, o.querySent, o.online);
                if (!anyLinkUp()) {
                    noteRunFailed(o.exitCode, o.error);
                } else if (m_up) {
                    m_quietState.clear();
                    m_connector->setQuiet(false);
                }
            });
    m_watch = new BluetoothWatch(this);
    connect(m_watch, &BluetoothWatch::connectWanted, this, &BluetoothLink::connectWanted);
    connect(m_watch, &BluetoothWatch::batteryChanged, this, [this](const QString &address, int percent) {
        if (percent >= 0)
            m_batteryLevels.insert(address, percent);
        else
            m_batteryLevels.remove(address);
        emit batteryLevelsChanged();
    });
    connect(m_watch, &BluetoothWatch::knobGone, this, [this](const QString &address) {
        if (m_up && address.compare(m_transport->address(), Qt::CaseInsensitive) == 0) {
            qDebug().noquote() << "蓝牙旋钮已断开";
            emit lost();
        }
    });
}

BluetoothLink::~BluetoothLink() = default;

void BluetoothLink::setHelperDirectory(const QString &directory)
{
    m_connector->setHelperDirectory(directory);
    m_watch->setHelperDirectory(directory);
    m_transport->setHelperDirectory(directory);
}

void BluetoothLink::startWatch()
{
    m_watch->start();
}

void BluetoothLink::stop()
{
    m_watch->stop();
    m_connector->stop();
}

bool BluetoothLink::isRunning() const
{
    return m_connector->isRunning();
}

bool BluetoothLink::isProcessRunning() const
{
    return m_connector->isProcessRunning();
}

std::shared_ptr<KnobTransport> BluetoothLink::transport() const
{
    return m_transport;
}

QString BluetoothLink::knobIdentity() const
{
    return KnobOwnerLock::addressIdentity(m_transport->address());
}

int BluetoothLink::batteryLevel() const
{
    // Over hidraw the node does not name the knob's address: the knob BlueZ
    // reports is the one.
    if (m_up)
        return m_batteryLevels.value(m_transport->address(), -1);
    return m_batteryLevels.isEmpty() ? -1 : m_batteryLevels.first();
}

void BluetoothLink::startRun()
{
    m_transport->setConnectRunActive(true);
    if (m_connector->startRun())
        return;
    m_transport->setConnectRunActive(false);
    noteRunFailed(kNoHelper, QStringLiteral("未找到蓝牙连接程序"));
}

void BluetoothLink::cableTookOver()
{
    m_connector->stop();
    m_transport->setConnectRunActive(false);
    m_up = false;
    clearIdentity();
    m_watch->setLinkUp(true);
}

void BluetoothLink::linkClosed(bool wasUp, bool watchStays)
{
    if (wasUp)
        m_failureReported = false;
    m_up = false;
    clearIdentity();
    if (watchStays)
        m_watch->setLinkUp(false);
}

void BluetoothLink::checkWriteLost()
{
    if (m_transport->takeLinkLost() && m_up) {
        qDebug().noquote() << "蓝牙写入发现设备已断开";
        emit lost();
    }
}

void BluetoothLink::clearIdentity()
{
    m_connector->clearIdentity();
    m_lock.reset();
    m_transport->setAddress(QString());
    m_transport->setUp(false);
}

void BluetoothLink::setUp(bool up)
{
    if (up == m_up)
        return;
    if (up && !holdKnob())
        return;
    m_up = up;
    if (up) {
        m_transport->setAddress(m_connector->address());
        m_transport->setUp(true);
        qDebug().noquote() << QStringLiteral("已通过蓝牙助手连接: %1").arg(m_connector->address());
    } else {
        m_transport->setUp(false);
        m_lock.reset();
        m_failureReported = false;
    }
    m_watch->setLinkUp(up);
    emit linkChanged(up);
}

bool BluetoothLink::holdKnob()
{
    // Named only once the helper has found the device; taken then.
    const QString address = m_connector->address();
    if (address.isEmpty())
        return true;
    const QString knob = KnobOwnerLock::addressIdentity(address);
    if (m_lock && m_lock->knob() == knob)
        return true;
    KnobHolder holder;
    m_lock = KnobOwnerLock::tryTake(knob, {}, &holder);
    if (m_lock)
        return true;
    qWarning().noquote()
        << QStringLiteral("[蓝牙] 设备 %1 正被 %2 使用，不经蓝牙助手连接").arg(address, holder.describe());
    reportFailure(QStringLiteral("设备正被 %1 使用").arg(holder.describe()));
    return false;
}

void BluetoothLink::onMessage(const BleHelperMessage &message)
{
    const bool cableUp = m_cableUp();
    const bool running = m_connector->isRunning();
    switch (message.type) {
    case BleHelperMessage::Type::Connected:
        if (running)
            return;
        if (cableUp)
            clearIdentity();
        else
            setUp(true);
        return;
    case BleHelperMessage::Type::HardwareProbe:
        if (message.online && running && !cableUp)
            setUp(true);
        return;
    case BleHelperMessage::Type::SessionDisconnected:
        if (running && m_connector->runPacketCount() == 0 && m_up)
            setUp(false);
        return;
    default:
        return;
    }
}

void BluetoothLink::onRunFinished(const std::vector<Packet> &packets, bool connectedInRun, bool querySent,
                                  bool online)
{
    m_transport->setConnectRunActive(false);
    const bool cableUp = m_cableUp();
    if (!packets.empty()) {
        if (cableUp) {
            clearIdentity();
            return;
        }
        setUp(true);
        // The link may have come up (hardware probe) before the helper named the device.
        m_transport->setAddress(m_connector->address());
        if (!m_up || !holdKnob()) {
            setUp(false);
            clearIdentity();
            return;
        }
        emit configurationArrived(packets);
        m_connector->logTiming("ui_config_applied");
        emit knobConnected();
        return;
    }
    if (connectedInRun && querySent && !cableUp) {
        setUp(online);
        if (!online)
            clearIdentity();
    }
}

void BluetoothLink::noteRunFailed(int exitCode, const QString &error)
{
    const QString state = QStringLiteral("%1 %2").arg(exitCode).arg(error);
    const bool changed = state != m_quietState;
    m_quietState = state;
    const bool showNow = m_watch->noteRunFinished(state, exitCode);
    // Runs that keep ending the same way are logged once.
    m_connector->setQuiet(!changed || isBleNoKnobExit(exitCode));
    if (isBleNoKnobExit(exitCode) || exitCode == kNoHelper) {
        if (changed)
            qDebug().noquote() << QStringLiteral("蓝牙: %1").arg(error.isEmpty() ? state : error);
        return;
    }
    if (!showNow) {
        qDebug().noquote() << QStringLiteral("蓝牙连接失败，稍后重试: %1").arg(error);
        return;
    }
    if (changed || !m_failureReported)
        reportFailure(error.isEmpty() ? QStringLiteral("未收到设备配置") : error);
}

void BluetoothLink::reportFailure(const QString &reason)
{
    qDebug().noquote() << QStringLiteral("蓝牙自动连接失败: %1").arg(reason);
    // An unplugged knob must not raise a red toast every three seconds, and
    // none is due while the cable or another link is up.
    if (m_failureReported || anyLinkUp())
        return;
    m_failureReported = true;
    emit connectFailed(reason);
}
