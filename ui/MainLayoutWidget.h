#pragma once

#include <QColor>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <vector>

#include "protocol/KnobModel.h"

class KnobSession;
class QTimer;
// Interface parts
class CombinationWidget;
class DebugConsole;
class DebugWidget;
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
struct ConfigEntry;

// The whole visible interface: pages, layout, animations, toast, selection
// and the knob display. The device belongs to the session it is given; the
// window edits the knob model and shows what the session reports.
class MainLayoutWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainLayoutWidget)

public:
    explicit MainLayoutWidget(KnobSession *session, QWidget *parent = nullptr);
    ~MainLayoutWidget() override;

    KnobSession *session() const { return m_session; }
    const KnobModel &knobModel() const { return m_model; }
    int selectedKnobKey() const { return m_selectedKnobKey; }

    // ---- Single reports to the selected physical key (MainLayoutWidget_send.cpp)
public:
    // Writes packet over the link that is up, with the compatibility copy of
    // the selected key; bytes written or -1.
    int sendPacketWithResult(const std::vector<unsigned char> &packet);
    static QString packetToHex(const std::vector<unsigned char> &packet);
    // Older command code of the selected physical key, carried by the
    // compatibility copy of assignment packets; 0x11 when none is selected.
    unsigned char getLegacyCommandCodeForSelectedKey() const;
    // Command code of the selected physical key in assignment reports.
    unsigned char getCommandCodeForSelectedKey() const;
    // One action to the selected physical key; true when the device took it.
    bool sendStandardKey(unsigned short keyCode, unsigned char modifierMask);
    bool sendMultimediaKey(unsigned short usage);
    bool sendMouseKey(const QString &name, unsigned short, unsigned char);
    bool sendLightKey(unsigned short code);
    bool sendProcreateKey(const QString &name);
    bool isDeviceConnected() const;

    // The three lists and the delays of every physical key and the layout: what a save writes.
    KnobModelSnapshot takeKnobModelSnapshot() const;

    // Key names for the layout the keyboard page shows (m_isMacLayout).
    QString keyCodeToString(unsigned short keyValue) const;

private:
    void handleLogoPress();

    KnobSession *m_session = nullptr;
    KnobModel m_model;
    // Physical key 1..5 the pages edit, 0 for none.
    int m_selectedKnobKey = 0;
    bool m_isMacLayout = true;
    int m_logoClickCount = 0;
    // The user changed the model since it was last read or saved.
    bool m_modelEdited = false;
    // Edits the link took away with it (an unplug before they were saved):
    // they win over what the device reports when it comes back.
    std::unique_ptr<KnobModel> m_unsavedEdits;

    // ---- Interface: structure and navigation (MainLayoutWidget_ui.cpp), knob
    // area and model operations (MainLayoutWidget_knob.cpp), status, toast,
    // save and reset (MainLayoutWidget_status.cpp), scaling (resizeEvent). ----
public:
    void switchToTab(int index);
    // The debug console's tab, unlocked by ten Escape clicks on the keyboard page.
    void showDebugTab();
    void hideDebugTab();
    bool isDebugTabVisible() const { return m_debugTabVisible; }
    void switchKeyboardSystem(bool mac);
    int currentTabIndex() const { return m_currentTabIndex; }
    bool isMacLayout() const { return m_isMacLayout; }
    // 7, or 8 once the debug console has shown its tab.
    int tabCount() const { return m_debugTabVisible ? 8 : 7; }

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
    bool isSaveRunning() const;

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
    // Why a knob that is plugged in does not connect, when the system refuses it.
    QLabel *m_permissionHintLabel = nullptr;
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
    QPointer<DebugWidget> m_debugWidget;
    DebugConsole *m_debugConsole = nullptr;

    QSize m_designSize{1920, 1080};
    int m_currentTabIndex = 0;
    bool m_debugTabVisible = false;
    bool m_connectedLook = false;
    QPointer<QParallelAnimationGroup> m_pageSlideAnimation;
    QPointer<QPropertyAnimation> m_tabHighlightAnimation;
    QPointer<QPropertyAnimation> m_systemHighlightAnimation;
    QPointer<QSequentialAnimationGroup> m_keyboardSlideAnimation;
    QPoint m_keyboardLayerRestPos;
    QPointer<QSequentialAnimationGroup> m_knobDialAnimation;

    // ---- Showing what the session reports (MainLayoutWidget_config.cpp)
public:
    void applyReadConfigPacket(const std::vector<unsigned char> &packet);
    void applyReadConfigPackets(std::vector<std::vector<unsigned char>> packets);
    void updateStatusIcon(bool connected);
    void clearLoadedConfigState();
    void showToast(bool success, const QString &title, const QString &text);
    void updateKnobKeySelection();
    void updateKnobKeysDisplay();
    void updateSingleKnobKeyDisplay(int knobKey);
    void clearAllTabSelections();
    void syncDelayWidgetForCurrentKnob();

private:
    void onConnectionChanged(bool connected);
    void setPermissionHintVisible(bool visible);
    void onConfigReadFinished(bool ok, bool receivedAny);
    // Labels and delay page of every physical key from the model.
    void showWholeModel();
    // Replaces the keys and the delays of one physical key and shows them.
    void storeReadKnobEntries(int knobKey, const QList<ConfigEntry> &entries);

protected:
    void mousePressEvent(QMouseEvent *event) override;
};
