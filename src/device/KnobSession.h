#pragma once

#include "protocol/assignmentwrite.h"
#include "protocol/knobdocument.h"
#include "protocol/packets.h"

#include "device/KnobOperations.h"
#include "device/PermissionHint.h"
#include "device/debugreadback.h"
#include "device/hidscan.h"
#include "device/savereadback.h"

#include <QMap>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class BluetoothLink;
class Clock;
class KnobDiscovery;
class ClockTimer;
class UdevMonitor;
class DeviceWorkers;
class QTimer;
class HidrawLink;
class KnobLink;

// The knob as the program sees it: finding it, keeping the link, reading its
// stored configuration, saving a knob document to it and sending lighting
// changes. Lives on the thread that created it (the UI thread in the app);
// everything that blocks on the device runs on tracked worker threads that get
// the transport and copied data, never this object. Reports by signals.
class KnobSession : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KnobSession)

public:
    explicit KnobSession(QObject *parent = nullptr);
    // Its own timing on the given clock rather than real time.
    explicit KnobSession(std::shared_ptr<Clock> clock, QObject *parent = nullptr);
    ~KnobSession() override;

    // Initialises hidapi and starts the presence timer, the delayed first
    // connection attempt and the Bluetooth watch.
    void start();
    // Instead of start(): connects to an in-process demo knob with a sample
    // configuration; nothing touches hidapi, udev or Bluetooth.
    void startDemo();
    bool isDemo() const { return m_demo; }
    // Stops the timers, closes the link, waits for every worker and releases
    // hidapi. Nothing is emitted once it has begun. Safe to call twice.
    void shutdown();

    // A logged scan now, unless connected or a scan is running.
    void connectNow();
    void disconnect();
    // The hidden switch between the two vendor/product id pairs; only while
    // nothing is connected. Emits deviceIdsSwitched and scans.
    void switchDeviceIds();

    // Reads, saves and colour packets take the link one at a time: one asked
    // for while another holds it starts when that one ends.
    void readConfiguration() { m_ops->readConfiguration(); }
    // Writes every non-empty gesture of a copy of the document off this thread,
    // then (over USB) reads the configuration back and holds it against the
    // document; false (and nothing written) while another save runs.
    // saveChecked and then saveFinished follow every accepted call.
    // automatic: the profile switcher's save, told apart in saveChecked.
    bool save(const KnobDocument &document, bool automatic = false)
    {
        return m_ops->save(document, automatic);
    }
    // Newest values win; at most one colour packet is on its way at a time.
    void queueLighting(const LightSettings &light) { m_ops->queueLighting(light); }
    // One report (with its compatibility copy for knobKey) written off this
    // thread; over USB the device's answers are then read back on the same
    // worker. False (nothing sent) when no link is up or anything else holds
    // the link or a Bluetooth run is going on; otherwise rawReportWritten follows, and
    // rawReadBackFinished too when it said answers follow.
    bool sendRawReport(const Packet &packet, int knobKey) { return m_ops->sendRawReport(packet, knobKey); }

    using Refusal = KnobOperations::Refusal;
    // Whether a request of this kind would be refused now, and why. A read,
    // a save or a colour change that finds the link held waits for it rather
    // than being refused; a save is taken even without a link (and fails).
    Refusal mayStart(KnobOperations::Kind kind) const { return m_ops->mayStart(kind); }

    bool isConnected() const { return m_connected.load(); }
    // Which knob the link reaches, as well as the link can tell: its serial
    // number, its Bluetooth address, else its node's path ("demo" for the
    // demo knob); empty while nothing is connected.
    QString knobIdentity() const;
    bool isBluetoothConnected() const;
    // Connected through the helper or through a hidraw node on the Bluetooth bus.
    bool isOverBluetooth() const;
    // The connected knob's battery in percent as BlueZ reads it; -1 when unknown.
    int batteryLevel() const;
    bool isConfigReadInProgress() const { return m_ops->isReading(); }
    bool isSaveRunning() const { return m_ops->isSaving(); }
    // Ends a running save after the physical key it is on and that key's end
    // packet; the save then finishes as failed. A save deferred behind a
    // colour packet is dropped.
    void stopSaveAfterCurrentKey() { m_ops->stopSaveAfterCurrentKey(); }
    // Colour packets that have been sent or have failed, for callers that wait for one.
    int lightSendsCompleted() const { return m_ops->lightSendsCompleted(); }
    // A worker of this session has not returned yet.
    bool hasRunningWorkers() const;
    bool usesDefaultDeviceIds() const;
    bool isScanRunning() const;
    // What the last interface scan met (why it found nothing usable); its
    // handle and lock are never kept here.
    const HidScanResult &lastScanResult() const;
    // The line under the status line while permissionHintChanged says it is shown.
    QString permissionHintText() const;
    // Where the Bluetooth helper is looked for (the application's directory
    // unless set).
    void setBluetoothHelperDirectory(const QString &directory);
    // Scans consider this interface path only (empty: every interface of the knob).
    void setInterfacePath(const QString &path);
    // The keyboard layout configurationRead names keys in.
    void setMacLayout(bool mac) { m_ops->setMacLayout(mac); }
    bool isBluetoothConnectRunning() const;

