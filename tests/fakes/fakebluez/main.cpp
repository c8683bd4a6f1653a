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

#include "fakebluez.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include <cstdio>

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
