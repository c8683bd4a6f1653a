// fakebluez [--scenario NAME] [--record FILE]
// NAME: normal; no-device (paired, not connected); not-knob (the connected
// device is something else); reject-write (every WriteValue fails);
// disconnect (one notification, then Connected=false); small-mtu (23);
// powered-off; no-adapter; late-resolve (services 400 ms after Connected);
// notify-in-progress (the first StartNotify answers InProgress);
// notify-not-permitted; sleepy (the knob disconnects 500 ms after the first
// look).
// Owns org.bluez on the bus in DBUS_SYSTEM_BUS_ADDRESS, prints "ready" once it
// does, and serves until killed. --record appends one line per WriteValue:
// the write type, the byte count and the bytes in hex.

#include "bluezmodel.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <utility>

namespace {

const QString kDevicePath = QStringLiteral("/org/bluez/hci0/dev_C0_FF_EE_00_00_01");
const QString kWritePath = kDevicePath + QStringLiteral("/service0010/char0011");
const QString kNotifyPath = kDevicePath + QStringLiteral("/service0010/char0013");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kChar = QStringLiteral("org.bluez.GattCharacteristic1");
const QString kVendorService = QStringLiteral("7a1c0001-3b5e-4c2a-9f10-5d2b8c6e4a01");

QByteArray hexBytes(const char *hex, int size)
{
    QByteArray out = QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
    out.resize(size, '\0');
    return out;
}

QString toHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace

// A stand-in for the BlueZ daemon on a private bus: one adapter, one device
// with a vendor GATT service (a write and a notify characteristic) that
// answers the configuration query with configuration notifications.
class FakeBluez : public QDBusVirtualObject
{
    Q_DISABLE_COPY_MOVE(FakeBluez)

public:
    // scenario: the way this knob and its BlueZ misbehave, see main.cpp.
    FakeBluez(const QDBusConnection &bus, const QString &scenario, const QString &recordPath,
              QObject *parent = nullptr);

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    BluezObjects objects() const;
    void record(const QByteArray &value, const QString &type);
    void answerQuery();
    void notify(const QByteArray &value);
    void setConnected(bool connected);

