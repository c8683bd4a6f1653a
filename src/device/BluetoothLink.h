#pragma once

#include "protocol/packets.h"

#include <QMap>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class BluetoothConnector;
class BluetoothTransport;
class BluetoothWatch;
class KnobOwnerLock;
class KnobTransport;
struct BleHelperMessage;

// The knob through the Bluetooth helper: the watch that says when a run is
// worth starting, the connector that runs it, the transport that writes
// through it and the owner lock on the knob's address. A connect run reads
// the configuration as it connects; what it brought is handed on with
// configurationArrived. Lives on the session's thread.
class BluetoothLink : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BluetoothLink)

public:
    // cableUp: whether another link (hidraw or demo) is up; it always wins.
    explicit BluetoothLink(std::function<bool()> cableUp, QObject *parent = nullptr);
    ~BluetoothLink() override;

    void setHelperDirectory(const QString &directory);
    void startWatch();
    void stop();

    bool isUp() const { return m_up; }
    // A connect run's process is going (or its result is still to come).
    bool isRunning() const;
    bool isProcessRunning() const;
    std::shared_ptr<KnobTransport> transport() const;
    std::shared_ptr<KnobOwnerLock> ownerLock() const { return m_lock; }
    // The owner lock's identity of the knob the link reaches.
    QString knobIdentity() const;
    // The knob's battery as BlueZ reads it; over a Bluetooth hidraw node,
    // the one knob BlueZ reports. -1 when unknown.
    int batteryLevel() const;

    // A connect run; a failure to start one is noted like a failed run.
    void startRun();
    // A hidraw node took over: a run still reading over the air is not waited for.
    void cableTookOver();
    // Whatever link was up is gone; wasUp: one was, and a new streak of
    // reported failures begins.
    void linkClosed(bool wasUp, bool watchStays);
    // A write found the knob gone: lost() follows.
    void checkWriteLost();

Q_SIGNALS:
    void linkChanged(bool up);
    void configurationArrived(const std::vector<Packet> &packets);
    // The run that brought the configuration is done with it.
    void knobConnected();
    // Once per streak; see KnobSession::bluetoothConnectFailed.
    void connectFailed(const QString &reason);
    void connectWanted();
    void batteryLevelsChanged();
    // The knob of the link that is up went away.
    void lost();

private:
    void setUp(bool up);
    bool holdKnob();
    void clearIdentity();
    void onMessage(const BleHelperMessage &message);
    void onRunFinished(const std::vector<Packet> &packets, bool connectedInRun, bool querySent, bool online);
    // A run that found no knob: one log line per change of reason, no toast.
    void noteRunFailed(int exitCode, const QString &error);
    void reportFailure(const QString &reason);
    bool anyLinkUp() const { return m_up || m_cableUp(); }

    std::function<bool()> m_cableUp;
    std::shared_ptr<BluetoothTransport> m_transport;
    std::shared_ptr<KnobOwnerLock> m_lock;
    BluetoothConnector *m_connector = nullptr;
    BluetoothWatch *m_watch = nullptr;
    bool m_up = false;
    QString m_quietState;
    bool m_failureReported = false;
    QMap<QString, int> m_batteryLevels; // address -> percent, of the knobs BlueZ has connected
};
