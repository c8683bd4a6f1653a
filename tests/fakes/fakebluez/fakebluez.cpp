// fakebluez [--scenario NAME] [--record FILE]
// NAME: normal; no-device (paired, not connected); not-knob (the connected
// device is something else); keyboard (the knob's ids, no vendor service);
// reject-write (every WriteValue fails); disconnect (one notification, then
// Connected=false); gone-mid-write (the second WriteValue finds the link
// gone); write-in-progress (the first WriteValue answers InProgress);
// not-paired; small-mtu (23); powered-off; no-adapter; reconnect (connected,
// services and MTU still coming); notify-in-progress (the first StartNotify
// answers InProgress); notify-not-permitted; busy (after the first look:
// resolution, a battery appearing, an RSSI flood, the battery changing and
// going, the adapter off and on).
// As BlueZ does: the GATT objects stay cached while the device is away; a
// Connect answers before the services are resolved; MTU is absent, then 23,
// then 247, each announced. Owns org.bluez on the bus in
// DBUS_SYSTEM_BUS_ADDRESS, prints "ready" once it does, and serves until
// killed; in busy it prints "flood-looks N", the GetManagedObjects calls
// during the flood. --record appends one line per WriteValue: the write
// type, the byte count and the bytes in hex.

#include "bluezmodel.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <functional>
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
    void signal(const QString &path, const QString &interface, const QVariantMap &changed);
    void resolveLater();
    void setMtu(int mtu);
    void busyTimeline();
    // The next step of a timeline, once the watch has looked at the change
    // before it: a loaded machine must not fold two changes into one look.
    void afterLook(std::function<void()> step) { m_nextStep = std::move(step); }
    bool is(const char *scenario) const { return m_scenario == QLatin1String(scenario); }

    QDBusConnection m_bus;
    QString m_scenario;
    QString m_recordPath;
    bool m_connected = true;
    bool m_resolved = true;
    bool m_powered = true;
    bool m_notifying = false;
    bool m_looked = false;
    int m_mtu = 247; // 0: not yet exchanged, BlueZ shows none
    int m_battery = -1;
    int m_startNotifyCalls = 0;
    int m_writes = 0;
    int m_looks = 0;
    std::function<void()> m_nextStep;
};

FakeBluez::FakeBluez(const QDBusConnection &bus, const QString &scenario, const QString &recordPath,
                     QObject *parent)
    : QDBusVirtualObject(parent), m_bus(bus), m_scenario(scenario), m_recordPath(recordPath),
      m_connected(!is("no-device")), m_resolved(!is("no-device") && !is("reconnect") && !is("busy")),
      m_mtu(m_resolved ? (is("small-mtu") ? 23 : 247) : 0)
{}

QString FakeBluez::introspect(const QString &) const
{
    return {};
}

