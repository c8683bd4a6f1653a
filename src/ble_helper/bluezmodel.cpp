#include "bluezmodel.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QRegularExpression>

#include <algorithm>

namespace {

const QString kDevice = QStringLiteral("org.bluez.Device1");
const QString kService = QStringLiteral("org.bluez.GattService1");
const QString kCharacteristic = QStringLiteral("org.bluez.GattCharacteristic1");

// The name the knob advertises under.
const QString kKnobName = QStringLiteral("VELTRANIX");

struct IdPair
{
    unsigned vendor;
    unsigned product;
};
const IdPair kKnobIds[] = {{0x05AC, 0x022C}, {0x514C, 0x8850}};
// The pair a keyboard model also uses.
const IdPair kSharedIds = kKnobIds[0];

bool isBaseUuid(const QString &uuid)
{
    return uuid.size() == 36 && uuid.startsWith(QLatin1String("0000")) &&
           uuid.endsWith(QLatin1String("-0000-1000-8000-00805f9b34fb"), Qt::CaseInsensitive);
}

// Why a service is never chosen by itself, or empty.
QString refusal(const QString &uuid)
{
    if (isBaseUuid(uuid)) {
        // 0x18xx: services the Bluetooth SIG assigned; 0xFDxx-0xFExx: member
        // services, among them the Nordic secure DFU (FE59).
        const unsigned id = uuid.mid(4, 4).toUInt(nullptr, 16);
        if ((id >= 0x1800 && id <= 0x18FF) || (id >= 0xFD00 && id <= 0xFEFF))
            return QStringLiteral("standard");
        return {};
    }
    static const QStringList foreign{
        QStringLiteral("6e400001-b5a3-f393-e0a9-e50e24dcca9e"), // Nordic UART
        QStringLiteral("00001530-1212-efde-1523-785feabcd123"), // Nordic legacy DFU
        QStringLiteral("f000ffc0-0451-4000-b000-000000000000"), // TI OAD
        QStringLiteral("1d14d6ee-fd63-4fa1-bfa4-8f47b42119f0"), // Silicon Labs OTA
        QStringLiteral("00010203-0405-0607-0809-0a0b0c0d1912"), // Telink OTA
    };
    for (const QString &f : foreign) {
        if (uuid.compare(f, Qt::CaseInsensitive) == 0)
            return f.startsWith(QLatin1String("6e40")) ? QStringLiteral("serial port")
                                                       : QStringLiteral("firmware update");
    }
    return {};
}

bool sameUuid(const QString &a, const QString &b)
{
    if (a.compare(b, Qt::CaseInsensitive) == 0)
        return true;
    // A 16-bit override ("fff1") names the uuid in the base range.
    auto expand = [](const QString &u) {
        return u.size() == 4 ? QStringLiteral("0000%1-0000-1000-8000-00805f9b34fb").arg(u) : u;
    };
    return expand(a).compare(expand(b), Qt::CaseInsensitive) == 0;
}

} // namespace

void registerBluezTypes()
{
    qDBusRegisterMetaType<BluezInterfaces>();
    qDBusRegisterMetaType<BluezObjects>();
}

bool BluezCharacteristic::canWrite() const
{
    return flags.contains(QLatin1String("write")) || flags.contains(QLatin1String("write-without-response"));
}

bool BluezCharacteristic::canNotify() const
{
    return flags.contains(QLatin1String("notify")) || flags.contains(QLatin1String("indicate"));
}

GattOverrides GattOverrides::fromEnvironment()
{
    GattOverrides o;
    o.serviceUuid = qEnvironmentVariable("VX_BLE_SERVICE_UUID").trimmed();
    o.writeUuid = qEnvironmentVariable("VX_BLE_WRITE_UUID").trimmed();
    o.notifyUuid = qEnvironmentVariable("VX_BLE_NOTIFY_UUID").trimmed();
    return o;
}

QStringList variantToStringList(const QVariant &value)
{
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<QStringList>(value.value<QDBusArgument>());
    return value.toStringList();
}