    QDBusConnection m_bus;
    QString m_scenario;
    QString m_recordPath;
    bool m_connected = true;
    bool m_resolved = true;
    bool m_notifying = false;
    bool m_looked = false;
    int m_startNotifyCalls = 0;
};

FakeBluez::FakeBluez(const QDBusConnection &bus, const QString &scenario, const QString &recordPath,
                     QObject *parent)
    : QDBusVirtualObject(parent), m_bus(bus), m_scenario(scenario), m_recordPath(recordPath),
      m_connected(scenario != QLatin1String("no-device")),
      m_resolved(scenario != QLatin1String("late-resolve"))
{}

QString FakeBluez::introspect(const QString &) const
{
    return {};
}

BluezObjects FakeBluez::objects() const
{
    const bool knob = m_scenario != QLatin1String("not-knob");
    BluezObjects all;
    if (m_scenario != QLatin1String("no-adapter"))
        all.insert(QDBusObjectPath(QStringLiteral("/org/bluez/hci0")),
                   {{QStringLiteral("org.bluez.Adapter1"),
                     {{QStringLiteral("Powered"), m_scenario != QLatin1String("powered-off")}}}});
    QVariantMap device{
        {QStringLiteral("Address"), QStringLiteral("C0:FF:EE:00:00:01")},
        {QStringLiteral("Name"), knob ? QStringLiteral("VELTRANIX") : QStringLiteral("Headphones")},
        {QStringLiteral("Alias"), knob ? QStringLiteral("VELTRANIX") : QStringLiteral("Headphones")},
        {QStringLiteral("Connected"), m_connected},
        {QStringLiteral("ServicesResolved"), m_connected && m_resolved},
        {QStringLiteral("Modalias"),
         knob ? QStringLiteral("usb:v05ACp022Cd0001") : QStringLiteral("bluetooth:v004Cp2002d0100")}};
    all.insert(QDBusObjectPath(kDevicePath), {{QStringLiteral("org.bluez.Device1"), device}});
    if (!m_connected || !m_resolved)
        return all;
    const int mtu = m_scenario == QLatin1String("small-mtu") ? 23 : 247;
    const auto service = [&](const QString &path, const QString &uuid) {
        all.insert(QDBusObjectPath(path),
                   {{QStringLiteral("org.bluez.GattService1"),
                     {{QStringLiteral("UUID"), uuid},
                      {QStringLiteral("Device"), QVariant::fromValue(QDBusObjectPath(kDevicePath))},
                      {QStringLiteral("Primary"), true}}}});
    };
    const auto characteristic = [&](const QString &path, const QString &uuid, const QStringList &flags) {
        all.insert(
            QDBusObjectPath(path),
            {{kChar,
              {{QStringLiteral("UUID"), uuid},
               {QStringLiteral("Service"), QVariant::fromValue(QDBusObjectPath(path.section('/', 0, -2)))},
               {QStringLiteral("Flags"), flags},
               {QStringLiteral("MTU"), QVariant::fromValue(quint16(mtu))}}}});
    };
    // A standard service with a notify and a write characteristic of its own:
    // the helper must not take it for the vendor one.
    service(kDevicePath + QStringLiteral("/service000a"),
            QStringLiteral("0000180a-0000-1000-8000-00805f9b34fb"));
    characteristic(kDevicePath + QStringLiteral("/service000a/char000b"),
                   QStringLiteral("00002a29-0000-1000-8000-00805f9b34fb"), {"read", "write", "notify"});
    service(kDevicePath + QStringLiteral("/service0010"), kVendorService);
    characteristic(kWritePath, QStringLiteral("7a1c0002-3b5e-4c2a-9f10-5d2b8c6e4a01"),
                   {"write-without-response", "write"});
    characteristic(kNotifyPath, QStringLiteral("7a1c0003-3b5e-4c2a-9f10-5d2b8c6e4a01"), {"notify"});
    return all;
}

void FakeBluez::record(const QByteArray &value, const QString &type)
{
    if (m_recordPath.isEmpty())
        return;
    QFile f(m_recordPath);
    if (f.open(QIODevice::Append))
        f.write(QStringLiteral("%1 %2 %3\n").arg(type).arg(value.size()).arg(toHex(value)).toLatin1());
}

bool FakeBluez::handleMessage(const QDBusMessage &message, const QDBusConnection &connection)
{
    const QString member = message.member();
    const QString path = message.path();
    if (path == QLatin1String("/") && member == QLatin1String("GetManagedObjects")) {
        connection.send(message.createReply(QVariant::fromValue(objects())));
        if (!std::exchange(m_looked, true)) {
            // As BlueZ does: Connected first, the services a little later.
            if (m_scenario == QLatin1String("late-resolve"))
                QTimer::singleShot(400, this, [this] {
                    m_resolved = true;
                    setConnected(true);
                });
            if (m_scenario == QLatin1String("sleepy"))
                QTimer::singleShot(500, this, [this] { setConnected(false); });
        }
        return true;
    }
    if (!m_connected && path.startsWith(kDevicePath) && path != kDevicePath) {
        connection.send(message.createErrorReply(QStringLiteral("org.bluez.Error.NotConnected"),
                                                 QStringLiteral("Not Connected")));
        return true;
    }
    if (path == kNotifyPath && member == QLatin1String("StartNotify")) {
        ++m_startNotifyCalls;
        if (m_scenario == QLatin1String("notify-not-permitted") ||
            (m_scenario == QLatin1String("notify-in-progress") && m_startNotifyCalls == 1)) {
            const bool permitted = m_scenario == QLatin1String("notify-in-progress");
            connection.send(message.createErrorReply(
                permitted ? QStringLiteral("org.bluez.Error.InProgress")
                          : QStringLiteral("org.bluez.Error.NotPermitted"),
                permitted ? QStringLiteral("In Progress") : QStringLiteral("Notify not permitted")));
            return true;
        }
        m_notifying = true;
        connection.send(message.createReply());
        return true;
    }
    if (path == kWritePath && member == QLatin1String("WriteValue") && message.arguments().size() == 2) {
        const QByteArray value = message.arguments().at(0).toByteArray();
        const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().at(1));
        record(value, options.value(QStringLiteral("type")).toString());
        if (m_scenario == QLatin1String("reject-write")) {
            connection.send(
                message.createErrorReply(QStringLiteral("org.bluez.Error.Failed"),
                                         QStringLiteral("Operation failed with ATT error: 0x0e")));
            return true;
        }
        connection.send(message.createReply());
        if (value.size() >= 2 && static_cast<unsigned char>(value.at(0)) == 0x03 &&
            static_cast<unsigned char>(value.at(1)) == 0xFF)
            QTimer::singleShot(20, this, &FakeBluez::answerQuery);
        return true;
    }
    if (path == kDevicePath && member == QLatin1String("Connect")) {
        setConnected(true);
        connection.send(message.createReply());
        return true;
    }
    return false;
}

