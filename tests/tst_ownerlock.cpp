// Two programs on one knob: while the window holds it the tool neither opens
// nor writes it, and the window waits quietly for a tool that holds it; a
// killed window blocks nobody; a second window start brings the first one
// forward and leaves, one against a window that does not answer does not claim
// it did. Nothing a program starts outlives it: the window's Bluetooth helper
// goes with the window however it ends, and the tool stopped during a write
// leaves every key it wrote whole. The window and the tool are the real
// programs with the simulated knob preloaded, which lists the same interfaces
// as the one in this process.
#include "app/logging.h"
#include "device/KnobOwnerLock.h"
#include "device/KnobSession.h"
#include "support/clirun.h"
#include "tests/fakes/hidsim/hidsim.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <hidapi.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A zombie has ended; only its parent has not collected it.
bool isRunning(qint64 pid, qint64 parent = 0)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    const QByteArray status = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return !status.isEmpty() && !status.contains("\nState:\tZ") &&
           (parent == 0 || status.contains("\nPPid:\t" + QByteArray::number(parent) + '\n'));
}

QList<qint64> childrenRunning(qint64 parent, const QString &program)
{
    QList<qint64> found;
    for (const QString &name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        if (isRunning(name.toLongLong(), parent) &&
            QFileInfo(QStringLiteral("/proc/%1/exe").arg(name)).symLinkTarget() == program)
            found << name.toLongLong();
    }
    return found;
}

} // namespace