QByteArray variantToBytes(const QVariant &value)
{
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<QByteArray>(value.value<QDBusArgument>());
    return value.toByteArray();
}

QString variantToPath(const QVariant &value)
{
    if (value.canConvert<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<QDBusObjectPath>(value.value<QDBusArgument>()).path();
    return value.toString();
}

QList<BluezDevice> devicesOf(const BluezObjects &objects)
{
    QList<BluezDevice> devices;
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        const auto iface = it.value().constFind(kDevice);
        if (iface == it.value().cend())
            continue;
        const QVariantMap &p = iface.value();
        BluezDevice d;
        d.path = it.key().path();
        d.address = p.value(QStringLiteral("Address")).toString();
        d.name = p.value(QStringLiteral("Name")).toString();
        d.alias = p.value(QStringLiteral("Alias")).toString();
        d.modalias = p.value(QStringLiteral("Modalias")).toString();
        d.uuids = variantToStringList(p.value(QStringLiteral("UUIDs")));
        d.connected = p.value(QStringLiteral("Connected")).toBool();
        d.servicesResolved = p.value(QStringLiteral("ServicesResolved")).toBool();
        const auto battery = it.value().constFind(QStringLiteral("org.bluez.Battery1"));
        if (battery != it.value().cend() && battery.value().contains(QStringLiteral("Percentage")))
            d.battery = battery.value().value(QStringLiteral("Percentage")).toInt();
        devices.append(d);
    }
    return devices;
}

BluezAdapterState adapterStateOf(const BluezObjects &objects)
{
    bool any = false;
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        const auto iface = it.value().constFind(QStringLiteral("org.bluez.Adapter1"));
        if (iface == it.value().cend())
            continue;
        any = true;
        if (iface.value().value(QStringLiteral("Powered")).toBool())
            return {true, {}};
    }
    return {false, any ? QStringLiteral("Bluetooth adapter is powered off")
                       : QStringLiteral("no Bluetooth adapter")};
}

QList<BluezCharacteristic> characteristicsOf(const BluezObjects &objects, const QString &devicePath)
{
    QMap<QString, QString> serviceUuids; // service path -> uuid, of this device only
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        const auto iface = it.value().constFind(kService);
        if (iface == it.value().cend())
            continue;
        if (variantToPath(iface.value().value(QStringLiteral("Device"))) == devicePath)
            serviceUuids.insert(it.key().path(), iface.value().value(QStringLiteral("UUID")).toString());
    }
    QList<BluezCharacteristic> list;
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        const auto iface = it.value().constFind(kCharacteristic);
        if (iface == it.value().cend())
            continue;
        const QString service = variantToPath(iface.value().value(QStringLiteral("Service")));
        if (!serviceUuids.contains(service))
            continue;
        BluezCharacteristic c;
        c.path = it.key().path();
        c.servicePath = service;
        c.serviceUuid = serviceUuids.value(service);
        c.uuid = iface.value().value(QStringLiteral("UUID")).toString();
        c.flags = variantToStringList(iface.value().value(QStringLiteral("Flags")));
        c.mtu = iface.value().value(QStringLiteral("MTU")).toInt();
        list.append(c);
    }
    return list;
}

bool isKnob(const BluezDevice &device)
{
    if (device.name.contains(kKnobName, Qt::CaseInsensitive) ||
        device.alias.contains(kKnobName, Qt::CaseInsensitive))
        return true;
    static const QRegularExpression ids(QStringLiteral(":v([0-9A-Fa-f]{4})p([0-9A-Fa-f]{4})"));
    const QRegularExpressionMatch m = ids.match(device.modalias);
    if (!m.hasMatch())
        return false;
    const unsigned vendor = m.captured(1).toUInt(nullptr, 16);
    const unsigned product = m.captured(2).toUInt(nullptr, 16);
    if (!std::any_of(std::begin(kKnobIds), std::end(kKnobIds),
                     [&](const IdPair &p) { return p.vendor == vendor && p.product == product; }))
        return false;
    return vendor != kSharedIds.vendor || product != kSharedIds.product ||
           std::any_of(device.uuids.cbegin(), device.uuids.cend(), isVendorServiceUuid);
}