BluezObjects FakeBluez::objects() const
{
    const bool knob = !is("not-knob") && !is("keyboard");
    const QString name = knob ? QStringLiteral("VELTRANIX") : QStringLiteral("Keyboard");
    BluezObjects all;
    if (!is("no-adapter"))
        all.insert(QDBusObjectPath(QStringLiteral("/org/bluez/hci0")),
                   {{QStringLiteral("org.bluez.Adapter1"),
                     {{QStringLiteral("Powered"), m_powered && !is("powered-off")}}}});
    QStringList uuids{QStringLiteral("0000180a-0000-1000-8000-00805f9b34fb"),
                      QStringLiteral("00001812-0000-1000-8000-00805f9b34fb")};
    if (knob)
        uuids << kVendorService;
    QVariantMap device{{QStringLiteral("Address"), QStringLiteral("C0:FF:EE:00:00:01")},
                       {QStringLiteral("Name"), name},
                       {QStringLiteral("Alias"), name},
                       {QStringLiteral("Connected"), m_connected},
                       {QStringLiteral("ServicesResolved"), m_connected && m_resolved},
                       {QStringLiteral("UUIDs"), uuids},
                       {QStringLiteral("Modalias"), is("not-knob")
                                                        ? QStringLiteral("bluetooth:v004Cp2002d0100")
                                                        : QStringLiteral("usb:v05ACp022Cd0001")}};
    BluezInterfaces deviceIfaces{{QStringLiteral("org.bluez.Device1"), device}};
    if (m_battery >= 0)
        deviceIfaces.insert(QStringLiteral("org.bluez.Battery1"),
                            {{QStringLiteral("Percentage"), QVariant::fromValue(uchar(m_battery))}});
    all.insert(QDBusObjectPath(kDevicePath), deviceIfaces);
    const auto service = [&](const QString &path, const QString &uuid) {
        all.insert(QDBusObjectPath(path),
                   {{QStringLiteral("org.bluez.GattService1"),
                     {{QStringLiteral("UUID"), uuid},
                      {QStringLiteral("Device"), QVariant::fromValue(QDBusObjectPath(kDevicePath))},
                      {QStringLiteral("Primary"), true}}}});
    };
    const auto characteristic = [&](const QString &path, const QString &uuid, const QStringList &flags) {
        QVariantMap p{
            {QStringLiteral("UUID"), uuid},
            {QStringLiteral("Service"), QVariant::fromValue(QDBusObjectPath(path.section('/', 0, -2)))},
            {QStringLiteral("Flags"), flags}};
        if (m_mtu > 0)
            p.insert(QStringLiteral("MTU"), QVariant::fromValue(quint16(m_mtu)));
        all.insert(QDBusObjectPath(path), {{kChar, p}});
    };
    // A standard service with a notify and a write characteristic of its own:
    // the helper must not take it for the vendor one.
    service(kDevicePath + QStringLiteral("/service000a"),
            QStringLiteral("0000180a-0000-1000-8000-00805f9b34fb"));
    characteristic(kDevicePath + QStringLiteral("/service000a/char000b"),
                   QStringLiteral("00002a29-0000-1000-8000-00805f9b34fb"), {"read", "write", "notify"});
    if (!knob)
        return all;
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
    const auto fail = [&](const char *name, const char *text) {
        connection.send(message.createErrorReply(QString::fromLatin1(name), QString::fromLatin1(text)));
        return true;
    };
    if (path == QLatin1String("/") && member == QLatin1String("GetManagedObjects")) {
        ++m_looks;
        connection.send(message.createReply(QVariant::fromValue(objects())));
        if (!std::exchange(m_looked, true)) {
            if (is("reconnect"))
                resolveLater();
            if (is("busy"))
                busyTimeline();
        } else if (m_nextStep && m_resolved) {
            QTimer::singleShot(200, this, std::exchange(m_nextStep, {}));
        }
        return true;
    }
    // BlueZ 5.66 answers so for a link that is down or whose GATT client is not ready.
    if ((!m_connected || !m_resolved) && path.startsWith(kDevicePath + QLatin1Char('/')))
        return fail("org.bluez.Error.Failed", "Not connected");
    if (path == kNotifyPath && member == QLatin1String("StartNotify")) {
        ++m_startNotifyCalls;
        if (is("notify-not-permitted"))
            return fail("org.bluez.Error.NotPermitted", "Notify not permitted");
        if (is("notify-in-progress") && m_startNotifyCalls == 1)
            return fail("org.bluez.Error.InProgress", "In Progress");
        m_notifying = true;
        connection.send(message.createReply());
        return true;
    }
    if (path == kWritePath && member == QLatin1String("WriteValue") && message.arguments().size() == 2) {
        const QByteArray value = message.arguments().at(0).toByteArray();
        const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().at(1));
        record(value, options.value(QStringLiteral("type")).toString());
        ++m_writes;
        if (is("reject-write"))
            return fail("org.bluez.Error.Failed", "Operation failed with ATT error: 0x0e");
        if (is("not-paired"))
            return fail("org.bluez.Error.NotPermitted", "Not paired");
        if (is("write-in-progress") && m_writes == 1)
            return fail("org.bluez.Error.InProgress", "In Progress");
        if (is("gone-mid-write") && m_writes == 2) {
            // The error comes first; the signal saying so later.
            m_connected = false;
            QTimer::singleShot(300, this, [this] { setConnected(false); });
            return fail("org.bluez.Error.Failed", "Not connected");
        }
        connection.send(message.createReply());
        if (value.size() >= 2 && static_cast<unsigned char>(value.at(0)) == 0x03 &&
            static_cast<unsigned char>(value.at(1)) == 0xFF)
            QTimer::singleShot(20, this, &FakeBluez::answerQuery);
        return true;
    }
    if (path == kDevicePath && member == QLatin1String("Connect")) {
        // An LE connect answers once the ATT channel is up.
        m_resolved = false;
        m_mtu = 0;
        connection.send(message.createReply());
        setConnected(true);
        resolveLater();
        return true;
    }
    return false;
}

