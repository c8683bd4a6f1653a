// The focus watcher's backends against a real X server (Xvfb, no window
// manager: the test sets _NET_ACTIVE_WINDOW itself), a headless Sway with two
// clients of this program, and fakes of KWin's scripting interface and of our
// GNOME Shell extension on a private session bus.

#include "focus/FocusBackends.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QGuiApplication>
#include <QRasterWindow>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <xcb/xcb.h>

#include <pwd.h>
#include <unistd.h>

using State = FocusWatcher::State;

namespace {

QByteArray startAndReadLine(QProcess &p, const QString &program, const QStringList &args)
{
    p.start(program, args);
    while (p.waitForStarted(5000) && !p.canReadLine() && p.waitForReadyRead(10000)) {
    }
    return p.readLine().trimmed();
}

// Answers every call as KWin's scripting or GNOME Shell would and records it.
class FakeService final : public QDBusVirtualObject
{
public:
    QStringList calls;
    QByteArray script;
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &m, const QDBusConnection &bus) override
    {
        calls << m.path() + QLatin1Char(' ') + m.member();
        QFile f(m.arguments().value(0).toString());
        if (m.member() == "loadScript" && f.open(QIODevice::ReadOnly))
            script = f.readAll();
        const QVariant value = m.member() == "loadScript" ? QVariant(7)
                               : m.member() == "Get"      ? QVariant::fromValue(QDBusVariant(QString("43.9")))
                                                          : QVariant(true);
        bus.send(m.member() == "Current" ? m.createErrorReply(QDBusError::UnknownObject, "no extension")
                                         : m.createReply(value));
        return true;
    }
};

} // namespace

class TestFocus : public QObject
{
    Q_OBJECT

    QProcess m_dbus;
    QString m_busAddress;

private slots:
    void cleanupTestCase()
    {
        m_dbus.kill();
        m_dbus.waitForFinished();
    }

    void initTestCase()
    {
        m_busAddress =
            startAndReadLine(m_dbus, "dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QVERIFY2(!m_busAddress.isEmpty(), "dbus-daemon did not start");
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_busAddress.toUtf8());
    }

    void chosenByDesktop_data()
    {
        QTest::addColumn<QByteArrayList>("desktopWaylandX11");
        QTest::addColumn<QString>("backend");
        QTest::newRow("Plasma") << QByteArrayList{"KDE", "wayland-0", ""} << "KWin";
        QTest::newRow("GNOME Wayland")
            << QByteArrayList{"ubuntu:GNOME", "wayland-0", ":9999"} << "GNOME Shell";
        QTest::newRow("GNOME X11") << QByteArrayList{"GNOME", "", ":9999"} << "X11";
        QTest::newRow("Wayland, no compositor") << QByteArrayList{"sway", "/nonexistent/wl", ""} << "wlroots";
        QTest::newRow("XWayland only") << QByteArrayList{"", "/nonexistent/wl", ":9999"} << "X11";
        QTest::newRow("no session") << QByteArrayList{"", "", ""} << "none";
    }
    void chosenByDesktop()
    {
        QFETCH(QByteArrayList, desktopWaylandX11);
        QFETCH(QString, backend);
        const char *names[] = {"XDG_CURRENT_DESKTOP", "WAYLAND_DISPLAY", "DISPLAY"};
        for (int i = 0; i < 3; ++i)
            qputenv(names[i], desktopWaylandX11[i]);
        QCOMPARE(createFocusWatcher()->backendName(), backend);
    }

