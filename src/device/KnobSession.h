#pragma once

#include "protocol/assignmentwrite.h"
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

class BluetoothConnector;
class BluetoothWatch;
class UdevMonitor;
class BluetoothTransport;
class DeviceWorkers;
class KnobTransport;
class QTimer;
class HidrawTransport;
class KnobLink;
struct BleHelperMessage;
struct ConfigReadOutcome;

// How a save ended: whether the reports went out and what a read right after
// them found on the knob.
struct SaveOutcome
{
    bool written = false;
    bool verifiable = true;        // false where the link cannot read back (Bluetooth)
    bool readBack = false;         // the read after the write answered
    ReadBackCheck check;           // against what the save meant; valid when readBack
    std::vector<Packet> packets;   // the read's answers
    KnobDocument readBackDocument; // those answers decoded, once; valid when readBack
    QList<int> unwrittenKeys;      // empty in the document: the knob keeps its own

    bool confirmed() const { return written && readBack && check.matches(); }
};

// The knob as the program sees it: finding it, keeping the link, reading its
// stored configuration, saving a knob model to it and sending lighting
// changes. Lives on the thread that created it (the UI thread in the app);
// everything that blocks on the device runs on tracked worker threads that get
// the transport and copied data, never this object. Reports by signals.
class KnobSession : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KnobSession)

public:
    explicit KnobSession(QObject *parent = nullptr);
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
    void readConfiguration();
    // Writes every non-empty gesture of a copy of the document off this thread,
    // then (over USB) reads the configuration back and holds it against the
    // document; false (and nothing written) while another save runs.
    // saveChecked and then saveFinished follow every accepted call.
    bool save(const KnobDocument &document);
    // Newest values win; at most one colour packet is on its way at a time.
    void queueLighting(const LightSettings &light);
    // One report (with its compatibility copy for knobKey) written off this
    // thread; over USB the device's answers are then read back on the same
    // worker. False (nothing sent) when no link is up or anything else holds
    // the link or a Bluetooth run is going on; otherwise rawReportWritten follows, and
    // rawReadBackFinished too when it said answers follow.
    bool sendRawReport(const Packet &packet, int knobKey);

    bool isConnected() const { return m_connected.load(); }
    // Which knob the link reaches, as well as the link can tell: its serial
    // number, its Bluetooth address, else its node's path ("demo" for the
    // demo knob); empty while nothing is connected.
    QString knobIdentity() const;
    bool isBluetoothConnected() const { return m_bluetoothConnected.load(); }
    // Connected through the helper or through a hidraw node on the Bluetooth bus.
    bool isOverBluetooth() const;
    // The connected knob's battery in percent as BlueZ reads it; -1 when unknown.
    int batteryLevel() const;
    bool isConfigReadInProgress() const { return m_configReadInProgress; }
    bool isSaveRunning() const { return m_saveRunning; }
    // Ends a running save after the physical key it is on and that key's end
    // packet; the save then finishes as failed. A save deferred behind a
    // colour packet is dropped.
    void stopSaveAfterCurrentKey();
    // Colour packets that have been sent or have failed, for callers that wait for one.
    int lightSendsCompleted() const { return m_lightSendsCompleted; }
    // A worker of this session has not returned yet.
    bool hasRunningWorkers() const;
    bool usesDefaultDeviceIds() const { return m_useDefaultDeviceIds; }
    bool isScanRunning() const { return m_deviceProbeInFlight; }
    // What the last interface scan met (why it found nothing usable); its
    // handle and lock are never kept here.
    const HidScanResult &lastScanResult() const { return m_lastScan; }
    // The line under the status line while permissionHintChanged says it is shown.
    QString permissionHintText() const { return m_permissionHint.text(); }
    // Where the Bluetooth helper is looked for (the application's directory
    // unless set).
    void setBluetoothHelperDirectory(const QString &directory);
    // Scans consider this interface path only (empty: every interface of the knob).
    void setInterfacePath(const QString &path) { m_interfacePath = path; }
    bool isBluetoothConnectRunning() const;

public Q_SLOTS:
    // One tick of the 100 ms presence timer.
    void checkDeviceStatus();
    void checkConnectedDeviceAlive();
    void tryAutoConnectBluetooth();