void FakeBluez::resolveLater()
{
    QTimer::singleShot(100, this, [this] { setMtu(23); });
    QTimer::singleShot(300, this, [this] {
        m_resolved = true;
        signal(kDevicePath, QStringLiteral("org.bluez.Device1"),
               {{QStringLiteral("ServicesResolved"), true}});
    });
    if (!is("small-mtu"))
        QTimer::singleShot(500, this, [this] { setMtu(247); });
}

void FakeBluez::setMtu(int mtu)
{
    m_mtu = mtu;
    for (const QString &path : {kWritePath, kNotifyPath})
        signal(path, kChar, {{QStringLiteral("MTU"), QVariant::fromValue(quint16(mtu))}});
}

void FakeBluez::busyTimeline()
{
    const QString battery = QStringLiteral("org.bluez.Battery1");
    const QString manager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
    const auto powerOn = [this] {
        m_powered = true;
        signal(QStringLiteral("/org/bluez/hci0"), QStringLiteral("org.bluez.Adapter1"),
               {{QStringLiteral("Powered"), true}});
    };
    // Powering off drops every link.
    const auto powerOff = [=] {
        m_powered = false;
        signal(QStringLiteral("/org/bluez/hci0"), QStringLiteral("org.bluez.Adapter1"),
               {{QStringLiteral("Powered"), false}});
        setConnected(false);
        afterLook(powerOn);
    };
    const auto batteryGone = [=] {
        m_battery = -1;
        QDBusMessage removed =
            QDBusMessage::createSignal(QStringLiteral("/"), manager, QStringLiteral("InterfacesRemoved"));
        removed << QVariant::fromValue(QDBusObjectPath(kDevicePath)) << QStringList{battery};
        m_bus.send(removed);
        afterLook(powerOff);
    };
    const auto batteryLow = [=] {
        m_battery = 12;
        signal(kDevicePath, battery, {{QStringLiteral("Percentage"), QVariant::fromValue(uchar(12))}});
        afterLook(batteryGone);
    };
    // While something scans: RSSI and manufacturer data, many times a second,
    // none of which is worth a look.
    const auto flood = [=] {
        m_looks = 0;
        for (int i = 0; i < 100; ++i)
            QTimer::singleShot(10 * i, this, [this, i] {
                signal(kDevicePath, QStringLiteral("org.bluez.Device1"),
                       {{QStringLiteral("RSSI"), QVariant::fromValue(qint16(-40 - i % 20))},
                        {QStringLiteral("ManufacturerData"), QVariantMap()}});
            });
        QTimer::singleShot(1300, this,
                           [this] { std::printf("flood-looks %d\n", m_looks), std::fflush(stdout); });
        QTimer::singleShot(1400, this, batteryLow);
    };
    const auto batteryAppears = [=] {
        m_battery = 57;
        QDBusMessage added =
            QDBusMessage::createSignal(QStringLiteral("/"), manager, QStringLiteral("InterfacesAdded"));
        added << QVariant::fromValue(QDBusObjectPath(kDevicePath))
              << QVariant::fromValue(BluezInterfaces{
                     {battery, {{QStringLiteral("Percentage"), QVariant::fromValue(uchar(57))}}}});
        m_bus.send(added);
        afterLook(flood);
    };
    resolveLater();
    afterLook(batteryAppears);
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
    signal(kNotifyPath, kChar, {{QStringLiteral("Value"), value}});
}

void FakeBluez::signal(const QString &path, const QString &interface, const QVariantMap &changed)
{
    QDBusMessage signal = QDBusMessage::createSignal(path, kProperties, QStringLiteral("PropertiesChanged"));
    signal << interface << changed << QStringList();
    m_bus.send(signal);
}

void FakeBluez::setConnected(bool connected)
{
    m_connected = connected;
    if (!connected) {
        m_notifying = false;
        m_mtu = 0;
    }
    signal(kDevicePath, QStringLiteral("org.bluez.Device1"),
           {{QStringLiteral("Connected"), connected},
            {QStringLiteral("ServicesResolved"), connected && m_resolved}});
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
