// fakebluez [--scenario NAME] [--record FILE], NAME one of those listed below
// Owns org.bluez on the bus in DBUS_SYSTEM_BUS_ADDRESS, prints "ready" once it
// does, and serves until killed. --record appends one line per WriteValue:
// the write type, the byte count and the bytes in hex.

#include "fakebluez.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMap>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    registerBluezTypes();

    const QStringList args = app.arguments();
    FakeBluez::Scenario scenario = FakeBluez::Scenario::Normal;
    QString recordPath;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const QString &value = args.at(i + 1);
        if (args.at(i) == QLatin1String("--record")) {
            recordPath = value;
        } else if (args.at(i) == QLatin1String("--scenario")) {
            static const QMap<QString, FakeBluez::Scenario> names{
                {"normal", FakeBluez::Scenario::Normal},
                {"no-device", FakeBluez::Scenario::NoConnectedDevice},
                {"not-knob", FakeBluez::Scenario::NotTheKnob},
                {"reject-write", FakeBluez::Scenario::RejectWrite},
                {"disconnect", FakeBluez::Scenario::DisconnectMidRun},
                {"small-mtu", FakeBluez::Scenario::SmallMtu},
                {"powered-off", FakeBluez::Scenario::PoweredOff},
                {"no-adapter", FakeBluez::Scenario::NoAdapter},
                {"late-resolve", FakeBluez::Scenario::LateResolve},
                {"notify-in-progress", FakeBluez::Scenario::NotifyInProgress},
                {"notify-not-permitted", FakeBluez::Scenario::NotifyNotPermitted},
                {"impostor", FakeBluez::Scenario::Impostor},
                {"sleepy", FakeBluez::Scenario::Sleepy}};
            if (!names.contains(value)) {
                std::fprintf(stderr, "fakebluez: unknown scenario\n");
                return 2;
            }
            scenario = names.value(value);
        }
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