    void x11()
    {
        QProcess xvfb;
        const QByteArray display =
            ':' + startAndReadLine(xvfb, "Xvfb", {"-displayfd", "1", "-nolisten", "tcp"});
        QVERIFY2(display.size() > 1, "Xvfb did not start");
        auto watcher = createX11FocusWatcher(display, {}, nullptr);
        QTRY_VERIFY(watcher->reason().contains("does not publish _NET_ACTIVE_WINDOW"));
        QCOMPARE(watcher->state(), State::Starting);

        xcb_connection_t *c = xcb_connect(display.constData(), nullptr);
        const auto closeX = qScopeGuard([c] { xcb_disconnect(c); });
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        const auto atom = [c](const char *name) {
            xcb_intern_atom_reply_t *r =
                xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), nullptr);
            const xcb_atom_t a = r->atom;
            free(r);
            return a;
        };
        const xcb_atom_t active = atom("_NET_ACTIVE_WINDOW");
        const auto window = [&](const QByteArray &wmClass, uint32_t pid) {
            const xcb_window_t w = xcb_generate_id(c);
            xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, 0, 0, 10, 10, 0,
                              XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                                wmClass.size(), wmClass.constData());
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1,
                                &pid);
            return w;
        };
        const xcb_window_t paint = window(QByteArray("paint\0Paintbox\0", 15), 4242);
        const xcb_window_t cutter = window(QByteArray("cut\0Cutter\0", 11), 0);
        const auto activate = [&](xcb_window_t w) {
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, active, XCB_ATOM_WINDOW, 32, 1, &w);
            xcb_flush(c);
        };

        QSignalSpy changes(watcher.get(), &FocusWatcher::focusChanged);
        activate(paint);
        QTRY_COMPARE(watcher->current().appId, QString("Paintbox")); // the class part, not the instance
        QCOMPARE(watcher->current().wmClass, QString("Paintbox"));
        QCOMPARE(watcher->current().pid, 4242);
        QCOMPARE(watcher->state(), State::Answering);
        // The replies for the first window may still be on the way when the
        // second becomes active: the last one wins.
        activate(cutter);
        activate(paint);
        activate(cutter);
        QTRY_COMPARE(changes.count(), 2);
        QTest::qWait(100);
        QCOMPARE(watcher->current().appId, QString("Cutter"));
        QCOMPARE(changes.count(), 2);
        activate(XCB_WINDOW_NONE);
        QTRY_COMPARE(changes.count(), 3);
        QVERIFY(watcher->current().appId.isEmpty());

        xvfb.kill();
        QTRY_COMPARE(watcher->state(), State::Unavailable);
    }

    void kwin()
    {
        QDBusConnection kwinBus = QDBusConnection::connectToBus(m_busAddress, "kwin");
        QDBusConnection ours = QDBusConnection::connectToBus(m_busAddress, "ours-kwin");
        FakeService kwin;
        QVERIFY(kwinBus.registerVirtualObject("/", &kwin, QDBusConnection::SubPath));

        auto absent = createKWinFocusWatcher(ours, "org.kde.KWin", nullptr);
        QTRY_COMPARE(absent->state(), State::Unavailable);
        QVERIFY(absent->reason().startsWith("KWin does not answer"));
        absent.reset();

        auto watcher = createKWinFocusWatcher(ours, kwinBus.baseService(), nullptr);
        QCOMPARE(watcher->state(), State::Starting);
        // Plasma 6 and Plasma 5 each find their script object under another path.
        QTRY_VERIFY(kwin.calls.contains("/Scripting/Script7 run") && kwin.calls.contains("/7 run"));
        QVERIFY(kwin.script.contains("workspace.windowActivated") &&
                kwin.script.contains("workspace.clientActivated"));

        // Call back as the script would, to the name and path written into it.
        const QRegularExpressionMatch call =
            QRegularExpression(R"re(callDBus\("([^"]+)", "([^"]+)", "([^"]+)", "([^"]+)")re")
                .match(QString::fromUtf8(kwin.script));
        QVERIFY(call.hasMatch());
        QSignalSpy changes(watcher.get(), &FocusWatcher::focusChanged);
        QDBusMessage activated = QDBusMessage::createMethodCall(call.captured(1), call.captured(2),
                                                                call.captured(3), call.captured(4));
        QVERIFY(kwinBus.send(activated << "Paintbox"
                                       << "Untitled"
                                       << "77"));
        QTRY_COMPARE(changes.count(), 1);
        QCOMPARE(watcher->state(), State::Answering);
        QCOMPARE(watcher->current().appId, QString("Paintbox"));
        QCOMPARE(watcher->current().pid, 77);

        watcher.reset();
        QTRY_VERIFY(kwin.calls.contains("/Scripting unloadScript"));
    }

    void gnome()
    {
        QDBusConnection shellBus = QDBusConnection::connectToBus(m_busAddress, "shell");
        QDBusConnection ours = QDBusConnection::connectToBus(m_busAddress, "ours-gnome");
        FakeService shell;
        QVERIFY(shellBus.registerService("org.gnome.Shell"));
        QVERIFY(shellBus.registerVirtualObject("/", &shell, QDBusConnection::SubPath));

        // The extension is not on; GNOME 43 needs its script form.
        auto watcher = createGnomeFocusWatcher(ours, nullptr);
        QTRY_VERIFY(watcher->reason().contains("gnome-extensions enable veltranix-focus-legacy@veltranix"));
        QTRY_VERIFY(shell.calls.contains("/org/veltranix/FocusReporter Current"));
        QCOMPARE(watcher->state(), State::Starting);

        const auto emitSignal = [&](const QString &name, const QVariantList &args) {
            QDBusMessage s = QDBusMessage::createSignal(kGnomeReporterPath, kGnomeReporterInterface, name);
            s.setArguments(args);
            QVERIFY(shellBus.send(s));
        };
        QSignalSpy changes(watcher.get(), &FocusWatcher::focusChanged);
        emitSignal("FocusChanged", {"org.example.Notes", "", "Notes", 42u});
        QTRY_COMPARE(watcher->state(), State::Answering);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(watcher->current().appId, QString("org.example.Notes"));
        emitSignal("Stopped", {});
        QTRY_COMPARE(watcher->state(), State::Starting);
    }

    void wlroots()
    {
        if (QStandardPaths::findExecutable("sway").isEmpty())
            QSKIP("sway is not installed");
        QTemporaryDir runtime;
        QStringList command;
        // Sway refuses to run as root: as root, run it as an ordinary user.
        if (geteuid() == 0) {
            if (!getpwnam("vxtest"))
                QCOMPARE(QProcess::execute("useradd", {"-m", "vxtest"}), 0);
            const passwd *pw = getpwnam("vxtest");
            QVERIFY(pw &&
                    ::chown(QFile::encodeName(runtime.path()).constData(), pw->pw_uid, pw->pw_gid) == 0);
            command << "setpriv"
                    << "--reuid=vxtest"
                    << "--regid=vxtest"
                    << "--init-groups";
        }
        QFile config(runtime.filePath("config"));
        QVERIFY(config.open(QIODevice::WriteOnly) && config.write("xwayland disable\n") > 0);
        config.close();
        command << "env"
                << "-i"
                << "HOME=" + runtime.path() << "XDG_RUNTIME_DIR=" + runtime.path() << "WLR_BACKENDS=headless"
                << "WLR_RENDERER=pixman"
                << "WLR_LIBINPUT_NO_DEVICES=1"
                << "sway"
                << "-c" << config.fileName();
        QProcess sway;
        sway.start(command.takeFirst(), command);
        const auto stopSway = qScopeGuard([&] {
            sway.kill();
            sway.waitForFinished();
        });
        const auto find = [&](const QString &pattern) {
            const QStringList l = QDir(runtime.path()).entryList({pattern}, QDir::System);
            return l.isEmpty() ? QString() : runtime.filePath(l.first());
        };
        QTRY_VERIFY_WITH_TIMEOUT(!find("wayland-?").isEmpty() && !find("sway-ipc.*.sock").isEmpty(), 20000);

        auto watcher = createWlrootsFocusWatcher(find("wayland-?").toLocal8Bit(), nullptr);
        QCOMPARE(watcher->state(), State::Answering);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "wayland");
        env.insert("WAYLAND_DISPLAY", find("wayland-?"));
        QProcess alpha, beta;
        for (QProcess *client : {&alpha, &beta}) {
            const QString appId = client == &alpha ? "vx.alpha" : "vx.beta";
            client->setProcessEnvironment(env);
            client->start(QCoreApplication::applicationFilePath(), {"--wayland-client", appId});
            // Sway gives a new window the focus.
            QTRY_COMPARE_WITH_TIMEOUT(watcher->current().appId, appId, 20000);
        }
        QProcess swaymsg;
        swaymsg.start("swaymsg", {"-s", find("sway-ipc.*.sock"), "[app_id=\"vx.alpha\"] focus"});
        QVERIFY(swaymsg.waitForFinished() && swaymsg.exitCode() == 0);
        QTRY_COMPARE(watcher->current().appId, QString("vx.alpha"));
        beta.kill();
        alpha.kill();
        QVERIFY(alpha.waitForFinished() && beta.waitForFinished());
        QTRY_VERIFY(watcher->current().appId.isEmpty());
    }
};

int main(int argc, char **argv)
{
    // The Wayland client the Sway test starts: one window with the given app_id.
    if (argc == 3 && qstrcmp(argv[1], "--wayland-client") == 0) {
        QGuiApplication app(argc, argv);
        QGuiApplication::setDesktopFileName(QString::fromLocal8Bit(argv[2]));
        QRasterWindow window;
        window.resize(200, 200);
        window.show();
        return app.exec();
    }
    QCoreApplication app(argc, argv);
    TestFocus test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_focus.moc"
