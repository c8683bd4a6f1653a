#include "blehelperwatch.h"

#include "blehelperrun.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QJsonObject>

#include <algorithm>

namespace {

const QString kBluez = QStringLiteral("org.bluez");
constexpr int kCallTimeoutMs = 3000;
// Signals come in bursts (a connect changes several properties): one look per burst.
constexpr int kSettleMs = 150;
// Without a system bus there is nothing to watch; looking again now and then
// is cheap, soon after it went (a restart), rarely once it stays away.
constexpr int kBusRetryFirstMs = 1000;
constexpr int kBusRetryMaxMs = 30000;
// Qt tells nobody when its connection drops; asking it costs nothing.
constexpr int kBusCheckMs = 1000;

// What can change the answer; RSSI, ManufacturerData and the like arrive
// several times a second while anything scans and change nothing.
bool isRelevantChange(const QString &interface, const QVariantMap &changed, const QStringList &invalidated)
{
    static const QMap<QString, QStringList> relevant{
        {QStringLiteral("org.bluez.Device1"),
         {QStringLiteral("Connected"), QStringLiteral("ServicesResolved"), QStringLiteral("Name"),
          QStringLiteral("Alias"), QStringLiteral("Modalias"), QStringLiteral("UUIDs")}},
        {QStringLiteral("org.bluez.Adapter1"), {QStringLiteral("Powered")}},
        {QStringLiteral("org.bluez.Battery1"), {QStringLiteral("Percentage")}}};
    const QStringList names = relevant.value(interface);
    const QStringList keys = changed.keys() + invalidated;
    return std::any_of(keys.cbegin(), keys.cend(), [&](const QString &k) { return names.contains(k); });
}

} // namespace

BleHelperWatch::BleHelperWatch(QObject *parent) : QObject(parent)
{
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(kSettleMs);
    connect(&m_refresh, &QTimer::timeout, this, &BleHelperWatch::refresh);
    m_busRetry.setSingleShot(true);
    connect(&m_busRetry, &QTimer::timeout, this, &BleHelperWatch::connectBus);
    m_busCheck.setInterval(kBusCheckMs);
    connect(&m_busCheck, &QTimer::timeout, this, &BleHelperWatch::checkBus);
}

int BleHelperWatch::exec()
{
    connectBus();
    return QCoreApplication::exec();
}

void BleHelperWatch::connectBus()
{
    delete m_owner;
    m_owner = nullptr;
    if (!m_bus.name().isEmpty())
        QDBusConnection::disconnectFromBus(m_bus.name());
    m_bus = QDBusConnection::connectToBus(QDBusConnection::SystemBus,
                                          QStringLiteral("watch%1").arg(++m_busAttempt));
    if (!m_bus.isConnected()) {
        reportBluetooth(false,
                        QStringLiteral("system bus not reachable: %1").arg(m_bus.lastError().message()));
        reportKnobs({});
        m_busCheck.stop();
        m_busRetryMs = m_busRetryMs == 0 ? kBusRetryFirstMs : std::min(2 * m_busRetryMs, kBusRetryMaxMs);
        m_busRetry.start(m_busRetryMs);
        return;
    }
    m_busRetryMs = 0;
    m_busCheck.start();
    m_owner = new QDBusServiceWatcher(kBluez, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_owner, &QDBusServiceWatcher::serviceOwnerChanged, &m_refresh, qOverload<>(&QTimer::start));
    const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");
    const QString manager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
    m_bus.connect(kBluez, QString(), properties, QStringLiteral("PropertiesChanged"), this,
                  SLOT(onBusSignal(QDBusMessage)));
    m_bus.connect(kBluez, QStringLiteral("/"), manager, QStringLiteral("InterfacesAdded"), this,
                  SLOT(onBusSignal(QDBusMessage)));
    m_bus.connect(kBluez, QStringLiteral("/"), manager, QStringLiteral("InterfacesRemoved"), this,
                  SLOT(onBusSignal(QDBusMessage)));
    refresh();
}

void BleHelperWatch::checkBus()
{
    if (m_bus.isConnected())
        return;
    reportBluetooth(false, QStringLiteral("system bus connection lost"));
    reportKnobs({});
    connectBus();
}

void BleHelperWatch::onBusSignal(const QDBusMessage &message)
{
    if (message.member() == QLatin1String("PropertiesChanged")) {
        const QVariantList args = message.arguments();
        const QVariant changed = args.value(1);
        const QVariantMap map = changed.canConvert<QDBusArgument>()
                                    ? qdbus_cast<QVariantMap>(changed.value<QDBusArgument>())
                                    : changed.toMap();
        if (!isRelevantChange(args.value(0).toString(), map, variantToStringList(args.value(2))))
            return;
    }
    if (!m_refresh.isActive())
        m_refresh.start();
}

void BleHelperWatch::refresh()
{
    QString reason;
    if (!BleHelperRun::bluezRunning(m_bus, &reason)) {
        reportBluetooth(false, reason);
        reportKnobs({});
        return;
    }
    const QDBusMessage reply = m_bus.call(
        BleHelperRun::bluezCall(QStringLiteral("/"), QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                                QStringLiteral("GetManagedObjects")),
        QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        reportBluetooth(false, QStringLiteral("BlueZ not reachable: %1").arg(reply.errorMessage()));
        reportKnobs({});
        return;
    }
    const BluezObjects objects =
        qdbus_cast<BluezObjects>(reply.arguments().constFirst().value<QDBusArgument>());
    const BluezAdapterState adapter = adapterStateOf(objects);
    reportBluetooth(adapter.usable, adapter.reason);
    QMap<QString, Knob> knobs;
    for (const BluezDevice &d : devicesOf(objects)) {
        // A connect run on a knob whose services are still being resolved
        // would find a stale cache and an unnegotiated MTU.
        if (isKnob(d))
            knobs.insert(d.address, {d.connected && d.servicesResolved, d.battery});
    }
    reportKnobs(knobs);
}

void BleHelperWatch::reportBluetooth(bool available, const QString &reason)
{
    if (m_reported && available == m_available && reason == m_reason)
        return;
    m_reported = true;
    m_available = available;
    m_reason = reason;
    BleHelperRun::printLine({{QStringLiteral("type"), QStringLiteral("bluetooth")},
                             {QStringLiteral("available"), available},
                             {QStringLiteral("reason"), reason}});
}

void BleHelperWatch::reportKnobs(const QMap<QString, Knob> &knobs)
{
    auto print = [](const QString &address, const Knob &knob) {
        QJsonObject line{{QStringLiteral("type"), QStringLiteral("knob")},
                         {QStringLiteral("address"), address},
                         {QStringLiteral("connected"), knob.ready}};
        if (knob.ready && knob.battery >= 0)
            line.insert(QStringLiteral("battery"), knob.battery);
        BleHelperRun::printLine(line);
    };
    // A knob that went from the tree (unpaired, BlueZ gone) is no longer connected.
    for (auto it = m_knobs.cbegin(); it != m_knobs.cend(); ++it) {
        if (it.value().ready && !knobs.value(it.key()).ready)
            print(it.key(), {});
    }
    for (auto it = knobs.cbegin(); it != knobs.cend(); ++it) {
        const Knob before = m_knobs.value(it.key());
        if (it.value().ready && !(before == it.value()))
            print(it.key(), it.value());
    }
    m_knobs = knobs;
}
