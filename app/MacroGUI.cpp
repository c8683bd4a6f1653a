#include "app/MacroGUI.h"

#include "app/platformprofile.h"
#include "app/windowsizing.h"
#include "ui/MainLayoutWidget.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace {

void moveWindowInsideScreen(QWidget *window, QScreen *screen, bool center)
{
    if (!window || !screen)
        return;
    window->move(
        windowPositionInsideArea(screen->availableGeometry(), window->size(), window->pos(), center));
}

} // namespace

MacroGUI::MacroGUI(KnobSession *session, QWidget *parent) : QMainWindow(parent)
{
    const UIPlatformConfig profile = currentUIPlatformConfig();
    setWindowTitle(profile.windowTitle);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);

    QScreen *primary = QGuiApplication::primaryScreen();
    if (primary) {
        setFixedSize(windowSizeForAvailableArea(primary->availableGeometry().size()));
        moveWindowInsideScreen(this, primary, true);
    } else {
        setFixedSize(1280, 720);
    }
    setupScreenAdaptiveResize();

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    central->setStyleSheet(QStringLiteral("QWidget#centralWidget {     background-color: #1a1a1a; }"));
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    setCentralWidget(central);

    m_mainLayoutWidget = new MainLayoutWidget(session, central);
    layout->addWidget(m_mainLayoutWidget);
}

MacroGUI::~MacroGUI() = default;

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
    const QSize target = windowSizeForAvailableArea(screen->availableGeometry().size());
    if (target != size())
        setFixedSize(target);
    moveWindowInsideScreen(this, screen, center);
}

void MacroGUI::registerDeviceArrivalNotification()
{
    // Device arrival is found by polling; there is nothing to register here.
}

void MacroGUI::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
}

void MacroGUI::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
}

bool MacroGUI::nativeEvent(const QByteArray &eventType, void *message, qintptr *result)
{
    return QMainWindow::nativeEvent(eventType, message, result);
}