bool isVendorServiceUuid(const QString &uuid)
{
    const QString named = qEnvironmentVariable("VX_BLE_SERVICE_UUID").trimmed();
    if (!named.isEmpty())
        return sameUuid(uuid, named);
    return uuid.size() == 36 && !isBaseUuid(uuid) && refusal(uuid).isEmpty();
}

QList<BluezDevice> connectedKnobs(const QList<BluezDevice> &devices)
{
    QList<BluezDevice> byName;
    QList<BluezDevice> byIds;
    for (const BluezDevice &d : devices) {
        if (!d.connected || !isKnob(d))
            continue;
        if (d.name.contains(kKnobName, Qt::CaseInsensitive) ||
            d.alias.contains(kKnobName, Qt::CaseInsensitive))
            byName.append(d);
        else
            byIds.append(d);
    }
    return byName + byIds;
}

std::optional<GattChoice> chooseGatt(const QList<BluezCharacteristic> &characteristics,
                                     const GattOverrides &overrides)
{
    QStringList servicePaths;
    for (const BluezCharacteristic &c : characteristics) {
        if (!servicePaths.contains(c.servicePath))
            servicePaths.append(c.servicePath);
    }
    auto serviceUuidOf = [&](const QString &path) {
        for (const BluezCharacteristic &c : characteristics) {
            if (c.servicePath == path)
                return c.serviceUuid;
        }
        return QString();
    };
    auto rank = [&](const QString &path) { return isBaseUuid(serviceUuidOf(path)) ? 1 : 0; };
    std::stable_sort(servicePaths.begin(), servicePaths.end(),
                     [&](const QString &a, const QString &b) { return rank(a) < rank(b); });

    QStringList passedOver;
    for (const QString &service : servicePaths) {
        const QString uuid = serviceUuidOf(service);
        if (!overrides.serviceUuid.isEmpty()) {
            if (!sameUuid(uuid, overrides.serviceUuid))
                continue;
        } else if (const QString why = refusal(uuid); !why.isEmpty()) {
            passedOver << QStringLiteral("%1 (%2)").arg(uuid, why);
            continue;
        }
        std::optional<BluezCharacteristic> write;
        std::optional<BluezCharacteristic> notify;
        for (const BluezCharacteristic &c : characteristics) {
            if (c.servicePath != service)
                continue;
            const bool writeWanted = overrides.writeUuid.isEmpty() || sameUuid(c.uuid, overrides.writeUuid);
            const bool notifyWanted =
                overrides.notifyUuid.isEmpty() || sameUuid(c.uuid, overrides.notifyUuid);
            // A characteristic that acknowledges writes beats one that does not.
            if (writeWanted && c.canWrite() &&
                (!write || (!write->flags.contains(QLatin1String("write")) &&
                            c.flags.contains(QLatin1String("write")))))
                write = c;
            if (notifyWanted && c.canNotify() && !notify)
                notify = c;
        }
        if (write && notify) {
            GattChoice choice;
            choice.serviceUuid = uuid;
            choice.write = *write;
            choice.notify = *notify;
            choice.writeType = write->flags.contains(QLatin1String("write")) ? QStringLiteral("request")
                                                                             : QStringLiteral("command");
            const bool named = !overrides.serviceUuid.isEmpty() || !overrides.writeUuid.isEmpty() ||
                               !overrides.notifyUuid.isEmpty();
            choice.reason = named ? QStringLiteral("named by VX_BLE_*_UUID")
                                  : QStringLiteral("first service with write and notify");
            if (!passedOver.isEmpty())
                choice.reason += QStringLiteral("; passed over: ") + passedOver.join(QLatin1String(", "));
            return choice;
        }
    }
    return std::nullopt;
}
