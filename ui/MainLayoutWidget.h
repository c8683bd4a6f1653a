#pragma once

#include <QColor>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include <hidapi.h>

class DeviceWorkers;
class QTimer;
struct HidScanResult;
struct AssignmentWriteResult;
struct KnobModelSnapshot;
struct ConfigEntry;
class DelayWidget;
class LightWidget;

// The whole visible interface and the owner of all device state.
class MainLayoutWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainLayoutWidget)

public:
    explicit MainLayoutWidget(QWidget *parent = nullptr);
    ~MainLayoutWidget() override;

    // ---- USB device link (device/*.cpp) --------------------------------
public:
    // Writes packet over the link that is up, with its compatibility copy and
    // the USB report-layout retries; bytes written or -1.
    int sendPacketWithResult(const std::vector<unsigned char> &packet);
    // The same for an explicit physical key, so a worker that works from a
    // snapshot never reads m_selectedKnobKey.
    int sendPacketForKnobKey(const std::vector<unsigned char> &packet, int knobKey);
    static QString packetToHex(const std::vector<unsigned char> &packet);

    void autoConnectDevice();
    void disconnectDevice();
    void checkConnectedDeviceAlive();
    bool isDeviceConnected() const { return m_isConnected; }

public Q_SLOTS:
    void checkDeviceStatus();

private:
    friend class MainLayoutWidgetTestAccess;
    enum class ScanKind { StatusTimer, AutoConnect };
    void initDeviceLink();
    void shutdownDeviceLink();
    void startInterfaceScan(ScanKind kind);
    void installScanResult(ScanKind kind, const HidScanResult &result, hid_device *handle);
    void handleLogoPress();
    void clearBluetoothIdentity();

    hid_device *m_device = nullptr;
    std::mutex m_deviceMutex;
    std::atomic<unsigned long long> m_deviceGeneration{0};
    // Read by the save worker through sendPacketWithResult, hence atomic.
    std::atomic<bool> m_isConnected{false};
    std::atomic<bool> m_isBluetoothConnected{false};
    bool m_useDefaultDeviceIds = true;
    int m_logoClickCount = 0;
    QTimer *m_statusTimer = nullptr;
    QTimer *m_bluetoothAutoConnectTimer = nullptr;
    bool m_deviceProbeInFlight = false;
    std::atomic<bool> m_probeWorkerBusy{false};
    int m_idleProbeTicks = 0;
    int m_exclusiveCooldownTicks = 0;
    int m_livenessTicks = 0;
    std::shared_ptr<DeviceWorkers> m_deviceWorkers;

    // State of other parts of the window that the link reads or resets.
    int m_selectedKnobKey = 0;
    bool m_configReadInProgress = false;
    bool m_bluetoothConnecting = false;
    bool m_collectBluetoothBatch = false;
    std::vector<std::vector<unsigned char>> m_bluetoothBatchPackets;
    QString m_bluetoothAddress;
    QString m_bluetoothDeviceId;
    QString m_bluetoothWriteUuid;
    bool m_bluetoothConnectedInRun = false;

    // ---- Knob model, key vocabulary and assignment writes -----------------
    // (ui/MainLayoutWidget_send.cpp; the byte layouts are in protocol/)
public:
    // Command code of the selected physical key in assignment reports.
    unsigned char getCommandCodeForSelectedKey() const;
    // One action to the selected physical key; true when the device took it.
    bool sendStandardKey(unsigned short keyCode, unsigned char modifierMask);
    bool sendMultimediaKey(unsigned short usage);
    bool sendMouseKey(const QString &name, unsigned short, unsigned char);
    bool sendLightKey(unsigned short code);
    bool sendProcreateKey(const QString &name);

    // Writes every non-empty physical key. UI thread: takes the snapshot and
    // writes it. A save on a worker takes the snapshot on the UI thread first
    // and hands it to writeKnobModelSnapshot.
    bool sendSelectedKeysToHardware();
    // UI thread: the three lists of every physical key, the layout and the
    // delays of the delay page (its defaults when there is none).
    KnobModelSnapshot takeKnobModelSnapshot() const;
    // USB: any thread, never touches widgets or the live model. Bluetooth: UI
    // thread only, the reports are collected and written as one batch.
    AssignmentWriteResult writeKnobModelSnapshot(const KnobModelSnapshot &snapshot);

    // Key names for the layout the keyboard page shows (m_isMacLayout).
    QString keyCodeToString(unsigned short keyValue) const;
    QString modifierKeyCodeToCombination(unsigned short usage) const;
    // The free functions of protocol/keyvocabulary.h, reachable unqualified
    // from members despite the names above.
    static QString keyCodeToString(unsigned short keyValue, bool isMacLayout);
    static QString modifierKeyCodeToCombination(unsigned short usage, bool isMacLayout);
    unsigned short combinationToKeyCode(const QString &name) const;
    unsigned char combinationToModifierMask(const QString &name) const;
    int getKeyType(const QString &name, unsigned short code) const;

