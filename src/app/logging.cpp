#include "app/logging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

QMutex g_logMutex;

namespace {

constexpr qint64 kRepeatWindowMs = 60 * 1000;
// Lines held back for a count are written after this much quiet, so a crash
// or a hang loses no more than these last seconds.
constexpr auto kQuietFlush = std::chrono::seconds(3);
// What may wait for a slow standard error before lines to it are dropped;
// the file still gets every line.
constexpr qsizetype kStderrBacklogBytes = 256 * 1024;
constexpr int kStderrDrainMs = 1000;

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
std::chrono::steady_clock::time_point g_lastArrival; // under g_logMutex
bool g_fileFailureSaid = false;                      // under g_logMutex

// Standard error as seen by the logging thread: nothing that logs waits for
// whoever reads it. Never destroyed, as the thread may outlive main().
struct StderrQueue
{
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable drained;
    std::deque<QByteArray> lines;
    qsizetype bytes = 0;
    int dropped = 0;
    bool threadRunning = false;
    int generation = 0; // a thread of an older one ends when it wakes
    bool writing = false;
};
StderrQueue &stderrQueue()
{
    static auto *queue = new StderrQueue;
    return *queue;
}

void writeAllToStderr(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(STDERR_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += n;
    }
}

void toStderr(const QByteArray &line)
{
    StderrQueue &q = stderrQueue();
    std::unique_lock<std::mutex> lock(q.mutex);
    if (!q.threadRunning) {
        lock.unlock();
        std::fflush(stderr);
        writeAllToStderr(line + '\n');
        return;
    }
    if (q.bytes + line.size() > kStderrBacklogBytes) {
        ++q.dropped;
        return;
    }
    q.lines.push_back(line + '\n');
    q.bytes += line.size() + 1;
    q.wake.notify_one();
}

// One log folder for every process of the user: the moving-on of full files
// is done by one at a time. Without the lock it is done anyway.
class LogFolderLock
{
public:
    explicit LogFolderLock(const QDir &dir)
    {
        m_fd = ::open(QFile::encodeName(dir.filePath(QStringLiteral(".rotate.lock"))).constData(),
                      O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        for (int tries = 0; m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) != 0; ++tries) {
            if (errno != EWOULDBLOCK || tries == 200)
                break;
            QThread::msleep(10);
        }
    }
    ~LogFolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Q_DISABLE_COPY_MOVE(LogFolderLock)

private:
    int m_fd = -1;
};

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
        const LogFolderLock lock(dir);
        // Another process may have moved it on while this one waited.
        if (QFileInfo(file.fileName()).size() + bytes.size() > kLogCapBytes)
            shiftLogs(dir);
        open = file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    }
    // The write only fills QFile's buffer; a full disk shows at the flush.
    if (open && file.write(bytes) == bytes.size() && file.flush()) {
        file.close();
        return;
    }
    if (!g_fileFailureSaid) {
        g_fileFailureSaid = true;
        toStderr(QStringLiteral("cannot write the log file %1: %2; log lines go to standard error only")
                     .arg(file.fileName(), file.errorString())
                     .toLocal8Bit());
    }
    toStderr(message.toUtf8());
}

void writeLine(const QDateTime &when, QtMsgType type, const QString &message, bool remember = true)
{
    const QString line = formatLogLine(when, type, message);
    toStderr(line.toLocal8Bit());
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
    g_lastArrival = std::chrono::steady_clock::now();
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
    const LogFolderLock lock(dir);
    // Logs of runs before the cap existed may be any size.
    for (int n = 1; n <= kKeptLogFiles; ++n)
        keepNewestPart(dir.filePath(keptLogName(n)));
    if (QFileInfo(dir.filePath(keptLogName(0))).size() < kLogCapBytes)
        return;
    shiftLogs(dir);
    keepNewestPart(dir.filePath(keptLogName(1)));
}

void flushQuietRepeats()
{
    QMutexLocker locker(&g_logMutex);
    const RepeatState &r = g_repeat;
    if ((r.repeats > 0 || !r.partial.isEmpty()) &&
        std::chrono::steady_clock::now() - g_lastArrival >= kQuietFlush)
        endRepeats();
}

namespace {

bool isCurrent(StderrQueue &q, int generation)
{
    std::lock_guard<std::mutex> lock(q.mutex);
    return q.generation == generation;
}

} // namespace

void startLogFlushing()
{
    StderrQueue &q = stderrQueue();
    int generation = 0;
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        if (q.threadRunning)
            return;
        q.threadRunning = true;
        generation = q.generation;
    }
    try {
        std::thread([&q, generation] {
            std::unique_lock<std::mutex> lock(q.mutex);
            while (q.generation == generation) {
                if (q.lines.empty() && q.dropped == 0)
                    q.wake.wait_for(lock, std::chrono::seconds(1));
                if (!q.lines.empty() || q.dropped > 0) {
                    std::deque<QByteArray> lines;
                    lines.swap(q.lines);
                    const int dropped = std::exchange(q.dropped, 0);
                    q.writing = true;
                    lock.unlock();
                    bool current = true;
                    for (const QByteArray &line : lines) {
                        // While nobody reads, held-back counts still reach the file.
                        pollfd out{STDERR_FILENO, POLLOUT, 0};
                        while (::poll(&out, 1, 1000) == 0 && (current = isCurrent(q, generation)))
                            flushQuietRepeats();
                        if (!current)
                            break;
                        writeAllToStderr(line);
                    }
                    if (dropped > 0 && current)
                        writeAllToStderr(QByteArray::number(dropped) +
                                         " log lines not shown here (standard error was not read); "
                                         "the log file has them\n");
                    lock.lock();
                    q.writing = false;
                    for (const QByteArray &line : lines)
                        q.bytes -= line.size();
                    q.drained.notify_all();
                    continue;
                }
                lock.unlock();
                flushQuietRepeats();
                lock.lock();
            }
        }).detach();
    } catch (const std::system_error &) {
        std::lock_guard<std::mutex> lock(q.mutex);
        q.threadRunning = false;
    }
}

void finishLog()
{
    {
        QMutexLocker locker(&g_logMutex);
        endRepeats();
        g_repeat = RepeatState();
    }
    StderrQueue &q = stderrQueue();
    std::unique_lock<std::mutex> lock(q.mutex);
    if (!q.threadRunning)
        return;
    // A reader that keeps up gets the last lines; one that never reads does not hold the exit.
    q.drained.wait_for(lock, std::chrono::milliseconds(kStderrDrainMs),
                       [&q] { return q.lines.empty() && !q.writing; });
    ++q.generation;
    q.threadRunning = false;
    q.wake.notify_all();
}
