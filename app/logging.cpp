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

// Longest run of lines that is folded when it comes round again: a waiting
// program tends to repeat a few lines in turn, not always one.
constexpr int kLongestRepeat = 4;

struct LoggedLine
{
    QtMsgType type = QtDebugMsg;
    QString message;
    QDateTime when;
};

// The repeat counter's state; only touched under g_logMutex.
struct RepeatState
{
    QList<LoggedLine> written; // the last kLongestRepeat lines written, oldest first
    int length = 0;            // the run being repeated: the last `length` lines written; 0: none
    QDateTime firstCopy;       // when the run's first line was written
    int repeats = 0;           // whole repeats counted
    QDateTime lastRepeat;      // when the last whole repeat ended
    QList<LoggedLine> partial; // the repeat under way, held back until it is whole
};
RepeatState g_repeat;

bool sameLine(const LoggedLine &line, QtMsgType type, const QString &message)
{
    return line.type == type && line.message == message;
}

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

void writeLine(const QDateTime &when, QtMsgType type, const QString &message, bool remember = true)
{
    const QString line = formatLogLine(when, type, message);
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
    appendToFile(line, message);
    if (!remember)
        return;
    g_repeat.written.append({type, message, when});
    if (g_repeat.written.size() > kLongestRepeat)
        g_repeat.written.removeFirst();
}

// The count of the run that was being repeated, then what came of a repeat
// that was not finished.
void endRepeats()
{
    RepeatState &r = g_repeat;
    if (r.repeats > 0) {
        const QString times = r.repeats == 1 ? QStringLiteral("time") : QStringLiteral("times");
        const QString text = r.length == 1 ? QStringLiteral("… repeated %1 %2").arg(r.repeats).arg(times)
                                           : QStringLiteral("… the last %1 lines repeated %2 %3")
                                                 .arg(r.length)
                                                 .arg(r.repeats)
                                                 .arg(times);
        writeLine(r.lastRepeat, r.written[r.written.size() - r.length].type, text, false);
    }
    const QList<LoggedLine> partial = std::move(r.partial);
    r.partial.clear();
    r.length = 0;
    r.repeats = 0;
    for (const LoggedLine &line : partial)
        writeLine(line.when, line.type, line.message);
}

// Counts a line that continues (or starts) a repeat of what was just written.
bool countRepeat(const QDateTime &when, QtMsgType type, const QString &message)
{
    RepeatState &r = g_repeat;
    if (r.length == 0) {
        const int kept = int(r.written.size());
        for (int length = 1; length <= kept && r.length == 0; ++length) {
            const LoggedLine &start = r.written[kept - length];
            if (sameLine(start, type, message) && qAbs(start.when.msecsTo(when)) < kRepeatWindowMs) {
                r.length = length;
                r.firstCopy = start.when;
            }
        }
        if (r.length == 0)
            return false;
    } else {
        const LoggedLine &expected = r.written[r.written.size() - r.length + r.partial.size()];
        // Once a minute the run is written out again, so the log shows it is still going on.
        if (!sameLine(expected, type, message) || qAbs(r.firstCopy.msecsTo(when)) >= kRepeatWindowMs) {
            endRepeats();
            return countRepeat(when, type, message);
        }
    }
    r.partial.append({type, message, when});
    if (r.partial.size() == r.length) {
        ++r.repeats;
        r.lastRepeat = when;
        r.partial.clear();
    }
    return true;
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
    if (!countRepeat(when, type, message))
        writeLine(when, type, message);
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
    endRepeats();
    g_repeat = RepeatState();
}
