#include "app/MacroGUI.h"

#include "app/platformprofile.h"
#include "app/windowsizing.h"
#include "device/KnobSession.h"
#include "device/ProfileSwitcher.h"
#include "focus/FocusWatcher.h"
#include "ui/AutoSwitchPanel.h"
#include "ui/BackgroundTray.h"
#include "ui/KnobEditor.h"
#include "ui/MainLayoutWidget.h"
#include "ui/ProfileOverlay.h"
#include "ui/ToastWidget.h"
#include "ui/UseProfileForChooser.h"
#include "ui/WindowButtons.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <utility>

namespace {

// Compositors that leave decorations to the client would get Qt's light
// default bar over the dark window; there the header is the title bar.
bool drawsOwnTitleBar()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void moveWindowInsideScreen(QWidget *window, QScreen *screen, bool center, const QMargins &frame)
{
    if (!window || !screen)
        return;
    const WindowPlacement placement =
        placeWindowOnScreen(screen->geometry(), screen->availableGeometry(), frame,
                            QGuiApplication::platformName(), window->pos(), center);
    if (placement.size != window->size())
        window->setFixedSize(placement.size);
    window->move(placement.origin);
}

} // namespace

MacroGUI::MacroGUI(KnobSession *session, QWidget *parent) : QMainWindow(parent), m_session(session)
{
    const UIPlatformConfig profile = currentUIPlatformConfig();
    setWindowTitle(profile.windowTitle);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    const bool ownTitleBar = drawsOwnTitleBar();
    if (ownTitleBar)
        setWindowFlag(Qt::FramelessWindowHint, true);

    // The frame is unknown until the window is shown; showEvent() fits again
    // once the window system reports it.
    if (QScreen *primary = QGuiApplication::primaryScreen())
        moveWindowInsideScreen(this, primary, true, QMargins());
    else
        setFixedSize(1280, 720);
    setupScreenAdaptiveResize();

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    // A palette, not a style sheet: a sheet here would put every widget in the
    // window through the style-sheet style.
    QPalette centralPalette = central->palette();
    centralPalette.setColor(QPalette::Window, QColor(0x1a, 0x1a, 0x1a));
    central->setPalette(centralPalette);
    central->setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    setCentralWidget(central);

    m_mainLayoutWidget = new MainLayoutWidget(session, central);
    layout->addWidget(m_mainLayoutWidget);
    if (ownTitleBar)
        new WindowButtons(m_mainLayoutWidget);
}

MacroGUI::~MacroGUI() = default;

void MacroGUI::closeEvent(QCloseEvent *event)
{
    if (!m_quitting && keepsRunningWhenClosed()) {
        event->ignore();
        if (BackgroundTray::isAvailable()) {
            hide();
            m_inBackground = true;
            updateTray();
            qInfo().noquote() << "窗口已关闭，程序在托盘中继续自动切换";
            if (!std::exchange(m_trayMessageShown, true))
                m_tray->showMessage(
                    tr("Running in the background"),
                    tr("The window is closed; profiles still follow the application in front."));
        } else {
            qInfo().noquote() << "没有系统托盘，窗口最小化后继续自动切换";
            showToast(
                false, tr("No system tray"),
                tr("This desktop has no system tray: the window stays minimised so switching goes on."));
            showMinimized();
        }
        return;
    }
    // Closing now would cut the knob off between a key's report and its end
    // packet; the window goes once the save is done, however it ends.
    if (!m_session || !m_session->isSaveRunning()) {
        QMainWindow::closeEvent(event);
        // A hidden window closing is no last window closing: quit is asked for.
        if (event->isAccepted() && m_quitting)
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return;
    }
    event->ignore();
    if (m_closeAfterSave)
        return;
    m_closeAfterSave = true;
    qDebug().noquote() << "保存进行中，保存结束后关闭窗口";
    if (auto *toast = m_mainLayoutWidget->findChild<ToastWidget *>())
        toast->showMessage(true, tr("Saving"), tr("The window closes when the save to the knob is done."));
    connect(
        m_session, &KnobSession::saveFinished, this, [this] { QTimer::singleShot(0, this, &QWidget::close); },
        Qt::SingleShotConnection);
}

