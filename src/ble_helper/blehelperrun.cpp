#include "blehelperrun.h"

#include "device/blewire.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const QString kBluez = QStringLiteral("org.bluez");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kDeviceIface = QStringLiteral("org.bluez.Device1");
const QString kCharIface = QStringLiteral("org.bluez.GattCharacteristic1");

constexpr int kCallTimeoutMs = kBleHelperCallMs;
constexpr int kConnectTimeoutMs = kBleHelperConnectMs;
constexpr int kResolveWaitMs = kBleHelperResolveMs;
constexpr int kMtuWaitMs = kBleHelperMtuWaitMs;
constexpr int kBusCheckTimeoutMs = 1000;
// The longest notification the program accepts (66 bytes, a doubled report
// number) and the 3-byte ATT header.
constexpr int kMinMtu = 69;
// What BlueZ shows before the exchange, and the ATT default.
constexpr int kDefaultMtu = 23;
constexpr int kNotifyRetries = 5;
// A write left pending by a helper that was killed holds the characteristic briefly.
constexpr int kRetryWindowMs = kBleHelperRetryWindowMs;
constexpr int kRetryPauseMs = kBleHelperRetryPauseMs;

QVariantMap changedProperties(const QVariant &arg)
{
    if (arg.canConvert<QDBusArgument>())
        return qdbus_cast<QVariantMap>(arg.value<QDBusArgument>());
    return arg.toMap();
}

bool isNotConnected(const QString &error)
{
    // BlueZ 5.66 says org.bluez.Error.Failed "Not connected" for a link that went.
    return error.startsWith(QLatin1String("org.bluez.Error.NotConnected")) ||
           error.startsWith(QLatin1String("org.freedesktop.DBus.Error.UnknownObject")) ||
           (error.startsWith(QLatin1String("org.bluez.Error.Failed")) &&
            error.contains(QLatin1String("Not connected"), Qt::CaseInsensitive));
}

// BlueZ's raw text for a knob that is not (or no longer) paired helps nobody.
QString explain(const QString &error, const QString &address)
{
    const bool refused = error.startsWith(QLatin1String("org.bluez.Error.NotPermitted")) ||
                         error.startsWith(QLatin1String("org.bluez.Error.NotAuthorized")) ||
                         error.startsWith(QLatin1String("org.bluez.Error.AuthenticationFailed"));
    static const QRegularExpression unpaired(QStringLiteral("paired|authenticat|insufficient"),
                                             QRegularExpression::CaseInsensitiveOption);
    // ATT errors 0x05, 0x08, 0x0f: insufficient authentication, authorization, encryption.
    static const QRegularExpression attSecurity(QStringLiteral("ATT error: 0x0(5|8|f)\\b"),
                                                QRegularExpression::CaseInsensitiveOption);
    if ((refused && unpaired.match(error).hasMatch()) ||
        (error.startsWith(QLatin1String("org.bluez.Error.Failed")) && attSecurity.match(error).hasMatch()))
        return QStringLiteral("the knob is not paired with this computer: pair it with "
                              "`bluetoothctl pair %1`, then `bluetoothctl trust %1`")
            .arg(address);
    return error;
}

} // namespace

BleHelperRun::BleHelperRun(const QDBusConnection &bus, BleHelperOptions options, QObject *parent)
    : QObject(parent), m_bus(bus), m_options(std::move(options))
{}

void BleHelperRun::printLine(const QJsonObject &object)
{
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fflush(stdout);
}

void BleHelperRun::printError(const QString &message)
{
    printLine({{QStringLiteral("type"), QStringLiteral("error")}, {QStringLiteral("message"), message}});
}

QDBusMessage BleHelperRun::bluezCall(const QString &path, const QString &interface, const QString &method)
{
    QDBusMessage msg = QDBusMessage::createMethodCall(kBluez, path, interface, method);
    msg.setAutoStartService(false);
    return msg;
}

bool BleHelperRun::bluezRunning(const QDBusConnection &bus, QString *reason)
{
    QDBusMessage msg = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    msg << kBluez;
    const QDBusMessage reply = bus.call(msg, QDBus::Block, kBusCheckTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        *reason = QStringLiteral("system bus not answering: %1").arg(reply.errorMessage());
        return false;
    }
    if (!reply.arguments().constFirst().toBool()) {
        *reason = QStringLiteral("BlueZ is not running (no org.bluez on the system bus)");
        return false;
    }
    return true;
}