class TestOwnerLock : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QString m_backup;

    QProcess *startWindow(const QString &program = QStringLiteral(VX_WINDOW_PATH),
                          const QStringList &args = {}, const QStringList &extra = {})
    {
        auto *window = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &kv : extra)
            env.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(VX_HIDSIM_PRELOAD));
        // A sanitizer build's runtime would refuse to start behind the preloaded library.
        if (env.contains(QStringLiteral("ASAN_OPTIONS")))
            env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) +
                                                           QStringLiteral(":verify_asan_link_order=0"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.path()); // its log
        window->setProcessEnvironment(env);
        window->setReadChannel(QProcess::StandardError); // the log
        window->start(program, args);
        return window;
    }

    static bool waitForLog(QProcess *p, const QString &fragment)
    {
        QByteArray seen;
        const QDeadlineTimer deadline(15000);
        while (!(seen += p->readAllStandardError()).contains(fragment.toUtf8())) {
            if (!p->waitForReadyRead(int(deadline.remainingTime())))
                return false;
        }
        return true;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The first simulated knob of a process: the window's is named alike.
        hidsim::reset();
        hidsim::addDevice(hidsim::knobDevice());
        m_backup = m_home.filePath(QStringLiteral("knob.json"));
        QCOMPARE(runCliTool({QStringLiteral("read"), QStringLiteral("-o"), m_backup}).code, int(CliOk));
    }

    void windowWaitsForTheHolder()
    {
        hid_device_info *list = hid_enumerate(0, 0);
        auto held = KnobOwnerLock::tryTake(KnobOwnerLock::knobIdentity(*list));
        hid_free_enumeration(list);
        KnobSession session;
        QSignalSpy hint(&session, &KnobSession::permissionHintChanged);
        hidsim::clearWrites();
        session.connectNow();
        QTRY_VERIFY_WITH_TIMEOUT(!session.isScanRunning(), 5000);
        QVERIFY(!session.isConnected());
        QCOMPARE(hint.count(), 1);
        QVERIFY(session.permissionHintText().contains(QStringLiteral("tst_ownerlock")));
        QVERIFY(hidsim::writes().empty());

        held.reset();
        session.connectNow();
        QTRY_VERIFY_WITH_TIMEOUT(session.isConnected(), 5000);
        QCOMPARE(hint.count(), 2);
        session.shutdown();
    }

    // A second start brings the first window forward and leaves. However the
    // window then ends, its long-running Bluetooth helper goes with it.
    void secondWindowStartLeavesOne_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGKILL") << int(SIGKILL);
        QTest::newRow("SIGTERM") << int(SIGTERM);
    }
    void secondWindowStartLeavesOne()
    {
        QFETCH(int, signal);
        QProcess *first = startWindow();
        QVERIFY(waitForLog(first, QStringLiteral("连接成功")));
        QProcess *second = startWindow();
        QVERIFY(second->waitForFinished(15000));
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(second->readAllStandardError().contains(QByteArray::number(first->processId())));
        QVERIFY(waitForLog(first, QStringLiteral("再次启动请求显示窗口")));
        QCOMPARE(first->state(), QProcess::Running);
        QList<qint64> helpers;
        QVERIFY(QTest::qWaitFor(
            [&] { return !(helpers = childrenRunning(first->processId(), VX_BLE_HELPER_PATH)).isEmpty(); },
            15000));
        ::kill(pid_t(first->processId()), signal);
        QVERIFY(first->waitForFinished(15000));
        QVERIFY(QTest::qWaitFor([&] { return !isRunning(helpers.first()); }, 10000));
        QCOMPARE(first->exitStatus() == QProcess::NormalExit && first->exitCode() == 0, signal == SIGTERM);
        QFile log(m_home.filePath(QStringLiteral("VELTRANIX/VELTRANIX/logs/runtime.log")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll().contains("收到信号 15"), signal == SIGTERM);
    }

    // A window that holds the lock but never answers: the start says so and
    // fails, or becomes the window when the lock is let go meanwhile.
    void secondStartAgainstAHungWindow_data()
    {
        QTest::addColumn<bool>("lockFreed");
        QTest::newRow("lock kept") << false;
        QTest::newRow("lock let go while waiting") << true;
    }
    void secondStartAgainstAHungWindow()
    {
        QFETCH(bool, lockFreed);
        const QByteArray base = QFile::encodeName(KnobOwnerLock::runtimeDirectory() + "/veltranix-window.");
        int lockFd = ::open(base + "lock", O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        QVERIFY(lockFd >= 0 && ::flock(lockFd, LOCK_EX | LOCK_NB) == 0);
        const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{AF_UNIX, {}};
        qstrncpy(address.sun_path, base + "socket", sizeof address.sun_path);
        ::unlink(address.sun_path);
        QVERIFY(::bind(server, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 &&
                ::listen(server, 8) == 0);

        // A log of an older run over the cap: only the start that becomes the window cuts it.
        const QString logs = m_home.filePath(QStringLiteral("VELTRANIX/VELTRANIX/logs"));
        QFile older(logs + QStringLiteral("/runtime.log.1"));
        QVERIFY(QDir().mkpath(logs) && older.open(QIODevice::WriteOnly));
        QVERIFY(older.write(QByteArray(kLogCapBytes + 100, '\n')) == kLogCapBytes + 100);
        older.close();

        QProcess *second = startWindow();
        pollfd asked{server, POLLIN, 0};
        QVERIFY(::poll(&asked, 1, 15000) == 1); // connected, never answered
        if (lockFreed) {
            ::close(lockFd);
            lockFd = -1;
            QVERIFY(waitForLog(second, QStringLiteral("连接成功")));
            ::kill(pid_t(second->processId()), SIGTERM);
        }
        QVERIFY(second->waitForFinished(15000));
        ::close(server);
        ::close(lockFd);
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), lockFreed ? 0 : 1);
        const QList<QByteArray> lines = second->readAllStandardError().trimmed().split('\n');
        QVERIFY(lockFreed || (lines.size() == 1 && lines.first().contains("无法联系")));
        QCOMPARE(QFileInfo(older.fileName()).size() > kLogCapBytes, !lockFreed);
    }

    // The helper alone: it ends when its standard input closes, and at once
    // when the parent it was started for is not its parent.
    void helperFollowsItsParent_data()
    {
        QTest::addColumn<bool>("otherParent");
        QTest::newRow("standard input closed") << false;
        QTest::newRow("started for another parent") << true;
    }
    void helperFollowsItsParent()
    {
        QFETCH(bool, otherParent);
        QProcess helper;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
        if (otherParent)
            env.insert(QStringLiteral("VX_PARENT_PID"), QStringLiteral("1"));
        helper.setProcessEnvironment(env);
        helper.start(QStringLiteral(VX_BLE_HELPER_PATH), {QStringLiteral("watch")});
        if (!otherParent) {
            QVERIFY(helper.waitForReadyRead(15000)); // up, and reporting no Bluetooth
            QCOMPARE(helper.state(), QProcess::Running);
            helper.closeWriteChannel();
        }
        QVERIFY(helper.waitForFinished(10000));
        QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
        QCOMPARE(helper.readAllStandardOutput().isEmpty(), otherParent);
    }

    // Ctrl+C during a write: the key under way and its end packet go out,
    // then the tool stops, exits 130 and says what the knob holds.
    void toolInterruptedDuringWrite()
    {
        const QString config = m_home.filePath(QStringLiteral("five.json"));
        QProcess demo;
        demo.start(QStringLiteral(VX_CLI_PATH), {"--demo", "read", "-o", config});
        QVERIFY(demo.waitForFinished(15000) && demo.exitCode() == 0);
        const QString wire = m_home.filePath(QStringLiteral("wire.txt"));
        QProcess *tool = startWindow(QStringLiteral(VX_CLI_PATH), {QStringLiteral("write"), config},
                                     {"HIDSIM_SCENARIO=device; write-delay 150", "HIDSIM_WRITE_LOG=" + wire});
        auto written = [&wire] {
            QFile f(wire);
            return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().split('\n') : QList<QByteArray>();
        };
        const auto isEnd = [](const QByteArray &line) { return line.contains("03 FD FE FF"); };
        QVERIFY(QTest::qWaitFor(
            [&] {
                const QList<QByteArray> lines = written();
                return std::any_of(lines.begin(), lines.end(),
                                   [&](const QByteArray &l) { return !isEnd(l) && l.contains("03 FD"); });
            },
            15000));
        ::kill(pid_t(tool->processId()), SIGINT);
        QVERIFY(tool->waitForFinished(30000));
        QCOMPARE(tool->exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool->exitCode(), 130);
        const QRegularExpressionMatch said =
            QRegularExpression(QStringLiteral("interrupted: the knob holds (\\d) of the 5 keys"))
                .match(QString::fromUtf8(tool->readAllStandardError()));
        QVERIFY(said.hasMatch());
        // Every key begun has its end packet, and the write stopped early.
        QList<QByteArray> lines = written();
        while (!lines.isEmpty() && isEnd(lines.first())) // the probes
            lines.removeFirst();
        QVERIFY(!lines.isEmpty() && isEnd(lines.last()));
        const auto ends = std::count_if(lines.begin(), lines.end(), isEnd);
        QCOMPARE(int(ends), said.captured(1).toInt());
        QVERIFY(ends < 5);
    }

    // The fallback for a missing runtime directory: only a real directory of
    // ours that nobody else may enter, so no other user can plant the lock.
    void privateDirectoryOnly_data()
    {
        QTest::addColumn<int>("planted"); // a directory with these permissions first; 0: none, -1: a symlink
        QTest::addColumn<bool>("usable");
        QTest::newRow("nothing: made 0700") << 0 << true;
        QTest::newRow("a directory others may enter") << 0x7777 << false;
        QTest::newRow("a symlink to a private directory") << -1 << false;
    }
    void privateDirectoryOnly()
    {
        QFETCH(int, planted);
        QFETCH(bool, usable);
        QTemporaryDir base; // 0700
        const QString path = base.filePath(QStringLiteral("runtime"));
        QVERIFY(planted >= 0 || QFile::link(base.path(), path));
        QVERIFY(planted <= 0 ||
                (QDir().mkdir(path) && QFile::setPermissions(path, QFileDevice::Permissions(planted))));
        QCOMPARE(KnobOwnerLock::privateDirectory(path), usable ? path : QString());
        QVERIFY(!usable || (QFileInfo(path).permissions() & 0x7077) == 0x7000);
    }

    // While the window holds the knob the tool is refused, naming the window,
    // writes nothing and leaves no handle open; once the window is killed it
    // writes. A window with a runtime directory of its own (sudo, ssh, cron,
    // another TMPDIR) has its lock file out of sight; its lock on the knob's
    // nodes is not.
    void toolLeavesTheWindowsKnobAlone_data()
    {
        QTest::addColumn<bool>("ownRuntime");
        QTest::newRow("one runtime directory") << false;
        QTest::newRow("a runtime directory of its own") << true;
    }
    void toolLeavesTheWindowsKnobAlone()
    {
        QFETCH(bool, ownRuntime);
        QTemporaryDir nodes;
        QTemporaryDir runtime;
        QStringList env;
        if (ownRuntime) {
            hidsim::reset();
            hidsim::DeviceConfig knob = hidsim::knobDevice();
            knob.serialNumber = L"NODES1";
            hidsim::placeNodes(knob, nodes.path().toStdString());
            hidsim::addDevice(knob);
            env = QStringList{QStringLiteral("XDG_RUNTIME_DIR=") + runtime.path(),
                              QStringLiteral("HIDSIM_SCENARIO=device serial=NODES1 nodes=") + nodes.path()};
        }
        QProcess *window = startWindow(QStringLiteral(VX_WINDOW_PATH), {}, env);
        QVERIFY(waitForLog(window, QStringLiteral("连接成功")));
        hidsim::clearWrites();
        const CliRun busy = runCliTool({QStringLiteral("write"), m_backup});
        QCOMPARE(busy.code, int(CliBusy));
        QVERIFY2(busy.err.contains(QStringLiteral("VELTRANIX window (pid %1)").arg(window->processId())),
                 qPrintable(busy.err));
        QVERIFY(hidsim::writes().empty());
        QCOMPARE(hidsim::openHandleCount(), 0);
        ::kill(pid_t(window->processId()), SIGKILL);
        QVERIFY(window->waitForFinished(10000));
        QCOMPARE(runCliTool({QStringLiteral("write"), m_backup}).code, int(CliOk));
        QVERIFY(!hidsim::writes().empty());
    }
};

QTEST_GUILESS_MAIN(TestOwnerLock)
#include "tst_ownerlock.moc"
