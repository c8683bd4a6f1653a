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
    bool connected = false;
    bool servicesResolved = false;
};

struct BluezCharacteristic
{
    QString path;
    QString servicePath;
    QString serviceUuid;
    QString uuid;
    QStringList flags;

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
// Characteristics of the device's services, in object-path order.
QList<BluezCharacteristic> characteristicsOf(const BluezObjects &objects, const QString &devicePath);

// The knob by its advertised name or by one of its two vendor/product id
// pairs in the modalias ("usb:v05ACp022Cd0001", "bluetooth:v514Cp8850...").
bool isKnob(const BluezDevice &device);

// The service holding a write and a notify characteristic, vendor services
// (128-bit uuids outside the Bluetooth base range) before the others, the
// standard ones (GAP, GATT, device information, battery, HID) never unless
// named by an override.
std::optional<GattChoice> chooseGatt(const QList<BluezCharacteristic> &characteristics,
                                     const GattOverrides &overrides);

// Values inside a{sv} arrive either demarshalled or as QDBusArgument.
QStringList variantToStringList(const QVariant &value);
QByteArray variantToBytes(const QVariant &value);
QString variantToPath(const QVariant &value);
