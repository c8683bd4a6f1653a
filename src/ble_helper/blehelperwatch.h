#pragma once

#include "bluezmodel.h"

#include <QDBusConnection>
#include <QMap>
#include <QObject>
#include <QTimer>

class QDBusMessage;
class QDBusServiceWatcher;

// `ble_helper watch`: stays up and prints one JSON line per change, whether
// Bluetooth can be used at all and which knobs BlueZ has connected, so the
// program starts a connect run only when there is a knob to talk to.
class BleHelperWatch : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BleHelperWatch)

public:
    explicit BleHelperWatch(QObject *parent = nullptr);

    // Runs until the process is ended.
    int exec();

private Q_SLOTS:
    void onBusSignal(const QDBusMessage &message);

private:
    struct Knob
    {
        bool ready = false; // connected with its services resolved
        int battery = -1;
        bool operator==(const Knob &o) const { return ready == o.ready && battery == o.battery; }
    };

    void connectBus();
    void checkBus();
    void refresh();
    void reportBluetooth(bool available, const QString &reason);
    void reportKnobs(const QMap<QString, Knob> &knobs);

    QDBusConnection m_bus{QString()};
    QDBusServiceWatcher *m_owner = nullptr;
    int m_busAttempt = 0;
    int m_busRetryMs = 0;
    QTimer m_refresh;
    QTimer m_busRetry;
    QTimer m_busCheck;
    bool m_reported = false;
    bool m_available = false;
    QString m_reason;
    QMap<QString, Knob> m_knobs; // address -> as last printed
};
