#pragma once

#include <QDBusObjectPath>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// The object tree BlueZ reports through ObjectManager.GetManagedObjects, and
// the choices the helper makes in it. Nothing here talks to the bus.

using BluezInterfaces = QMap<QString, QVariantMap>;
using BluezObjects = QMap<QDBusObjectPath, BluezInterfaces>;
Q_DECLARE_METATYPE(BluezInterfaces)
Q_DECLARE_METATYPE(BluezObjects)

// Once per process, before the first call that carries these types.
void registerBluezTypes();

struct BluezDevice
{
    QString path;
    QString address;
    QString name;
    QString alias;
    QString modalias;
    QStringList uuids; // the services BlueZ knows of, from Device1.UUIDs
    bool connected = false;
    bool servicesResolved = false;
    int battery = -1; // Battery1.Percentage, -1 when BlueZ has none
};

// Whether BlueZ has an adapter that can be used, and why not.
struct BluezAdapterState
{
    bool usable = false;
    QString reason; // empty when usable
};

struct BluezCharacteristic
{
    QString path;
    QString servicePath;
    QString serviceUuid;
    QString uuid;
    QStringList flags;
    int mtu = 0; // 0: BlueZ did not say

    bool canWrite() const;
    bool canNotify() const;
};

struct GattChoice
{
    QString serviceUuid;
    BluezCharacteristic write;
    BluezCharacteristic notify;
    // "request" when the characteristic acknowledges writes, else "command".
    QString writeType;
    // Why this service: the override that named it, or what was passed over.
    QString reason;
};

// Overrides for firmware whose GATT layout differs; empty means "choose".
struct GattOverrides
{
    QString serviceUuid;
    QString writeUuid;
    QString notifyUuid;

    static GattOverrides fromEnvironment();
};

QList<BluezDevice> devicesOf(const BluezObjects &objects);
BluezAdapterState adapterStateOf(const BluezObjects &objects);
// Characteristics of the device's services, in object-path order.
QList<BluezCharacteristic> characteristicsOf(const BluezObjects &objects, const QString &devicePath);

// The knob by its advertised name or by one of its two vendor/product id
// pairs in the modalias ("usb:v05ACp022Cd0001", "bluetooth:v514Cp8850...").
// A keyboard model shares 05AC:022C, so that pair counts only with a vendor
// service among the device's uuids.
bool isKnob(const BluezDevice &device);
// A 128-bit service uuid outside the Bluetooth base range that is none of
// the serial-port or firmware-update services, or the one VX_BLE_SERVICE_UUID names.
bool isVendorServiceUuid(const QString &uuid);
// The connected knobs, those advertising the knob's name before those known
// only by the id pair (a real keyboard model shares one of the pairs).
QList<BluezDevice> connectedKnobs(const QList<BluezDevice> &devices);

// The service holding a write and a notify characteristic, vendor services
// (128-bit uuids outside the Bluetooth base range) before the others. Never,
// unless named by an override: the assigned 16-bit services (device
// information, battery, HID, ...) and the firmware-update and serial-port
// services of the common chips, which carry no configuration.
std::optional<GattChoice> chooseGatt(const QList<BluezCharacteristic> &characteristics,
                                     const GattOverrides &overrides);

// Values inside a{sv} arrive either demarshalled or as QDBusArgument.
QStringList variantToStringList(const QVariant &value);
QByteArray variantToBytes(const QVariant &value);
QString variantToPath(const QVariant &value);
