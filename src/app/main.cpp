#include "app/FontConfigWarmUp.h"
#include "app/MacroGUI.h"
#include "app/SingleWindowGuard.h"
#include "app/commandline.h"
#include "app/language.h"
#include "app/logging.h"
#include "app/platformprofile.h"
#include "device/Clock.h"
#include "device/KnobSession.h"
#include "device/ProfileSwitcher.h"
#include "device/QuitSignals.h"
#include "device/handover.h"
#include "focus/FocusWatcher.h"
#include "ui/ConfiguratorService.h"
#include "ui/SessionBus.h"

#include <QApplication>
#include <QDebug>
#include <QFont>
#include <QIcon>
#include <QImageReader>
#include <QLocale>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

namespace {

// One picture per size, each drawn for it. PNG, which Qt reads itself: an ICO
// file's large PNG-packed entry makes the reader load every image plug-in
// installed to guess its format.
QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 256}) {
        QImageReader reader(QStringLiteral(":/asset/icon/VX_logo-%1.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        const QImage image = reader.read();
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace

int main(int argc, char *argv[])
{
    // Before the application object: answering --version must not need a display.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const CommandLineAction action = commandLineAction(args);
    if (action.exitNow) {
        FILE *out = action.exitCode == 0 ? stdout : stderr;
        std::fputs(action.output.toLocal8Bit().constData(), out);
        return std::fflush(out) == 0 ? action.exitCode : 1;
    }

    FontConfigWarmUp fontConfig;
    QApplication app(argc, argv);
    fontConfig.wait();
    QApplication::setApplicationName(QStringLiteral("VELTRANIX"));
    QApplication::setOrganizationName(QStringLiteral("VELTRANIX"));
    // Lets Wayland shells match the window to its menu entry and icon.
    QApplication::setDesktopFileName(QStringLiteral("com.veltranix.Configurator"));
    qInstallMessageHandler(fileMessageHandler);
    // Logout, kill and Ctrl+C end the window in order: its helpers stopped,
    // a save in progress finished, the log written out.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &app, [](int signal) {
        qInfo().noquote() << QStringLiteral("收到信号 %1，正在退出").arg(signal);
        // exit(), not quit(): quitting asks the windows, and the unsaved-edits
        // question would hold a logout up.
        QCoreApplication::exit(0);
    });

    // A second start brings the running window forward instead of opening
    // another one on the same knob.
    SingleWindowGuard guard;
    if (!action.demo) {
        const SingleWindowGuard::Claim claim = guard.claim();
        if (claim != SingleWindowGuard::Claimed) {
            finishLog();
            return claim == SingleWindowGuard::WindowRaised ? 0 : 1;
        }
    }
    // Only the process that is to be the window moves the log on.
    rotateLogAtStart();
    startLogFlushing();

    installInterfaceLanguage(chooseInterfaceLanguage(action.language, QLocale::system().uiLanguages()));
    const UIPlatformConfig profile = currentUIPlatformConfig();
    QApplication::setFont(QFont(profile.fontFamily, profile.fontPointSize));
    qDebug() << "UI platform:" << profile.platformName << ", font:" << profile.fontFamily;

    KnobSession session;
    auto *window = new MacroGUI(&session);
    QObject::connect(&guard, &SingleWindowGuard::raiseRequested, window, [window] {
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->show();
        window->raise();
        window->activateWindow();
    });
    // The demo knob forgets; switching would only count writes against the real one.
    std::unique_ptr<FocusWatcher> focusWatcher;
    std::unique_ptr<ProfileSwitcher> switcher;
    // Asking the desktop what is in front may take a round trip to it (KWin's
    // scripting, the compositor); a shown window gets its first frame first.
    const auto startSwitching = [&focusWatcher, &switcher, &session, window] {
        focusWatcher = createFocusWatcher();
        switcher = std::make_unique<ProfileSwitcher>(&session, Clock::system());
        QObject::connect(focusWatcher.get(), &FocusWatcher::focusChanged, switcher.get(),
                         &ProfileSwitcher::focusChanged);
        window->setAutoSwitching(switcher.get(), focusWatcher.get());
        // Started in the background, the application in front counts from the start.
        switcher->focusChanged(focusWatcher->current());
    };
    // The window is asked for first: starting the link (the HID library, udev,
    // the Bluetooth watch) need not delay it, and the window shows what it finds.
    if (action.background && !action.demo) {
        startSwitching();
        window->startInBackground();
    } else {
        window->show();
        if (!action.demo)
            QTimer::singleShot(0, window, startSwitching);
    }
    if (action.demo)
        session.startDemo();
    else
        session.start();
    // Decoding the icon's four sizes need not delay the window's first frame;
    // the window manager gets them one turn of the event loop later.
    QTimer::singleShot(0, &app, [] { QApplication::setWindowIcon(applicationIcon()); });
    // The command-line tool hands the window its jobs while the window holds the knob.
    QTimer::singleShot(0, &app, [window] {
        const WindowBus &bus = windowSessionBus();
        auto *service = window->findChild<ConfiguratorService *>();
        if (service && bus.nameIsOurs && !service->publish(bus.connection))
            qDebug().noquote() << "无法在会话总线上注册" << handover::kPath;
    });
    const int code = app.exec();
    // A start from now on becomes the next window; this one only tidies up.
    guard.release();
    delete window;
    switcher.reset();
    focusWatcher.reset();
    session.shutdown();
    finishLog();
    return code;
}