Q_SIGNALS:
    void connectionChanged(bool connected);
    // A read is starting: whatever was loaded before is stale.
    void configReadStarted();
    void configPacketRead(const Packet &packet);
    void configReadFinished(bool ok, bool receivedAny);
    // After each physical key a save has written, from its worker's progress.
    void saveProgress(int done, int total);
    // ok: every report was taken. saveChecked comes just before with the read-back.
    void saveFinished(bool ok);
    void saveChecked(const SaveOutcome &outcome);
    void lightingSendFailed();
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
    enum class ScanKind
    {
        StatusTimer,
        AutoConnect
    };
    void startInterfaceScan(ScanKind kind);
    void installScanResult(ScanKind kind, const HidScanResult &result, hid_device *handle);
    void finishConfigRead(unsigned long long generation, const ConfigReadOutcome &outcome);
    // The link is free again: a save, then a read, then a colour packet that
    // waited for it goes out.
    void startNextOperation();
    void flushPendingLighting();
    void finishLightSend(bool ok);
    void startSaveWorker(const KnobDocument &document);
    void finishSave(bool written, bool readBack, const std::vector<Packet> &packets,
                    const KnobDocument &document, bool verifiable);
    void clearBluetoothIdentity();
    void startDirectBluetoothConnect();
    void onBluetoothMessage(const BleHelperMessage &message);
    void onBluetoothRunFinished(const std::vector<Packet> &packets, bool connectedInRun, bool querySent,
                                bool online);
    // A run that found no knob: one log line per change of reason, no toast.
    void noteBluetoothRunFailed(int exitCode, const QString &error);
    // A write run or the watch found the Bluetooth knob gone: down like an unplug.
    void checkBluetoothLinkLost();
    void setBluetoothLinkUp(bool up);
    // Takes the owner lock by the helper's knob address; false when another program holds it.
    bool holdBluetoothKnob();
    void reportBluetoothFailure(const QString &reason);
    void updateBatteryLevel();
    // udev saw the knob come or go: scan (or probe the link) now rather than
    // at the next idle tick.
    void onKnobDeviceChanged();
    // The link that is up, or null.
    std::shared_ptr<KnobTransport> activeTransport() const;

    std::shared_ptr<HidrawTransport> m_usb;
    // The link reads go over: the hidraw one, or the demo knob.
    std::shared_ptr<KnobLink> m_link;
    // knobIdentity() of the hidraw link while it is up.
    QString m_usbKnob;
    bool m_demo = false;
    std::shared_ptr<DeviceWorkers> m_workers;
    bool m_started = false;
    bool m_shutDown = false;

    // Read by workers, hence atomic.
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_bluetoothConnected{false};
    bool m_useDefaultDeviceIds = true;
    QString m_interfacePath;
    QTimer *m_statusTimer = nullptr;
    bool m_deviceProbeInFlight = false;
    std::atomic<bool> m_probeWorkerBusy{false};
    int m_idleProbeTicks = 0;
    int m_exclusiveCooldownTicks = 0;
    int m_livenessTicks = 0;

    // What holds the link now; everything else waits for it.
    KnobOperations m_ops;
    bool m_configReadInProgress = false;
    // A read asked for while another operation held the link.
    bool m_readPending = false;
    bool m_saveRunning = false;
    // Shared with the running save's worker; each save gets its own.
    std::shared_ptr<std::atomic<bool>> m_stopSave;
    // A save asked for while another operation held the link.
    std::unique_ptr<KnobDocument> m_deferredSave;

    std::shared_ptr<BluetoothTransport> m_ble;
    std::shared_ptr<KnobOwnerLock> m_bleLock;
    BluetoothConnector *m_bleConnector = nullptr;
    BluetoothWatch *m_bleWatch = nullptr;
    QString m_quietBluetoothState;
    bool m_bluetoothFailureReported = false;
    bool m_hidrawOverBluetooth = false;
    bool m_nodeCheckRunning = false;    // a device-list check of that node is on a worker
    bool m_nodeCheckAgain = false;      // asked for while it ran
    QMap<QString, int> m_batteryLevels; // address -> percent, of the knobs BlueZ has connected
    int m_shownBatteryLevel = -1;
    PermissionHint m_permissionHint;
    HidScanResult m_lastScan;
    UdevMonitor *m_udevMonitor = nullptr;
    bool m_rescanAfterScan = false;
    // A Bluetooth connect run waits for a scan: a hidraw node goes first.
    bool m_bluetoothAfterScan = false;

    LightSettings m_pendingLight;
    bool m_lightSendPending = false;
    int m_lightSendsCompleted = 0;
    QTimer *m_lightSendTimer = nullptr;
};