std::optional<BluezObjects> BleHelperRun::fetchObjects()
{
    const QDBusMessage reply =
        m_bus.call(bluezCall(QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                             QStringLiteral("GetManagedObjects")),
                   QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        printError(QStringLiteral("BlueZ not reachable: %1").arg(reply.errorMessage()));
        return std::nullopt;
    }
    return qdbus_cast<BluezObjects>(reply.arguments().constFirst().value<QDBusArgument>());
}

bool BleHelperRun::call(const QString &path, const QString &interface, const QString &method,
                        const QVariantList &args, int timeoutMs, QString *error)
{
    QDBusMessage msg = bluezCall(path, interface, method);
    msg.setArguments(args);
    const QDBusMessage reply = m_bus.call(msg, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    if (error)
        *error = reply.errorName().isEmpty()
                     ? reply.errorMessage()
                     : QStringLiteral("%1: %2").arg(reply.errorName(), reply.errorMessage());
    return false;
}

bool BleHelperRun::writePacket(const Packet &packet, QString *error)
{
    const QByteArray value(reinterpret_cast<const char *>(packet.data()), static_cast<int>(packet.size()));
    const QVariantMap options{{QStringLiteral("type"), m_gatt.writeType}};
    // A write without response is done when BlueZ has queued it: a burst
    // would outrun the radio and the knob's buffer.
    if (m_gatt.writeType == QLatin1String("command") && m_commandPace.isValid()) {
        const qint64 left = kBleCommandPaceMs - m_commandPace.elapsed();
        if (left > 0)
            QThread::msleep(static_cast<unsigned long>(left));
    }
    QElapsedTimer retrying;
    retrying.start();
    while (true) {
        const bool ok = call(m_gatt.write.path, kCharIface, QStringLiteral("WriteValue"), {value, options},
                             kCallTimeoutMs, error);
        m_commandPace.start();
        if (ok)
            return true;
        if (retrying.elapsed() >= kRetryWindowMs ||
            !error->startsWith(QLatin1String("org.bluez.Error.InProgress")))
            return false;
        QThread::msleep(kRetryPauseMs);
    }
}

bool BleHelperRun::waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done() && !m_disconnected) {
        const qint64 left = timeoutMs - waited.elapsed();
        if (left <= 0)
            return false;
        QEventLoop loop;
        m_waitLoop = &loop;
        QTimer::singleShot(static_cast<int>(left), &loop, &QEventLoop::quit);
        loop.exec();
        m_waitLoop = nullptr;
    }
    return !m_disconnected;
}

int BleHelperRun::finishDisconnected()
{
    printLine({{QStringLiteral("type"), QStringLiteral("session_disconnected")}});
    return Disconnected;
}

