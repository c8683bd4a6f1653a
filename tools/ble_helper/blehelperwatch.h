#pragma once

#include "bluezmodel.h"

#include <QDBusConnection>
#include <QMap>
#include <QObject>
#include <QTimer>

class QDBusMessage;

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
    void connectBus();
    void refresh();
    void reportBluetooth(bool available, const QString &reason);
    void reportKnobs(const QMap<QString, bool> &knobs);

    QDBusConnection m_bus{QString()};
    int m_busAttempt = 0;
    QTimer m_refresh;
    QTimer m_busRetry;
    bool m_reported = false;
    bool m_available = false;
    QString m_reason;
    QMap<QString, bool> m_knobs; // address -> connected, as last printed
};
