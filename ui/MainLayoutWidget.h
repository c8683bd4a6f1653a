#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include <hidapi.h>

class DeviceWorkers;
class QTimer;
struct HidScanResult;

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
