#pragma once

#include "bluezmodel.h"
#include "protocol/packets.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <vector>

class QDBusMessage;
class QEventLoop;
class QJsonObject;

// What the command line asks of one run.
struct BleHelperOptions
{
    QString target; // "auto" or a device address
    bool query = false;
    double listenSeconds = 0.0;
    std::vector<Packet> packets;
};

// One run of the helper against BlueZ: find the knob, pick its GATT pair,
// then query and listen or write a batch. Reports JSON lines on standard
// output; every bus call carries a time-out, so a run always ends.
class BleHelperRun : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BleHelperRun)

public:
    // 2, 3, 7 and 8 say there is no knob to talk to; the others are failures
    // with a knob.
    enum ExitCode
    {
        Ok = 0,
        BusUnavailable = 2, // no system bus
        NoDevice = 3,       // no (connected) knob
        GattUnavailable = 4,
        WriteFailed = 5,
        Disconnected = 6,
        NoBluez = 7,   // org.bluez not on the bus
        NoAdapter = 8, // no adapter, or none powered
        Usage = 64,
    };

    explicit BleHelperRun(const QDBusConnection &bus, BleHelperOptions options, QObject *parent = nullptr);

    // Runs to the end and returns the process exit code.
    int exec();

    static void printLine(const QJsonObject &object);
    static void printError(const QString &message);
    // A call to BlueZ that never starts it by bus activation: where the
    // daemon cannot start (no adapter) that would wait out the time-out.
    static QDBusMessage bluezCall(const QString &path, const QString &interface, const QString &method);
    // Whether org.bluez has an owner now; false with the reason otherwise.
    static bool bluezRunning(const QDBusConnection &bus, QString *reason);

private Q_SLOTS:
    void onPropertiesChanged(const QDBusMessage &message);

private:
    std::optional<BluezObjects> fetchObjects();
    bool call(const QString &path, const QString &interface, const QString &method, const QVariantList &args,
              int timeoutMs, QString *error);
    bool writePacket(const Packet &packet, QString *error);
    int finishDisconnected();
    int runOn(const BluezDevice &device, const GattChoice &gatt);
    // The GATT pair of a device whose services are resolved; error set when there is none.
    std::optional<GattChoice> gattOf(const BluezDevice &device, const BluezObjects &objects, QString *error);
    // Serves the bus until done() holds (true), the time-out passes or the
    // device disconnects (false).
    bool waitFor(const std::function<bool()> &done, int timeoutMs);
    bool startNotify(QString *error);

    QDBusConnection m_bus;
    BleHelperOptions m_options;
    GattChoice m_gatt;
    QString m_devicePath;
    QEventLoop *m_listenLoop = nullptr;
    QEventLoop *m_waitLoop = nullptr;
    QElapsedTimer m_commandPace; // since the last write
    int m_mtu = 0;
    bool m_resolved = false;
    bool m_disconnected = false;
    bool m_endReceived = false;
    bool m_probeReported = false;
};