private:
    friend class KnobModelTestAccess;
    // Index = physical key - 1. m_selectedKnobKey is declared with the link state above.
    QList<unsigned short> m_knobKeyCodes[5];
    QStringList m_knobCombinations[5];
    QStringList m_knobDisplayNames[5];
    bool m_isMacLayout = true;

    // ---- Configuration read (ui/MainLayoutWidget_configread.cpp), decode
    // (ui/MainLayoutWidget_config.cpp) and lighting sends
    // (ui/MainLayoutWidget_light.cpp). startAsyncDeviceConfigRead is declared
    // with the link operations below. ---------------------------------------
public:
    void applyReadConfigPacket(const std::vector<unsigned char> &packet);
    void applyReadConfigPackets(std::vector<std::vector<unsigned char>> packets);
    void applyStandardKeyConfigPacket(int knobKey, const std::vector<unsigned char> &packet);
    void applyMultimediaConfigPacket(int knobKey, const std::vector<unsigned char> &packet);
    void applyMouseConfigPacket(int knobKey, const std::vector<unsigned char> &packet);
    void applyProcreateConfigPacket(int knobKey, const std::vector<unsigned char> &packet);
    QString standardCombinationFromPacket(unsigned char mask, unsigned char usage) const;
    QString multimediaCombinationFromPacket(unsigned char usage) const;
    QString mouseCombinationFromPacket(const std::vector<unsigned char> &packet) const;
    int knobKeyIndexForCommand(unsigned char code) const;

    bool requestDeviceConfigPackets(hid_device *device, unsigned long long generation,
                                    const QPointer<MainLayoutWidget> &self, bool &receivedAny,
                                    std::vector<std::vector<unsigned char>> &packets);
    bool isConfigReadEndPacket(const std::vector<unsigned char> &packet) const;
    bool isConfigReadInProgress() const { return m_configReadInProgress; }

    void queueLightSettings(const QColor &color, int brightness, bool on);
    void flushPendingLightSettings();
    bool sendLightSettings(const QColor &color, int brightness, bool on);

private:
    friend class ConfigReadTestAccess;
    // Replaces the three lists and the delay slots of one physical key.
    void storeReadKnobEntries(int knobKey, const QList<ConfigEntry> &entries);
    // Link check of the read worker; the caller holds m_deviceMutex.
    bool configReadLinkCurrent(hid_device *device, unsigned long long generation,
                               const QPointer<MainLayoutWidget> &self) const;
    bool sendConfigReadRequest(hid_device *device, unsigned long long generation,
                               const QPointer<MainLayoutWidget> &self);
    void finishConfigRead(hid_device *device, unsigned long long generation, bool ok, bool receivedAny);
    void finishLightSend(bool ok);

    QColor m_pendingLightColor;
    int m_pendingLightBrightness = 100;
    bool m_pendingLightOn = true;
    bool m_lightSendInFlight = false;
    bool m_lightSendPending = false;
    QTimer *m_lightSendTimer = nullptr;
    // Pages written by the decode; created with the interface.
    QPointer<LightWidget> m_lightWidget;
    QPointer<DelayWidget> m_delayWidget;

    // ---- Provided by other parts of the window; placeholders in
    // ui/MainLayoutWidget_pending.cpp until those parts exist. ----------
public:
    void updateStatusIcon(bool connected);
    void clearLoadedConfigState();
    void startAsyncDeviceConfigRead();
    void showToast(bool success, const QString &title, const QString &text);
    void updateKnobKeySelection();
    void updateKnobKeysDisplay();
    void updateSingleKnobKeyDisplay(int knobKey);
    void clearAllTabSelections();
    void syncDelayWidgetForCurrentKnob();
    void stopBluetoothWriteSession();
    bool sendBluetoothPacketsFast(const std::vector<std::vector<unsigned char>> &packets);

public Q_SLOTS:
    void tryAutoConnectBluetooth();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};
