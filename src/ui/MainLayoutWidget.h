#pragma once

#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

#include "protocol/knobdocument.h"
#include "ui/KnobEditor.h"

class ChoiceOverlay;
class CombinationWidget;
class ConfigFileTransfer;
class DebugConsole;
class DebugWidget;
class DelayWidget;
class GestureSelection;
class HeaderBar;
class KeyLayerSlide;
class KeyboardWidget;
class KnobArea;
class KnobSession;
class LightWidget;
class MouseWidget;
class MultimediaWidget;
class PageStack;
class PaintedButton;
class ProcreateWidget;
class QPushButton;
class StatusArea;
class SystemSwitch;
class TabBar;
class ToastWidget;
class UnsavedEditsGuard;
class WindowBackground;
struct SaveOutcome;

// The main window's content. It builds the pieces (StatusArea, KnobArea,
// TabBar, SystemSwitch, ToastWidget, ResetOverlay and the pages), slides the
// pages, shows what the session reports, and owns the editor whose document the pages
// edit. The device belongs to the session it is given.
class MainLayoutWidget : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainLayoutWidget)

public:
    explicit MainLayoutWidget(KnobSession *session, QWidget *parent = nullptr);
    ~MainLayoutWidget() override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // Physical key 1..5 the pages edit, 0 for none (kept by the knob area).
    int selectedKnobKey() const;

    // ---- Edits of the selected gesture
    void addSelectedKey(quint16 value);
    void addSelectedCombination(const QString &name);
    // Media, mouse and Procreate actions replace the whole assignment.
    void replaceSelectedKeyWithAction(const QString &name);
    void clearKnobKey(int knobKey);
    // One virtual key of the selected physical key, in the order shown; -1 the last.
    void removeSelectedAction(int index);
    // Back to the factory assignment of all five keys.
    void resetAllGestures();
    void clearLoadedConfigState();
    void applyReadConfigPacket(const std::vector<unsigned char> &packet);

    // ---- Navigation: tabs, pages and the Mac / Windows layout
    void switchToTab(int index);
    // The page of a tab, built on first use (the keyboard page exists from the start).
    QWidget *ensurePage(int index);
    QWidget *buildLightPage();
    QWidget *buildDelayPage();
    // 7, or 8 once the debug console has shown its tab.
    int tabCount() const;
    // The debug console's tab, unlocked by ten Escape clicks on the keyboard page.
    void showDebugTab();
    void hideDebugTab();
    void switchKeyboardSystem(bool mac);

    // ---- Looks: forwarders to the pieces that draw them
    void updateStatusIcon(bool connected);
    void applyConnectionVisualState(bool connected);
    void showToast(bool success, const QString &title, const QString &text);
    void updateKnobKeySelection();
    void updateKnobKeysDisplay();
    void updateSingleKnobKeyDisplay(int knobKey);
    void playKnobDialAnimation(int knobKey);
    void clearAllTabSelections();
    // The keyboard lights, and the list pages mark, what the selected gesture holds.
    void syncDelayWidgetForCurrentKnob();

    // ---- Construction and scaling
    void setupUI();
    void setupButtons();
    void setupPages();
    static constexpr int kPageCount = 8;
    // Places and re-renders every piece for the current size.
    void relayout();

    // ---- Presses and page signals
    void onKeyboardPageKeyClicked(uint16_t code);
    void selectKnobKey(int knobKey);
    void handleLogoPress();

    // ---- Model operations
    // Labels and delay page of every physical key from the document.
    void markSelectionAfterEdit();
    // The delay page's boxes of physical key k, when the page exists.
    // Replaces the keys and the delays of one physical key and shows them.
    // Shows a notice when an edit replaced actions or was refused.
    void reportEdit(int knobKey, const KnobEditor::Result &result);
    void setupShortcuts();
    // What Tab walks: the header's buttons, the knob, the tabs and the open page.
    QList<QWidget *> focusOrder() const;

    // ---- What the session reports, save and reset
    void onConnectionChanged(bool connected);
    // The link text beside the status, and the low-battery notice once per connection.
    void showBatteryLevel(int percent);
    void onConfigReadFinished(bool ok, bool receivedAny);
    // Edits kept across an unplug go back on the knob they were made for, and
    // onto another knob only when the user says so.
    void offerKeptEdits();
    void restoreKeptEdits();
    void dropKeptEdits();
    void setPermissionHintVisible(bool visible);
    void onSaveClicked();
    void finishSave(const SaveOutcome &outcome);
    void showRestoreConfirmation();
    void confirmRestore();

    KnobSession *m_session = nullptr;
    KnobEditor *m_editor = nullptr;
    GestureSelection *m_selection = nullptr;
    int m_logoClickCount = 0;
    // Where the undo history stood when the running save took its copy of the document.
    int m_saveUndoIndex = -1;
    // The history before a run of Escape clicks, which may turn out to be
    // the debug console's unlock rather than edits.
    int m_escapeStreakStart = -1;
    bool m_dropNextEscape = false;
    bool m_lightFromPage = false;
    // Edits the link took away with it (an unplug before they were saved):
    // they win over what the device reports when it comes back.
    std::unique_ptr<KnobDocument::Gestures> m_unsavedEdits;
    // KnobSession::knobIdentity() of the knob they were made for, and of the
    // knob connected now.
    QString m_unsavedEditsKnob;
    QString m_knob;
    QPointer<ChoiceOverlay> m_keptEditsQuestion;
    bool m_connectedLook = false;
    QSize m_designSize{1920, 1080};
    // What relayout() last fitted the pieces to.
    QSize m_laidOutSize;
    qreal m_laidOutRatio = 0;

    WindowBackground *m_background = nullptr;
    HeaderBar *m_header = nullptr;
    StatusArea *m_statusArea = nullptr;
    bool m_lowBatteryShown = false;
    KnobArea *m_knobArea = nullptr;
    TabBar *m_tabBar = nullptr;
    SystemSwitch *m_systemSwitch = nullptr;
    ToastWidget *m_toast = nullptr;
    PaintedButton *m_resetButton = nullptr;
    PaintedButton *m_importButton = nullptr;
    PaintedButton *m_exportButton = nullptr;
    ConfigFileTransfer *m_fileTransfer = nullptr;
    UnsavedEditsGuard *m_unsavedGuard = nullptr;
    QPushButton *m_saveButton = nullptr;
    PageStack *m_contentStack = nullptr;

    QPointer<KeyboardWidget> m_keyboardWidget;
    QPointer<CombinationWidget> m_combinationWidget;
    QPointer<MultimediaWidget> m_multimediaWidget;
    QPointer<LightWidget> m_lightWidget;
    QPointer<MouseWidget> m_mouseWidget;
    QPointer<DelayWidget> m_delayWidget;
    QPointer<ProcreateWidget> m_procreateWidget;
    QPointer<DebugWidget> m_debugWidget;
    DebugConsole *m_debugConsole = nullptr;

    KeyLayerSlide *m_keyLayerSlide = nullptr;
};