Q_SIGNALS:
    void connectionChanged(bool connected);
    // A read is starting: whatever was loaded before is stale.
    void configReadStarted();
    void configPacketRead(const Packet &packet);
    // What a read that answered brought, decoded; just before configReadFinished.
    void configurationRead(const KnobDocument &document);
    void configReadFinished(bool ok, bool receivedAny);
    // After each physical key a save has written, from its worker's progress.
    void saveProgress(int done, int total);
    // ok: every report was taken. saveChecked comes just before with the read-back.
    void saveFinished(bool ok);
    void saveChecked(const SaveOutcome &outcome);
    void lightingSendFailed();
    // Every colour report's end, taken or not.
    void lightSendFinished(bool ok);
    void deviceIdsSwitched(const QString &idPair);
    // A Bluetooth connect run brought the knob and its configuration.
    void bluetoothConnected();
    // A background Bluetooth attempt failed with a knob there (not for want
    // of Bluetooth or a knob), while no other link is up; reason says why.
    // Once per streak: after start and after a lost link.
    void bluetoothConnectFailed(const QString &reason);
    // batteryLevel() changed (-1: unknown or no Bluetooth link).
    void batteryLevelChanged(int percent);
    // The knob is there but the system refuses to open it, or another program
    // holds it (or no longer does).
    void permissionHintChanged(bool visible);
    // A raw report's bytes written, or -1.
    void rawReportWritten(int result, bool answersFollow);
    // Its answers, numbered from 1, only while the link it went out on is up.
    void rawReportAnswer(int number, const Packet &report);
    void rawReadBackFinished(const DebugReadBackResult &result);

private:
    // The Bluetooth watch's request: a connect run, after a scan that finds
    // no hidraw node of the knob.
    void tryAutoConnectBluetooth();
    void checkConnectedDeviceAlive();
    // A scan opened the knob's interface: it becomes the link.
    void installLink(const HidScanResult &result, hid_device *handle, bool timerPath);
    void startDirectBluetoothConnect();
    void updateBatteryLevel();

    std::shared_ptr<HidrawLink> m_usb;
    // The link that is up (or was the last one): the hidraw one, the demo
    // knob or the Bluetooth helper's.
    std::shared_ptr<KnobLink> m_link;
    bool m_demo = false;
    std::shared_ptr<DeviceWorkers> m_workers;
    bool m_started = false;
    bool m_shutDown = false;

    // Read by workers, hence atomic.
    std::atomic<bool> m_connected{false};
    std::shared_ptr<Clock> m_clock;
    KnobDiscovery *m_discovery = nullptr;
    // Runs what goes over the link, one at a time.
    std::unique_ptr<KnobOperations> m_ops;

    BluetoothLink *m_bt = nullptr;
    bool m_nodeCheckRunning = false; // a device-list check of that node is on a worker
    bool m_nodeCheckAgain = false;   // asked for while it ran
    int m_shownBatteryLevel = -1;
};
