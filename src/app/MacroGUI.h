#pragma once

#include <QMainWindow>
#include <QMargins>
#include <QPointer>

class BackgroundTray;
class FocusWatcher;
class KnobSession;
class ProfileSwitcher;
class QPushButton;
class MainLayoutWidget;
class QScreen;
class QVBoxLayout;

// The top-level window: fixed 16:9 size fitted, frame included, to its
// screen, hosting the main content widget.
class MacroGUI : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MacroGUI)

public:
    explicit MacroGUI(KnobSession *session, QWidget *parent = nullptr);
    ~MacroGUI() override;

    void setupScreenAdaptiveResize();
    void resizeForScreen(QScreen *screen, bool center);

    MainLayoutWidget *mainLayoutWidget() const { return m_mainLayoutWidget; }

    // Profiles that follow the application in front; both stay the caller's.
    // With switching on, closing the window leaves the program in the tray.
    void setAutoSwitching(ProfileSwitcher *switcher, FocusWatcher *watcher);
    // --background: the tray only, or a minimised window where there is no tray.
    void startInBackground();
    void openAutoSwitchPanel();
    BackgroundTray *tray() const { return m_tray; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    QMargins windowFrameMargins() const;
    // Fits again when the window system reports a frame other than the one
    // the size was fitted for.
    void fitToFrame();
    bool keepsRunningWhenClosed() const;
    void updateTray();
    void quitFromTray();
    void showToast(bool success, const QString &title, const QString &text);

    KnobSession *m_session = nullptr;
    MainLayoutWidget *m_mainLayoutWidget = nullptr;
    bool m_closeAfterSave = false;
    QMargins m_fittedFrame;
    bool m_framedOnce = false;

    QPointer<ProfileSwitcher> m_switcher;
    QPointer<FocusWatcher> m_watcher;
    BackgroundTray *m_tray = nullptr;
    bool m_inBackground = false; // hidden in the tray
    bool m_quitting = false;
    bool m_trayMessageShown = false;
};
