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

constexpr int kCallTimeoutMs = 5000;
constexpr int kConnectTimeoutMs = 10000;
constexpr int kResolveWaitMs = 5000;
constexpr int kBusCheckTimeoutMs = 1000;
// A 64-byte packet and the 3-byte ATT header.
constexpr int kMinMtu = 67;
constexpr int kNotifyRetries = 5;

QVariantMap changedProperties(const QVariant &arg)
{
    if (arg.canConvert<QDBusArgument>())
        return qdbus_cast<QVariantMap>(arg.value<QDBusArgument>());
    return arg.toMap();
}

bool isNotConnected(const QString &error)
{
    return error.startsWith(QLatin1String("org.bluez.Error.NotConnected")) ||
           error.startsWith(QLatin1String("org.freedesktop.DBus.Error.UnknownObject"));
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
    return call(m_gatt.write.path, kCharIface, QStringLiteral("WriteValue"), {value, options}, kCallTimeoutMs,
                error);
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
    for (const BluezDevice &device : candidates) {
        if (!device.connected) {
            if (!call(device.path, kDeviceIface, QStringLiteral("Connect"), {}, kConnectTimeoutMs, &error)) {
                printError(QStringLiteral("connect to %1 failed: %2").arg(device.address, error));
                return NoDevice;
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

std::optional<GattChoice> BleHelperRun::gattOf(const BluezDevice &device, BluezObjects objects,
                                               QString *error)
{
    // Right after a connect BlueZ may still be discovering the services; once
    // it says they are resolved, what is there is all there is.
    const GattOverrides overrides = GattOverrides::fromEnvironment();
    QElapsedTimer resolving;
    resolving.start();
    bool resolved = device.connected && device.servicesResolved;
    std::optional<GattChoice> gatt;
    while (true) {
        gatt = chooseGatt(characteristicsOf(objects, device.path), overrides);
        if (gatt || resolved || resolving.elapsed() >= kResolveWaitMs)
            break;
        QThread::msleep(200);
        std::optional<BluezObjects> fresh = fetchObjects();
        if (!fresh)
            break;
        objects = *fresh;
        for (const BluezDevice &d : devicesOf(objects)) {
            if (d.path == device.path)
                resolved = d.connected && d.servicesResolved;
        }
    }
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
    m_devicePath = device.path;
    m_gatt = gatt;
    printLine({{QStringLiteral("type"), QStringLiteral("connected")},
               {QStringLiteral("address"), device.address},
               {QStringLiteral("device_id"), device.path},
               {QStringLiteral("name"), device.alias.isEmpty() ? device.name : device.alias}});
    const int mtu = std::max(m_gatt.write.mtu, m_gatt.notify.mtu);
    printLine({{QStringLiteral("type"), QStringLiteral("gatt_uuids")},
               {QStringLiteral("service_uuid"), m_gatt.serviceUuid},
               {QStringLiteral("write_uuid"), m_gatt.write.uuid},
               {QStringLiteral("notify_uuid"), m_gatt.notify.uuid},
               {QStringLiteral("mtu"), mtu},
               {QStringLiteral("reason"), m_gatt.reason}});
    // Below this a 64-byte write without response fails and a 64-byte
    // notification arrives cut short, which would look like a silent knob.
    if (mtu > 0 && mtu < kMinMtu) {
        printError(QStringLiteral("ATT MTU of %1 is %2, below the %3 a 64-byte packet needs")
                       .arg(device.address)
                       .arg(mtu)
                       .arg(kMinMtu));
        return GattUnavailable;
    }

    m_bus.connect(kBluez, m_devicePath, kProperties, QStringLiteral("PropertiesChanged"), this,
                  SLOT(onPropertiesChanged(QDBusMessage)));
    if (m_options.query) {
        m_bus.connect(kBluez, m_gatt.notify.path, kProperties, QStringLiteral("PropertiesChanged"), this,
                      SLOT(onPropertiesChanged(QDBusMessage)));
        QString error;
        if (!startNotify(&error)) {
            printError(QStringLiteral("notifications could not be started: %1").arg(error));
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
            printError(QStringLiteral("configuration query not written: %1").arg(error));
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
                           .arg(error));
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
        return;
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
