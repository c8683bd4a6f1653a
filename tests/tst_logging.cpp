#include "app/logging.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTest>

#include <atomic>
#include <cstdio>
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

QStringList readLogFile()
{
    QFile f(logFilePath());
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
        QCoreApplication::setApplicationName(QStringLiteral("VELTRANIX-logtest"));
    }

    void init()
    {
        QDir(logDirectoryPath()).removeRecursively();
        QFile::remove(logDirectoryPath());
    }

    void cleanupTestCase() { init(); }

    void writesStderrThenAppendsToFile()
    {
        StderrCapture capture;
        fileMessageHandler(QtDebugMsg, QMessageLogContext(), QStringLiteral("第一行"));
        fileMessageHandler(QtWarningMsg, QMessageLogContext(), QStringLiteral("second"));
        const QStringList err = capture.lines();
        QCOMPARE(err.size(), 2);
        QVERIFY(err[0].endsWith(QStringLiteral(" [INFO] 第一行")));
        QVERIFY(err[1].endsWith(QStringLiteral(" [WARN] second")));

        const QStringList file = readLogFile();
        QCOMPARE(file, err);
        for (const QString &line : file)
            QVERIFY2(kLinePattern.match(line).hasMatch(), qPrintable(line));

        // Appends: the file is reopened per message, never truncated.
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
                    fileMessageHandler(type, QMessageLogContext(), text);
            };
            std::thread t1(writer, QtWarningMsg, a);
            std::thread t2(writer, QtDebugMsg, b);
            go = true;
            t1.join();
            t2.join();
            const QStringList err = capture.lines();
            QCOMPARE(err.size(), 2 * kPerThread);
            for (const QString &line : err) {
                const auto m = kLinePattern.match(line);
                QVERIFY2(m.hasMatch(), qPrintable(line.left(80)));
                QVERIFY(m.captured(2) == a || m.captured(2) == b);
            }
        }
        const QStringList file = readLogFile();
        QCOMPARE(file.size(), 2 * kPerThread);
        for (const QString &line : file) {
            const auto m = kLinePattern.match(line);
            QVERIFY(m.hasMatch());
            QCOMPARE(m.captured(1), m.captured(2) == a ? QStringLiteral("WARN") : QStringLiteral("INFO"));
        }
    }

    void unwritableLogDirectoryFallsBackToStderr()
    {
        // A plain file where the log directory should be: neither mkpath nor the
        // open can succeed, even for root.
        const QString dirPath = logDirectoryPath();
        QDir().mkpath(QFileInfo(dirPath).path());
        QFile blocker(dirPath);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        StderrCapture capture;
        fileMessageHandler(QtWarningMsg, QMessageLogContext(), QStringLiteral("无法写入"));
        fileMessageHandler(QtDebugMsg, QMessageLogContext(), QStringLiteral("again"));
        const QStringList err = capture.lines();
        QCOMPARE(err.size(), 4);
        QVERIFY(kLinePattern.match(err[0]).hasMatch());
        QVERIFY(err[0].endsWith(QStringLiteral("[WARN] 无法写入")));
        QCOMPARE(err[1], QStringLiteral("无法写入"));
        QVERIFY(err[2].endsWith(QStringLiteral("[INFO] again")));
        QCOMPARE(err[3], QStringLiteral("again"));
        QVERIFY(QFileInfo(dirPath).isFile());
    }
};

QTEST_GUILESS_MAIN(TestLogging)
#include "tst_logging.moc"
