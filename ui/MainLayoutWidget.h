#pragma once

#include <QColor>
#include <QPointer>
#include <QRect>
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
// Interface parts
class CombinationWidget;
class DelayWidget;
class DraggableStackedWidget;
class KeyboardWidget;
class KnobDialWidget;
class LightWidget;
class MouseWidget;
class MultimediaWidget;
class ProcreateWidget;
class QLabel;
class QParallelAnimationGroup;
class QPropertyAnimation;
class QPushButton;
class QSequentialAnimationGroup;
class SimKeyButton;
class ToastIconLabel;
struct HidScanResult;
struct AssignmentWriteResult;
struct KnobModelSnapshot;
struct ConfigEntry;

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
    // Older command code of the selected physical key, carried by the
    // compatibility copy of assignment packets; 0x11 when none is selected.
    unsigned char getLegacyCommandCodeForSelectedKey() const;

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

    // ---- Interface: structure and navigation (MainLayoutWidget_ui.cpp), knob
    // area and model operations (MainLayoutWidget_knob.cpp), status, toast,
    // save and reset (MainLayoutWidget_status.cpp), scaling (resizeEvent). ----
public:
    void switchToTab(int index);
    void switchKeyboardSystem(bool mac);
    int currentTabIndex() const { return m_currentTabIndex; }
    bool isMacLayout() const { return m_isMacLayout; }
    // 7, or 8 once the debug console has shown its tab.
    int tabCount() const { return m_debugTabShown ? 8 : 7; }

    void addSelectedKey(quint16 value);
    void addSelectedCombination(const QString &name);
    // Media, mouse and Procreate actions replace the whole assignment.
    void replaceSelectedKeyWithAction(const QString &name);
    void clearKnobKey(int knobKey);
    void clearSelectedKeys();
    void playKnobDialAnimation(int knobKey);

    void applyConnectionVisualState(bool connected);
    void layoutStatusWidgets(const QSize &statusSize);
    void setDisconnectedStatusWidgetsVisible(bool visible);
    bool isSaveRunning() const { return m_saveRunning; }

Q_SIGNALS:
    void keyClicked(uint16_t keyCode);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class MainWindowTestAccess;
    void setupUI();
    // Places and re-renders every element for the current size.
    void relayout();
    void setupStatusArea();
    void setupKnobArea();
    void setupButtons();
    void setupTabBar();
    void setupSystemSwitch();
    void setupPages();
    void setupToast();
    void onKeyboardPageKeyClicked(uint16_t code);

    int computeTabWidths(int *widths) const;
    QVector<int> tabWidthList() const;
    QRect tabRectForIndex(int index) const;
    int tabRowWidth() const;
    void resizeTabBarToContent();
    void layoutTabWidgets();
    void updateTabIcons();
    QRect systemRectForIndex(int index) const;
    void layoutSystemSwitchWidgets();
    void updateSystemSwitchIcons();
    void styleSwitchItem(QLabel *item, QLabel *icon, QLabel *text, const QString &iconPath, bool current,
                         int iconSide, int fontPx);

    void selectKnobKey(int knobKey);
    void updateKnobDialLayout();
    void updateKnobKeysLayout();
    void updateKnobIconSizes();
    void updateKnobPicture();
    void hideKnobBubble();
    void stopKnobDialAnimation();
    // Index of the selected knob key when one more virtual key fits (warns
    // when it is full); -1 otherwise.
    int selectedKnobIndexWithRoom();
    void showAddedVirtualKey(int index);

    void onSaveClicked();
    void finishSave(bool ok);
    void showRestoreConfirmation();
    void confirmRestore();
    void setBackgroundPicture(bool connected);
    void layoutStatusArea();
    void layoutButtons();
    void layoutToast();

    QLabel *m_backgroundLabel = nullptr;
    QLabel *m_statusLabel = nullptr;
    QLabel *m_statusDot = nullptr;
    QLabel *m_statusText = nullptr;
    QLabel *m_logoLabel = nullptr;
    QLabel *m_knobLabel = nullptr;
    KnobDialWidget *m_knobDial = nullptr;
    QLabel *m_knobKeyLabels[5] = {};
    QLabel *m_cleanIcons[5] = {};
    QWidget *m_knobBubbleContainer = nullptr;
    QLabel *m_knobBubbleLabel = nullptr;
    SimKeyButton *m_resetButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    QLabel *m_tabBar = nullptr;
    QLabel *m_tabHighlight = nullptr;
    // Item 7 is the debug console's tab; it stays null until that console exists.
    QLabel *m_tabItems[8] = {};
    QLabel *m_systemSwitch = nullptr;
    QLabel *m_systemHighlight = nullptr;
    QLabel *m_systemItems[2] = {};
    DraggableStackedWidget *m_contentStack = nullptr;
    QLabel *m_toastContainer = nullptr;
    ToastIconLabel *m_toastIcon = nullptr;
    QLabel *m_toastTitle = nullptr;
    QLabel *m_toastText = nullptr;
    QTimer *m_toastHideTimer = nullptr;
    QPointer<QPropertyAnimation> m_toastAnimation;

    QPointer<KeyboardWidget> m_keyboardWidget;
    QPointer<CombinationWidget> m_combinationWidget;
    QPointer<MultimediaWidget> m_multimediaWidget;
    QPointer<LightWidget> m_lightWidget;
    QPointer<MouseWidget> m_mouseWidget;
    QPointer<DelayWidget> m_delayWidget;
    QPointer<ProcreateWidget> m_procreateWidget;

    QSize m_designSize{1920, 1080};
    int m_currentTabIndex = 0;
    bool m_debugTabShown = false;
    bool m_connectedLook = false;
    bool m_saveRunning = false;
    QPointer<QParallelAnimationGroup> m_pageSlideAnimation;
    QPointer<QPropertyAnimation> m_tabHighlightAnimation;
    QPointer<QPropertyAnimation> m_systemHighlightAnimation;
    QPointer<QSequentialAnimationGroup> m_keyboardSlideAnimation;
    QPoint m_keyboardLayerRestPos;
    QPointer<QSequentialAnimationGroup> m_knobDialAnimation;

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