int BleHelperRun::exec()
{
    if (!m_bus.isConnected()) {
        printError(QStringLiteral("system bus not reachable: %1").arg(m_bus.lastError().message()));
        return BusUnavailable;
    }
    QString reason;
    if (!bluezRunning(m_bus, &reason)) {
        printError(reason);
        return NoBluez;
    }
    std::optional<BluezObjects> objects = fetchObjects();
    if (!objects)
        return NoBluez;
    const BluezAdapterState adapter = adapterStateOf(*objects);
    if (!adapter.usable) {
        printError(adapter.reason);
        return NoAdapter;
    }

    const bool automatic = m_options.target.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0;
    const QList<BluezDevice> devices = devicesOf(*objects);
    QList<BluezDevice> candidates;
    if (automatic) {
        candidates = connectedKnobs(devices);
    } else {
        for (const BluezDevice &d : devices) {
            if (d.address.compare(m_options.target, Qt::CaseInsensitive) == 0)
                candidates.append(d);
        }
    }
    if (candidates.isEmpty()) {
        const auto connectedCount =
            std::count_if(devices.cbegin(), devices.cend(), [](const BluezDevice &d) { return d.connected; });
        if (!automatic)
            printError(QStringLiteral("no Bluetooth device %1 known to BlueZ").arg(m_options.target));
        else if (connectedCount == 0)
            printError(QStringLiteral("no connected Bluetooth device; pair and connect the knob first"));
        else
            printError(
                QStringLiteral("none of the %1 connected Bluetooth devices is the knob").arg(connectedCount));
        return NoDevice;
    }

    // A device that shares the knob's id pair but lacks its service is passed
    // over for the next one.
    QString error;
    // Every change under the device, before its state is read again, so none is missed.
    if (!m_bus.connect(kBluez, QString(), kProperties, QStringLiteral("PropertiesChanged"), this,
                       SLOT(onPropertiesChanged(QDBusMessage)))) {
        printError(QStringLiteral("BlueZ's signals cannot be received: %1").arg(m_bus.lastError().message()));
        return NoBluez;
    }
    for (const BluezDevice &device : candidates) {
        m_devicePath = device.path;
        m_disconnected = false;
        if (!device.connected) {
            // An LE Connect answers once the ATT channel is up, before the services are resolved.
            if (!call(device.path, kDeviceIface, QStringLiteral("Connect"), {}, kConnectTimeoutMs, &error)) {
                printError(QStringLiteral("connect to %1 failed: %2")
                               .arg(device.address, explain(error, device.address)));
                return NoDevice;
            }
        }
        objects = fetchObjects();
        if (!objects)
            return NoBluez;
        m_resolved = false;
        for (const BluezDevice &d : devicesOf(*objects)) {
            if (d.path == device.path)
                m_resolved = d.connected && d.servicesResolved;
        }
        // BlueZ keeps the services of a device that was away on the bus; only
        // once it says they are resolved are they this connection's.
        if (!m_resolved) {
            const bool resolved = waitFor([this] { return m_resolved; }, kResolveWaitMs);
            if (m_disconnected) {
                printError(
                    QStringLiteral("%1 disconnected before its services were resolved").arg(device.address));
                return NoDevice;
            }
            if (!resolved) {
                error = QStringLiteral("the services of %1 were not resolved within %2 s")
                            .arg(device.address)
                            .arg(kResolveWaitMs / 1000);
                continue;
            }
            objects = fetchObjects();
            if (!objects)
                return NoBluez;
        }
        if (std::optional<GattChoice> gatt = gattOf(device, *objects, &error))
            return runOn(device, *gatt);
    }
    printError(error);
    return GattUnavailable;
}

std::optional<GattChoice> BleHelperRun::gattOf(const BluezDevice &device, const BluezObjects &objects,
                                               QString *error)
{
    std::optional<GattChoice> gatt =
        chooseGatt(characteristicsOf(objects, device.path), GattOverrides::fromEnvironment());
    if (!gatt) {
        *error = QStringLiteral("no GATT service with a write and a notify characteristic on %1 "
                                "(see VX_BLE_SERVICE_UUID, VX_BLE_WRITE_UUID, VX_BLE_NOTIFY_UUID)")
                     .arg(device.address);
    }
    return gatt;
}

bool BleHelperRun::startNotify(QString *error)
{
    // InProgress: BlueZ is still enabling notifications for another request.
    for (int attempt = 0; attempt < kNotifyRetries; ++attempt) {
        if (call(m_gatt.notify.path, kCharIface, QStringLiteral("StartNotify"), {}, kCallTimeoutMs, error))
            return true;
        if (!error->startsWith(QLatin1String("org.bluez.Error.InProgress")))
            return false;
        QThread::msleep(200);
    }
    return false;
}

