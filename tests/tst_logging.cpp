#include "app/logging.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTest>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

// Sends file descriptor 2 to a temporary file for the lifetime of the object.
class StderrCapture
{
public:
    StderrCapture()
    {
        m_file.open();
        std::fflush(stderr);
        m_saved = ::dup(2);
        ::dup2(m_file.handle(), 2);
    }
    ~StderrCapture() { restore(); }

    QStringList lines()
    {
        restore();
        QFile f(m_file.fileName());
        f.open(QIODevice::ReadOnly);
        return QString::fromLocal8Bit(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};

QString logFilePath()
{
    return logDirectoryPath() + QStringLiteral("/runtime.log");
}

QStringList readLogFile(const QString &name = QStringLiteral("runtime.log"))
{
    QFile f(logDirectoryPath() + QLatin1Char('/') + name);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

const QRegularExpression kLinePattern(QStringLiteral(
    "^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3} \\[(INFO|WARN|ERROR|FATAL)\\] (.*)$"));

} // namespace

class TestLogging : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("VELTRANIX"));
        // Per process: other checkouts on this machine run this test into the same home.
        QCoreApplication::setApplicationName(
            QStringLiteral("VELTRANIX-logtest-%1").arg(QCoreApplication::applicationPid()));
    }

    void init()
    {
        finishLog();
        QDir(logDirectoryPath()).removeRecursively();
        QFile::remove(logDirectoryPath());
    }

    void cleanupTestCase() { QDir(QFileInfo(logDirectoryPath()).path()).removeRecursively(); }

    // Every message goes to standard error and is appended to the file, which
    // is reopened per message; without a writable folder the text is repeated
    // bare on standard error instead.
    void writesStderrAndFile_data()
    {
        QTest::addColumn<QString>("blocked");
        QTest::newRow("folder writable") << QString();
        QTest::newRow("a plain file where the folder should be") << QStringLiteral("folder");
        // A full disk lets the buffered write through and refuses the flush.
        QTest::newRow("no room for one more byte") << QStringLiteral("disk");
    }
    void writesStderrAndFile()
    {
        QFETCH(QString, blocked);
        const bool writable = blocked.isEmpty();
        if (blocked == QLatin1String("folder")) { // neither mkpath nor the open can succeed, even for root
            QDir().mkpath(QFileInfo(logDirectoryPath()).path());
            QFile blocker(logDirectoryPath());
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        rlimit fileSize{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &fileSize) == 0);
        const auto restoreFileSize = qScopeGuard([&] { ::setrlimit(RLIMIT_FSIZE, &fileSize); });
        if (blocked == QLatin1String("disk")) {
            std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead
            QDir().mkpath(logDirectoryPath());
            QFile filled(logFilePath());
            QVERIFY(filled.open(QIODevice::WriteOnly) && filled.write(QByteArray(4096, '\n')) == 4096);
            filled.close();
            rlimit full = fileSize;
            full.rlim_cur = 4096;
            QVERIFY(::setrlimit(RLIMIT_FSIZE, &full) == 0);
        }
        StderrCapture capture;
        fileMessageHandler(QtDebugMsg, QMessageLogContext(), QStringLiteral("第一行"));
        fileMessageHandler(QtWarningMsg, QMessageLogContext(), QStringLiteral("second"));
        const QStringList err = capture.lines();
        // Why the file gets nothing is said once a run: on the first row that fails.
        const bool saysWhy = blocked == QLatin1String("folder");
        QCOMPARE(err.size(), writable ? 2 : 4 + int(saysWhy));
        QVERIFY(err[0].endsWith(QStringLiteral(" [INFO] 第一行")) && kLinePattern.match(err[0]).hasMatch());
        QVERIFY(err.last().endsWith(QStringLiteral("second")));
        if (!writable) {
            QVERIFY(!saysWhy || err[1].startsWith(QStringLiteral("cannot write the log file")));
            QCOMPARE(err[1 + int(saysWhy)], QStringLiteral("第一行"));
            return;
        }
        QCOMPARE(readLogFile(), err);
        fileMessageHandler(QtCriticalMsg, QMessageLogContext(), QStringLiteral("third"));
        QCOMPARE(readLogFile().size(), 3);
    }

    void concurrentMessagesGiveWholeLines()
    {
        constexpr int kPerThread = 200;
        const QString a = QString(300, QLatin1Char('a'));
        const QString b = QString(300, QLatin1Char('b'));
        {
            StderrCapture capture;
            std::atomic<bool> go{false};
            auto writer = [&](QtMsgType type, const QString &text) {
                while (!go.load())
                    std::this_thread::yield();
                for (int i = 0; i < kPerThread; ++i)
                    fileMessageHandler(type, QMessageLogContext(), text + QString::number(i));
            };
            std::thread t1(writer, QtWarningMsg, a);
            std::thread t2(writer, QtDebugMsg, b);
            go = true;
            t1.join();
            t2.join();
            QCOMPARE(capture.lines().size(), 2 * kPerThread);
        }
        const QStringList file = readLogFile();
        QCOMPARE(file.size(), 2 * kPerThread);
        for (const QString &line : file) {
            const auto m = kLinePattern.match(line);
            QVERIFY(m.hasMatch());
            QCOMPARE(m.captured(1),
                     m.captured(2).startsWith(a) ? QStringLiteral("WARN") : QStringLiteral("INFO"));
        }
    }

    void repeatCounter_data()
    {
        // Messages as "text@second", "W" before a warning; then the lines the log gets.
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("written");
        const auto row = [](const char *name, const QStringList &messages, const QStringList &written) {
            QTest::newRow(name) << messages << written;
        };
        row("counted, summed up when the text changes", {"a@0", "a@1", "a@2", "b@3"},
            {"a", "… repeated 2 times", "b"});
        row("written again after a minute", {"a@0", "a@30", "a@61", "a@62"},
            {"a", "… repeated 1 time", "a", "… repeated 1 time"});
        row("another level is another line", {"a@0", "Wa@0", "a@0"}, {"a", "a", "a"});
        row("lines in turn", {"a@0", "b@0", "a@3", "b@3", "a@6", "b@6", "c@7"},
            {"a", "b", "… the last 2 lines repeated 2 times", "c"});
        row("an unfinished repeat is written", {"a@0", "b@0", "a@3", "c@4"}, {"a", "b", "a", "c"});
    }

    void repeatCounter()
    {
        QFETCH(QStringList, messages);
        QFETCH(QStringList, written);
        const QDateTime start = QDateTime::currentDateTime();
        for (const QString &m : messages) {
            const bool warning = m.startsWith(QLatin1Char('W'));
            writeLogMessage(start.addSecs(m.section(QLatin1Char('@'), 1).toInt()),
                            warning ? QtWarningMsg : QtDebugMsg,
                            m.section(QLatin1Char('@'), 0, 0).mid(warning ? 1 : 0));
        }
        finishLog(); // a count still open at exit is written too
        QStringList seen;
        for (const QString &line : readLogFile())
            seen << kLinePattern.match(line).captured(2);
        QCOMPARE(seen, written);
    }

    // Standard error is a full pipe nobody reads: logging still returns, and a
    // count held back reaches the file after a few seconds of quiet, without
    // another line or the exit.
    void unreadStderrAndQuietCount()
    {
        std::signal(SIGPIPE, SIG_IGN);
        int fds[2];
        QVERIFY(::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0);
        const QByteArray block(4096, 'x');
        while (::write(fds[1], block.constData(), size_t(block.size())) > 0) {
        }
        QVERIFY(::fcntl(fds[1], F_SETFL, 0) == 0);
        std::fflush(stderr);
        const int saved = ::dup(2);
        ::dup2(fds[1], 2);
        startLogFlushing();
        std::atomic<bool> returned{false};
        std::thread logger([&returned] {
            for (int i = 0; i < 200; ++i)
                fileMessageHandler(QtDebugMsg, QMessageLogContext(), QStringLiteral("line %1").arg(i));
            for (int i = 0; i < 3; ++i)
                fileMessageHandler(QtWarningMsg, QMessageLogContext(), QStringLiteral("again"));
            returned = true;
        });
        const bool unblocked = QTest::qWaitFor([&] { return returned.load(); }, 10000);
        const bool counted =
            unblocked &&
            QTest::qWaitFor(
                [] { return readLogFile().value(201).endsWith(QStringLiteral("] … repeated 2 times")); },
                15000);
        ::close(fds[0]); // frees a writer that blocked, which fails from here on
        logger.join();
        finishLog();
        QTest::qWait(100);
        ::dup2(saved, 2);
        ::close(saved);
        ::close(fds[1]);
        QVERIFY(unblocked);
        QVERIFY(counted);
    }

    // Full files move on to .1 ... .3 while the program runs; the oldest goes.
    void rotatesAtSize()
    {
        QDir().mkpath(logDirectoryPath());
        for (int round = 0; round < 5; ++round) {
            QFile log(logFilePath());
            QVERIFY(log.open(QIODevice::Append));
            log.write(QByteArray(kLogCapBytes - log.size() - 2, 'x') + '\n'); // one byte short of the cap
            log.close();
            fileMessageHandler(QtDebugMsg, QMessageLogContext(), QStringLiteral("round %1").arg(round));
        }
        for (int n = 0; n <= kKeptLogFiles; ++n) {
            const QString name =
                n == 0 ? QStringLiteral("runtime.log") : QStringLiteral("runtime.log.%1").arg(n);
            QVERIFY(QFileInfo(logDirectoryPath() + QLatin1Char('/') + name).size() <= kLogCapBytes);
            QVERIFY(readLogFile(name).value(0).endsWith(QStringLiteral("round %1").arg(4 - n)));
        }
        QVERIFY(!QFile::exists(logFilePath() + QStringLiteral(".4")));
    }

    // A 30 MB log and an oversized old one from earlier runs leave the folder under the cap at start.
    void rotatesAtStart()
    {
        QDir().mkpath(logDirectoryPath());
        const QByteArray line = "2026-12-05 16:58:07.042 [INFO] " + QByteArray(90, 'y') + '\n';
        for (const auto &[name, megabytes] : {std::pair{"runtime.log", 30}, std::pair{"runtime.log.2", 3}}) {
            QFile f(logDirectoryPath() + QLatin1Char('/') + QLatin1String(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(line.repeated(megabytes * 1024 * 1024 / line.size()));
            f.write("2026-12-05 16:58:07.042 [INFO] last\n");
        }
        rotateLogAtStart();
        qint64 total = 0;
        for (const QFileInfo &f : QDir(logDirectoryPath()).entryInfoList(QDir::Files))
            total += f.size();
        QVERIFY2(total <= kKeptLogFiles * kLogCapBytes, qPrintable(QString::number(total)));
        QVERIFY(!QFile::exists(logFilePath()));
        const QStringList kept = readLogFile(QStringLiteral("runtime.log.1"));
        QVERIFY(kLinePattern.match(kept.value(0)).hasMatch());
        QVERIFY(kept.last().endsWith(QStringLiteral("last")));
    }
};

QTEST_GUILESS_MAIN(TestLogging)
#include "tst_logging.moc"
