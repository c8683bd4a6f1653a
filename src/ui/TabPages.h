#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>

#include <optional>

#include "protocol/knobdocument.h"
#include "ui/KnobEditor.h"

class CombinationWidget;
class DebugConsole;
class DebugWidget;
class DelayWidget;
class GestureSelection;
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
class QWidget;
class SystemSwitch;
class TabBar;

// The tab bar, the Mac / Windows switch and the pages they open: which tab is
// open, which gesture the pages edit, and the edits the pages ask for. Pages
// other than the keyboard are built when their tab is first opened.
class TabPages : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TabPages)

public:
    TabPages(QWidget *window, KnobSession *session, KnobEditor *editor, GestureSelection *selection,
             KnobArea *knobArea, PaintedButton *resetButton, const QSize &designSize);
    ~TabPages() override;

    TabBar *tabBar() const { return m_tabBar; }
    SystemSwitch *systemSwitch() const { return m_systemSwitch; }
    PageStack *stack() const { return m_contentStack; }
    KeyboardWidget *keyboardPage() const;
    DelayWidget *delayPage() const;
    LightWidget *lightPage() const;
    GestureSelection *selection() const { return m_selection; }

    // Physical key 1..5 the pages edit, 0 for none.
    int selectedKnobKey() const;
    void selectKnobKey(int knobKey);
    // One virtual key of the selected physical key, in the order shown; -1 the last.
    void removeSelectedAction(int index);
    void clearKnobKey(int knobKey);

    // Editing pages take the mouse only while a knob is connected.
    void setConnectedLook(bool connected);
    void updateKnobKeySelection();
    void updateKnobKeysDisplay();
    void updateSingleKnobKeyDisplay(int knobKey);
    void clearAllTabSelections();
    void syncDelayWidgetForCurrentKnob();
    // The knob area and the delay page follow the editor themselves; the
    // marks of the other pages are redrawn here.
    void markSelectionAfterEdit();

signals:
    void notice(bool success, const QString &title, const QString &text);

private:
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
    void setupPages();
    static constexpr int kPageCount = 8;
    void onKeyboardPageKeyClicked(uint16_t code);
    void playKnobDialAnimation(int knobKey);
    void addSelectedKey(quint16 value);
    void addSelectedCombination(const QString &name);
    // Media, mouse and Procreate actions replace the whole assignment.
    void replaceSelectedKeyWithAction(const QString &name);
    // Shows a notice when an edit replaced actions or was refused.
    void reportEdit(int knobKey, const KnobEditor::Result &result);

    QWidget *m_window = nullptr;
    KnobSession *m_session = nullptr;
    KnobEditor *m_editor = nullptr;
    GestureSelection *m_selection = nullptr;
    KnobArea *m_knobArea = nullptr;
    PaintedButton *m_resetButton = nullptr;
    // The history before a run of Escape clicks, which may turn out to be
    // the debug console's unlock rather than edits.
    int m_escapeStreakStart = -1;
    bool m_dropNextEscape = false;
    bool m_lightFromPage = false;
    bool m_connectedLook = false;

    TabBar *m_tabBar = nullptr;
    SystemSwitch *m_systemSwitch = nullptr;
    KeyLayerSlide *m_keyLayerSlide = nullptr;
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
};
