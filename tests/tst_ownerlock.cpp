// Two programs on one knob: while the window holds it the tool neither opens
// nor writes it, and the window waits quietly for a tool that holds it; a
// killed window blocks nobody; a second window start brings the first one
// forward and leaves. The window is the real program with the simulated knob
// preloaded, which lists the same interfaces as the one in this process.
#include "cli/clicommands.h"
#include "cli/clidevice.h"
#include "device/KnobOwnerLock.h"
#include "device/KnobSession.h"
#include "tests/fakes/hidsim/hidsim.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <hidapi.h>

#include <csignal>

namespace {

int cli(const QStringList &args, QString *errText = nullptr)
{
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    CliContext c;
    c.out = &outStream;
    c.err = &errStream;
    c.openDevice = [] { return createCliDevice(); };
    const int code = runCli(QStringList{QStringLiteral("veltranix-cli")} + args, c);
    errStream.flush();
    if (errText)
        *errText = err;
    return code;
}

} // namespace

class TestOwnerLock : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QString m_backup;

    QProcess *startWindow(const QStringList &extraEnvironment = {})
    {
        auto *window = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(VX_HIDSIM_PRELOAD));
        // A sanitizer build's runtime would refuse to start behind the preloaded library.
        if (env.contains(QStringLiteral("ASAN_OPTIONS")))
            env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) +
                                                           QStringLiteral(":verify_asan_link_order=0"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.path()); // its log
        for (const QString &setting : extraEnvironment)
            env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
        window->setProcessEnvironment(env);
        window->setReadChannel(QProcess::StandardError); // the log
        window->start(QStringLiteral(VX_WINDOW_PATH), QStringList());
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
        QCOMPARE(cli({QStringLiteral("read"), QStringLiteral("-o"), m_backup}), int(CliOk));
    }

    void toolLeavesTheWindowsKnobAlone()
    {
        QProcess *window = startWindow();
        QVERIFY(waitForLog(window, QStringLiteral("连接成功")));
        hidsim::clearWrites();
        QCOMPARE(cli({QStringLiteral("write"), m_backup}), int(CliBusy));
        QVERIFY(hidsim::writes().empty());
        QCOMPARE(hidsim::openHandleCount(), 0);

        ::kill(pid_t(window->processId()), SIGKILL);
        QVERIFY(window->waitForFinished(10000));
        QCOMPARE(cli({QStringLiteral("write"), m_backup}), int(CliOk));
        QVERIFY(!hidsim::writes().empty());
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

    void secondWindowStartLeavesOne()
    {
        QProcess *first = startWindow();
        QVERIFY(waitForLog(first, QStringLiteral("连接成功")));
        QProcess *second = startWindow();
        QVERIFY(second->waitForFinished(15000));
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(second->readAllStandardError().contains(QByteArray::number(first->processId())));
        QVERIFY(waitForLog(first, QStringLiteral("再次启动请求显示窗口")));
        QCOMPARE(first->state(), QProcess::Running);
        ::kill(pid_t(first->processId()), SIGKILL);
        QVERIFY(first->waitForFinished(10000));
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

    // A window with a runtime directory of its own (sudo, ssh, cron, another
    // TMPDIR) has its lock file out of sight; its lock on the knob's nodes is not.
    void nodeLockSeenAcrossRuntimeDirectories()
    {
        QTemporaryDir nodes;
        QTemporaryDir runtime;
        hidsim::reset();
        hidsim::DeviceConfig knob = hidsim::knobDevice();
        knob.serialNumber = L"NODES1";
        hidsim::placeNodes(knob, nodes.path().toStdString());
        hidsim::addDevice(knob);
        QProcess *window =
            startWindow({QStringLiteral("XDG_RUNTIME_DIR=") + runtime.path(),
                         QStringLiteral("HIDSIM_SCENARIO=device serial=NODES1 nodes=") + nodes.path()});
        QVERIFY(waitForLog(window, QStringLiteral("连接成功")));
        hidsim::clearWrites();
        QString err;
        QCOMPARE(cli({QStringLiteral("write"), m_backup}, &err), int(CliBusy));
        QVERIFY2(err.contains(QStringLiteral("VELTRANIX window (pid %1)").arg(window->processId())),
                 qPrintable(err));
        QVERIFY(hidsim::writes().empty());
        ::kill(pid_t(window->processId()), SIGKILL);
        QVERIFY(window->waitForFinished(10000));
        QCOMPARE(cli({QStringLiteral("write"), m_backup}), int(CliOk));
    }
};

QTEST_GUILESS_MAIN(TestOwnerLock)
#include "tst_ownerlock.moc"