int BleHelperRun::runOn(const BluezDevice &device, const GattChoice &gatt)
{
    m_gatt = gatt;
    // BlueZ shows no MTU, then the default, then the exchanged one.
    m_mtu = std::max(m_gatt.write.mtu, m_gatt.notify.mtu);
    waitFor([this] { return m_mtu != 0 && m_mtu != kDefaultMtu; }, kMtuWaitMs);
    if (m_disconnected)
        return finishDisconnected();
    printLine({{QStringLiteral("type"), QStringLiteral("connected")},
               {QStringLiteral("address"), device.address},
               {QStringLiteral("device_id"), device.path},
               {QStringLiteral("name"), device.alias.isEmpty() ? device.name : device.alias}});
    const int mtu = m_mtu;
    printLine({{QStringLiteral("type"), QStringLiteral("gatt_uuids")},
               {QStringLiteral("service_uuid"), m_gatt.serviceUuid},
               {QStringLiteral("write_uuid"), m_gatt.write.uuid},
               {QStringLiteral("notify_uuid"), m_gatt.notify.uuid},
               {QStringLiteral("mtu"), mtu},
               {QStringLiteral("reason"), m_gatt.reason}});
    // Below this a 64-byte write without response fails and a notification
    // arrives cut short, which would look like a silent knob.
    if (mtu > 0 && mtu < kMinMtu) {
        printError(QStringLiteral("ATT MTU of %1 is %2, below the %3 the knob's packets need")
                       .arg(device.address)
                       .arg(mtu)
                       .arg(kMinMtu));
        return GattUnavailable;
    }

    if (m_options.query) {
        QString error;
        if (!startNotify(&error)) {
            QCoreApplication::processEvents();
            if (m_disconnected || isNotConnected(error))
                return finishDisconnected();
            printError(
                QStringLiteral("notifications could not be started: %1").arg(explain(error, device.address)));
            return GattUnavailable;
        }
    }
    printLine({{QStringLiteral("type"), QStringLiteral("write_ready")}});

    if (m_options.query) {
        QString error;
        if (!writePacket(bleConfigQueryPacket(), &error)) {
            QCoreApplication::processEvents();
            if (m_disconnected)
                return finishDisconnected();
            printError(
                QStringLiteral("configuration query not written: %1").arg(explain(error, device.address)));
            return isNotConnected(error) ? Disconnected : WriteFailed;
        }
        printLine({{QStringLiteral("type"), QStringLiteral("write_ok")}, {QStringLiteral("query"), true}});
    }

    for (std::size_t i = 0; i < m_options.packets.size(); ++i) {
        QString error;
        const bool ok = writePacket(m_options.packets[i], &error);
        // A disconnect that arrived meanwhile explains a failure better.
        QCoreApplication::processEvents();
        if (m_disconnected)
            return finishDisconnected();
        if (!ok) {
            printError(QStringLiteral("packet %1 of %2 not written: %3")
                           .arg(i + 1)
                           .arg(m_options.packets.size())
                           .arg(explain(error, device.address)));
            return isNotConnected(error) ? Disconnected : WriteFailed;
        }
    }
    if (!m_options.packets.empty())
        printLine({{QStringLiteral("type"), QStringLiteral("write_ok")}});

    if (!m_endReceived && !m_disconnected && m_options.listenSeconds > 0) {
        QEventLoop loop;
        m_listenLoop = &loop;
        QTimer::singleShot(static_cast<int>(std::lround(m_options.listenSeconds * 1000.0)), &loop,
                           &QEventLoop::quit);
        loop.exec();
        m_listenLoop = nullptr;
    }
    if (m_disconnected)
        return finishDisconnected();
    if (m_options.query && !m_probeReported)
        printLine(
            {{QStringLiteral("type"), QStringLiteral("hardware_probe")}, {QStringLiteral("online"), false}});
    return Ok;
}

void BleHelperRun::onPropertiesChanged(const QDBusMessage &message)
{
    const QVariantList args = message.arguments();
    if (args.size() < 2)
        return;
    const QString interface = args.at(0).toString();
    const QVariantMap changed = changedProperties(args.at(1));
    if (message.path() == m_devicePath && interface == kDeviceIface) {
        const auto connected = changed.constFind(QStringLiteral("Connected"));
        if (connected != changed.cend() && !connected->toBool()) {
            m_disconnected = true;
            if (m_listenLoop)
                m_listenLoop->quit();
        }
        const auto resolved = changed.constFind(QStringLiteral("ServicesResolved"));
        if (resolved != changed.cend())
            m_resolved = resolved->toBool();
        if (m_waitLoop)
            m_waitLoop->quit();
        return;
    }
    const auto mtu = changed.constFind(QStringLiteral("MTU"));
    if (mtu != changed.cend() && interface == kCharIface &&
        (message.path() == m_gatt.write.path || message.path() == m_gatt.notify.path)) {
        m_mtu = std::max(m_mtu, mtu->toInt());
        if (m_waitLoop)
            m_waitLoop->quit();
    }
    if (message.path() != m_gatt.notify.path || interface != kCharIface || m_endReceived)
        return;
    const auto value = changed.constFind(QStringLiteral("Value"));
    if (value == changed.cend())
        return;
    const QByteArray raw = variantToBytes(*value);
    const Packet bytes(raw.begin(), raw.end());
    if (m_options.query && !m_probeReported) {
        m_probeReported = true;
        printLine(
            {{QStringLiteral("type"), QStringLiteral("hardware_probe")}, {QStringLiteral("online"), true}});
    }
    printLine({{QStringLiteral("type"), QStringLiteral("notify")},
               {QStringLiteral("data"), packetToHexLine(bytes)}});
    if (m_options.query && isBleConfigEndNotification(bytes)) {
        m_endReceived = true;
        if (m_listenLoop)
            m_listenLoop->quit();
    }
}
