#include "app/MacroGUI.h"

#include "app/platformprofile.h"
#include "app/windowsizing.h"
#include "device/KnobSession.h"
#include "ui/MainLayoutWidget.h"
#include "ui/ToastWidget.h"
#include "ui/WindowButtons.h"

#include <QCloseEvent>
#include <QDebug>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

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
    // Closing now would cut the knob off between a key's report and its end
    // packet; the window goes once the save is done, however it ends.
    if (!m_session || !m_session->isSaveRunning()) {
        QMainWindow::closeEvent(event);
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
