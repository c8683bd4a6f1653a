#include "blehelperwatch.h"

#include "blehelperrun.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QJsonObject>

namespace {

const QString kBluez = QStringLiteral("org.bluez");
constexpr int kCallTimeoutMs = 3000;
// Signals come in bursts (a connect changes several properties): one look per burst.
constexpr int kSettleMs = 150;
// Without a system bus there is nothing to watch; looking again now and then is cheap.
constexpr int kBusRetryMs = 30000;

} // namespace

BleHelperWatch::BleHelperWatch(QObject *parent) : QObject(parent)
{
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(kSettleMs);
    connect(&m_refresh, &QTimer::timeout, this, &BleHelperWatch::refresh);
    m_busRetry.setInterval(kBusRetryMs);
    connect(&m_busRetry, &QTimer::timeout, this, &BleHelperWatch::connectBus);
}

int BleHelperWatch::exec()
{
    connectBus();
    return QCoreApplication::exec();
}

void BleHelperWatch::connectBus()
{
    m_bus = QDBusConnection::connectToBus(QDBusConnection::SystemBus,
                                          QStringLiteral("watch%1").arg(++m_busAttempt));
    if (!m_bus.isConnected()) {
        reportBluetooth(false,
                        QStringLiteral("system bus not reachable: %1").arg(m_bus.lastError().message()));
        QDBusConnection::disconnectFromBus(m_bus.name());
        m_busRetry.start();
        return;
    }
    m_busRetry.stop();
    auto *owner = new QDBusServiceWatcher(kBluez, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(owner, &QDBusServiceWatcher::serviceOwnerChanged, &m_refresh, qOverload<>(&QTimer::start));
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

void BleHelperWatch::onBusSignal(const QDBusMessage &message)
{
    if (message.member() == QLatin1String("PropertiesChanged")) {
        const QString interface = message.arguments().value(0).toString();
        if (interface != QLatin1String("org.bluez.Device1") &&
            interface != QLatin1String("org.bluez.Adapter1"))
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
    QMap<QString, bool> knobs;
    for (const BluezDevice &d : devicesOf(objects)) {
        if (isKnob(d))
            knobs.insert(d.address, d.connected);
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

void BleHelperWatch::reportKnobs(const QMap<QString, bool> &knobs)
{
    auto print = [](const QString &address, bool connected) {
        BleHelperRun::printLine({{QStringLiteral("type"), QStringLiteral("knob")},
                                 {QStringLiteral("address"), address},
                                 {QStringLiteral("connected"), connected}});
    };
    // A knob that went from the tree (unpaired, BlueZ gone) is no longer connected.
    for (auto it = m_knobs.cbegin(); it != m_knobs.cend(); ++it) {
        if (it.value() && !knobs.value(it.key()))
            print(it.key(), false);
    }
    for (auto it = knobs.cbegin(); it != knobs.cend(); ++it) {
        if (it.value() && !m_knobs.value(it.key()))
            print(it.key(), true);
    }
    m_knobs = knobs;
}
