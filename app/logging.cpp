#include "app/logging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdio>

QMutex g_logMutex;

namespace {

constexpr qint64 kRepeatWindowMs = 60 * 1000;

// The last message written and how often it has come again since; only
// touched under g_logMutex.
struct LastMessage
{
    bool any = false;
    QtMsgType type = QtDebugMsg;
    QString message;
    QDateTime written;
    int repeats = 0;
};
LastMessage g_last;

QString keptLogName(int n)
{
    return n == 0 ? QStringLiteral("runtime.log") : QStringLiteral("runtime.log.%1").arg(n);
}

// runtime.log -> .1 -> .2 -> .3; the oldest goes.
void shiftLogs(const QDir &dir)
{
    for (int n = kKeptLogFiles; n >= 1; --n) {
        const QString to = dir.filePath(keptLogName(n));
        QFile::remove(to);
        QFile::rename(dir.filePath(keptLogName(n - 1)), to);
    }
}

// Cuts a file left over the cap down to its newest whole lines under the cap.
void keepNewestPart(const QString &path)
{
    QFile file(path);
    if (file.size() <= kLogCapBytes || !file.open(QIODevice::ReadOnly))
        return;
    if (!file.seek(file.size() - kLogCapBytes))
        return;
    QByteArray tail = file.read(kLogCapBytes);
    file.close();
    const qsizetype firstBreak = tail.indexOf('\n');
    tail = firstBreak < 0 ? QByteArray() : tail.mid(firstBreak + 1);
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly) && out.write(tail) == tail.size())
        out.commit();
}

void appendToFile(const QString &line, const QString &message)
{
    QDir dir(logDirectoryPath());
    if (!dir.exists())
        dir.mkpath(QStringLiteral("."));

    // Opened and closed per message so that a crash loses nothing already logged.
    const QByteArray bytes = line.toUtf8() + '\n';
    QFile file(dir.filePath(keptLogName(0)));
    bool open = file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    if (open && file.size() > 0 && file.size() + bytes.size() > kLogCapBytes) {
        file.close();
        shiftLogs(dir);
        open = file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    }
    if (open && file.write(bytes) == bytes.size()) {
        file.close();
        return;
    }
    std::fprintf(stderr, "%s\n", message.toUtf8().constData());
    std::fflush(stderr);
}

void writeLine(const QDateTime &when, QtMsgType type, const QString &message)
{
    const QString line = formatLogLine(when, type, message);
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
    appendToFile(line, message);
}

void writeRepeatSummary(const QDateTime &when)
{
    if (g_last.repeats == 0)
        return;
    writeLine(when, g_last.type,
              QStringLiteral("… repeated %1 %2")
                  .arg(g_last.repeats)
                  .arg(g_last.repeats == 1 ? QStringLiteral("time") : QStringLiteral("times")));
    g_last.repeats = 0;
}

} // namespace

QString logLevelWord(QtMsgType type)
{
    switch (type) {
    case QtFatalMsg:
        return QStringLiteral("FATAL");
    case QtCriticalMsg:
        return QStringLiteral("ERROR");
    case QtWarningMsg:
        return QStringLiteral("WARN");
    case QtDebugMsg:
    case QtInfoMsg:
        break;
    }
    return QStringLiteral("INFO");
}

QString formatLogLine(const QDateTime &when, QtMsgType type, const QString &message)
{
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QStringLiteral(" [") +
           logLevelWord(type) + QStringLiteral("] ") + message;
}

QString logDirectoryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/logs");
}

void writeLogMessage(const QDateTime &when, QtMsgType type, const QString &message)
{
    // Nothing in here may log: the handler would re-enter itself under the lock.
    QMutexLocker locker(&g_logMutex);
    // A waiting program repeats itself; the log keeps one copy a minute and a count.
    if (g_last.any && type == g_last.type && message == g_last.message &&
        qAbs(g_last.written.msecsTo(when)) < kRepeatWindowMs) {
        ++g_last.repeats;
        return;
    }
    writeRepeatSummary(when);
    writeLine(when, type, message);
    g_last.any = true;
    g_last.type = type;
    g_last.message = message;
    g_last.written = when;
}

void fileMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    Q_UNUSED(context);
    writeLogMessage(QDateTime::currentDateTime(), type, message);
}

void rotateLogAtStart()
{
    QMutexLocker locker(&g_logMutex);
    const QDir dir(logDirectoryPath());
    // Logs of runs before the cap existed may be any size.
    for (int n = 1; n <= kKeptLogFiles; ++n)
        keepNewestPart(dir.filePath(keptLogName(n)));
    if (QFileInfo(dir.filePath(keptLogName(0))).size() < kLogCapBytes)
        return;
    shiftLogs(dir);
    keepNewestPart(dir.filePath(keptLogName(1)));
}

void finishLog()
{
    QMutexLocker locker(&g_logMutex);
    writeRepeatSummary(QDateTime::currentDateTime());
    g_last = LastMessage();
}
