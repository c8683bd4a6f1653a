#pragma once

#include "device/blelineparser.h"

#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QProcess>
#include <QSet>
#include <QString>

class QTimer;

// Decides when a Bluetooth connect run is worth starting. Normally one
// long-running `ble_helper watch` says when a knob is connected and when it
// goes; where the watch cannot run, a timer asks for a run every few seconds
// instead, backing off while the runs keep failing the same way.
class BluetoothWatch : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BluetoothWatch)

public:
    explicit BluetoothWatch(QObject *parent = nullptr);
    ~BluetoothWatch() override;

    void setHelperDirectory(const QString &directory) { m_helperDirectory = directory; }
    void start();
    void stop();

    // The session's side: whether some link is up (no runs are asked for
    // then), and how a connect run ended (empty failure: it brought the knob).
    // False while the failure is not worth showing yet: one quick retry
    // comes first, since a knob that just reconnected often fails once.
    void setLinkUp(bool up);
    bool noteRunFinished(const QString &failure, int exitCode);

    bool isWatching() const { return m_process->state() != QProcess::NotRunning; }
    bool isPolling() const { return m_polling; }

Q_SIGNALS:
    void connectWanted();
    // The watch saw the knob with this address disconnect.
    void knobGone(const QString &address);
    void availabilityChanged(bool available, const QString &reason);
    // The knob's battery as BlueZ reads it, -1 when unknown or the knob went.
    void batteryChanged(const QString &address, int percent);

private:
    void startWatch();
    void onReadyRead();
    void onFinished(int exitCode);
    void handleLine(const QByteArray &line);
    void scheduleRun(int delayMs);
    int nextBackoffMs();

    QProcess *m_process = nullptr;
    QTimer *m_runTimer = nullptr;
    QTimer *m_restartTimer = nullptr;
    BleLineParser m_parser;
    QString m_helperDirectory;
    QElapsedTimer m_watchUptime;
    int m_watchBackoffMs = 0;
    bool m_polling = false;
    bool m_linkUp = false;
    bool m_stopped = false;
    QSet<QString> m_connectedKnobs;
    QMap<QString, int> m_battery;
    bool m_retriedQuickly = false;
    // A knob without a usable service stays so until it reconnects.
    bool m_waitForReconnect = false;
    QString m_lastFailure;
    int m_failureBackoffMs = 0;
};
