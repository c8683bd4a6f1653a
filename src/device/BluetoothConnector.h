#pragma once

#include "device/blehelpermessage.h"
#include "device/blelineparser.h"

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QString>

#include <functional>
#include <vector>

// One automatic Bluetooth connect run at a time: starts the helper program,
// reads its output lines and keeps what this run reported. What the reports
// mean for the link is the session's to decide; this class tells it by
// signals, in the order the helper reported.
class BluetoothConnector : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BluetoothConnector)

public:
    struct Outcome
    {
        std::vector<Packet> packets; // configuration packets, as received
        bool connectedInRun = false;
        bool querySent = false;
        bool online = false;
        bool timed = false; // the run's timing lines were written
        int exitCode = -1;  // -1: crashed or never started
        QString error;      // the last "error" line's text
    };

    explicit BluetoothConnector(QObject *parent = nullptr);
    ~BluetoothConnector() override;

    // Where the helper is looked for; the application's directory by default.
    void setHelperDirectory(const QString &directory) { m_helperDirectory = directory; }
    QString helperDirectory() const;

    // Starts a run; false when no helper was found (nothing runs then).
    bool startRun();
    // True from startRun until the run's helper has exited.
    bool isRunning() const { return m_running; }
    bool isProcessRunning() const;
    // Ends a running helper without a report.
    void stop();

    int runPacketCount() const { return int(m_run.packets.size()); }
    QString address() const { return m_address; }
    QString deviceId() const { return m_deviceId; }
    QString writeUuid() const { return m_writeUuid; }
    void clearIdentity();

    // A quiet run keeps its lines out of the log: the session logs the
    // state it ends in once instead.
    void setQuiet(bool quiet) { m_quiet = quiet; }

    // Writes a timing line while the run is timed.
    void logTiming(const char *phase) const;

Q_SIGNALS:
    // Every usable line, in order; the run's own state is already updated.
    void messageReceived(const BleHelperMessage &message);
    void runFinished(const BluetoothConnector::Outcome &outcome);

private:
    void onReadyRead();
    void onFinished(int exitCode, QProcess::ExitStatus status);
    void handleLine(const QByteArray &line);
    void log(const QString &line) const;

    QProcess *m_process = nullptr;
    BleLineParser m_parser;
    QString m_helperDirectory;
    bool m_running = false;
    bool m_firstOutputSeen = false;
    bool m_timingActive = false;
    bool m_quiet = false;
    QElapsedTimer m_timing;
    Outcome m_run;
    QString m_address;
    QString m_deviceId;
    QString m_writeUuid;
};