void MacroGUI::setAutoSwitching(ProfileSwitcher *switcher, FocusWatcher *watcher)
{
    m_switcher = switcher;
    m_watcher = watcher;
    m_tray = new BackgroundTray(switcher, this);
    connect(m_tray, &BackgroundTray::openRequested, this, [this] {
        m_inBackground = false;
        setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
        raise();
        activateWindow();
        updateTray();
    });
    connect(m_tray, &BackgroundTray::panelRequested, this, [this] {
        emit m_tray->openRequested();
        openAutoSwitchPanel();
    });
    connect(m_tray, &BackgroundTray::quitRequested, this, &MacroGUI::quitFromTray);
    connect(switcher, &ProfileSwitcher::stateChanged, this, &MacroGUI::updateTray);
    connect(watcher, &FocusWatcher::stateChanged, this, &MacroGUI::updateTray);
    connect(switcher, &ProfileSwitcher::limitReached, this, [this](int limit) {
        const QString text =
            tr("The knob took %1 writes today, the daily limit: switching is paused until tomorrow.")
                .arg(limit);
        showToast(false, tr("Automatic switching paused"), text);
        m_tray->showMessage(tr("Automatic switching paused"), text);
    });
    if (KnobEditor *editor = m_mainLayoutWidget->editor()) {
        switcher->setHeld(editor->hasUnsavedEdits());
        connect(editor, &KnobEditor::unsavedEditsChanged, switcher, &ProfileSwitcher::setHeld);
    }

    // Both open from the profile list, where the profiles they bind are.
    connect(m_mainLayoutWidget, &MainLayoutWidget::profileListOpened, this, [this](ProfileOverlay *list) {
        QPushButton *useFor = list->addFooterButton(tr("Use this profile for…"));
        useFor->setObjectName(QStringLiteral("profileUseFor"));
        const QPointer<ProfileOverlay> guarded(list);
        const auto follow = [useFor, guarded] {
            useFor->setEnabled(guarded && !guarded->currentName().isEmpty());
        };
        connect(list->list(), &QListWidget::currentRowChanged, useFor, follow);
        follow();
        connect(useFor, &QPushButton::clicked, this, [this, guarded] {
            if (guarded && m_switcher)
                UseProfileForChooser::open(m_mainLayoutWidget, m_switcher, guarded->currentName());
        });
        QPushButton *panel = list->addFooterButton(tr("Automatic switching…"));
        panel->setObjectName(QStringLiteral("profileAutoSwitch"));
        connect(panel, &QPushButton::clicked, this, &MacroGUI::openAutoSwitchPanel);
    });
    updateTray();
}

bool MacroGUI::keepsRunningWhenClosed() const
{
    return m_switcher && m_watcher && m_switcher->isEnabled() &&
           m_watcher->state() != FocusWatcher::State::Unavailable;
}

void MacroGUI::updateTray()
{
    if (m_tray)
        m_tray->setVisible(BackgroundTray::isAvailable() && (keepsRunningWhenClosed() || m_inBackground));
}

void MacroGUI::startInBackground()
{
    if (BackgroundTray::isAvailable() && m_tray) {
        m_inBackground = true;
        updateTray();
        qInfo().noquote() << "在托盘中启动，窗口隐藏";
        return;
    }
    qInfo().noquote() << "没有系统托盘，窗口最小化启动";
    showMinimized();
}

void MacroGUI::openAutoSwitchPanel()
{
    if (m_switcher)
        AutoSwitchPanel::open(m_mainLayoutWidget, m_switcher, m_watcher);
}

void MacroGUI::quitFromTray()
{
    m_quitting = true;
    // The unsaved-edits question needs a window to be asked in.
    if (m_mainLayoutWidget->editor() && m_mainLayoutWidget->editor()->hasUnsavedEdits())
        emit m_tray->openRequested();
    if (isHidden()) {
        QCoreApplication::quit();
        return;
    }
    // Refused only by a question or a save; either closes it afterwards.
    close();
}

void MacroGUI::showToast(bool success, const QString &title, const QString &text)
{
    if (auto *toast = m_mainLayoutWidget->findChild<ToastWidget *>())
        toast->showMessage(success, title, text);
}

void MacroGUI::setupScreenAdaptiveResize()
{
    // The native window exists only once the event loop has shown the window.
    QTimer::singleShot(0, this, [this] {
        QWindow *handle = windowHandle();
        if (!handle)
            return;
        connect(handle, &QWindow::screenChanged, this,
                [this](QScreen *screen) { resizeForScreen(screen, false); });
    });
}

void MacroGUI::resizeForScreen(QScreen *screen, bool center)
{
    if (!screen || isMaximized() || isFullScreen())
        return;
    m_fittedFrame = windowFrameMargins();
    moveWindowInsideScreen(this, screen, center, m_fittedFrame);
}

QMargins MacroGUI::windowFrameMargins() const
{
    const QWindow *handle = windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

void MacroGUI::fitToFrame()
{
    if (!isVisible() || windowFrameMargins() == m_fittedFrame)
        return;
    // The first frame a window manager reports arrives right after the window
    // was centred without one: centre again; later changes keep the place.
    resizeForScreen(screen(), !m_framedOnce);
    m_framedOnce = true;
}

void MacroGUI::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    QTimer::singleShot(0, this, &MacroGUI::fitToFrame);
}

void MacroGUI::resizeEvent(QResizeEvent *event)
{
    if (event)
        QMainWindow::resizeEvent(event);
}

void MacroGUI::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    // A window manager reports its frame when it has reparented the window,
    // which moves it.
    fitToFrame();
}

bool MacroGUI::nativeEvent(const QByteArray &eventType, void *message, qintptr *result)
{
    return QMainWindow::nativeEvent(eventType, message, result);
}