void FakeBluez::answerQuery()
{
    if (!m_notifying)
        return;
    // Keyboard key A on physical key 5 (older code), a second packet with the
    // report number doubled, the colour, the end packet, then a straggler
    // that a helper must not forward after the end.
    const QList<QByteArray> answers{hexBytes("03 FD 11 01 01 00 01 00 00 04", 64),
                                    hexBytes("03 03 FD 02 01 01 00 01 00 00 05", 66),
                                    hexBytes("03 FD 00 06 FF 80 00 64 01", 64), hexBytes("03 FD FE FF", 64),
                                    hexBytes("03 FD 04 01 01 00 01 00 00 06", 64)};
    int delay = 0;
    for (int i = 0; i < answers.size(); ++i) {
        const QByteArray packet = answers.at(i);
        QTimer::singleShot(delay, this, [this, packet] { notify(packet); });
        delay += 30;
        if (m_scenario == QLatin1String("disconnect")) {
            QTimer::singleShot(delay, this, [this] { setConnected(false); });
            break;
        }
    }
}

void FakeBluez::notify(const QByteArray &value)
{
    QDBusMessage signal =
        QDBusMessage::createSignal(kNotifyPath, kProperties, QStringLiteral("PropertiesChanged"));
    signal << kChar << QVariantMap{{QStringLiteral("Value"), value}} << QStringList();
    m_bus.send(signal);
}

void FakeBluez::setConnected(bool connected)
{
    m_connected = connected;
    if (!connected)
        m_notifying = false;
    QDBusMessage signal =
        QDBusMessage::createSignal(kDevicePath, kProperties, QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.bluez.Device1")
           << QVariantMap{{QStringLiteral("Connected"), connected},
                          {QStringLiteral("ServicesResolved"), connected && m_resolved}}
           << QStringList();
    m_bus.send(signal);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    registerBluezTypes();

    const QStringList args = app.arguments();
    QString scenario = QStringLiteral("normal");
    QString recordPath;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--record"))
            recordPath = args.at(i + 1);
        else if (args.at(i) == QLatin1String("--scenario"))
            scenario = args.at(i + 1);
    }

    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "fakebluez: no bus: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    FakeBluez fake(bus, scenario, recordPath);
    if (!bus.registerVirtualObject(QStringLiteral("/"), &fake, QDBusConnection::SubPath)) {
        std::fprintf(stderr, "fakebluez: object tree not registered\n");
        return 1;
    }
    if (!bus.registerService(QStringLiteral("org.bluez"))) {
        std::fprintf(stderr, "fakebluez: org.bluez not owned: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
