#pragma once

#include <QMutex>
#include <QString>
#include <QtGlobal>

class QDateTime;

// Serialises whole log messages across threads.
extern QMutex g_logMutex;

// The log is cut into files of at most this size: runtime.log, then
// runtime.log.1 up to runtime.log.3, the oldest going first.
constexpr qint64 kLogCapBytes = 2 * 1024 * 1024;
constexpr int kKeptLogFiles = 3;

// The process-wide Qt message handler: every message becomes one line on
// standard error and one line appended to "runtime.log" in the per-user data
// directory. A message identical to the previous one within a minute is only
// counted; "… repeated N times" follows once another one comes. A run of up to
// four lines that comes round again is counted the same way.
void fileMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

// The handler's work for a message stamped `when`.
void writeLogMessage(const QDateTime &when, QtMsgType type, const QString &message);

// At start: a runtime.log at or over the cap is moved on, and kept files over
// it (from earlier versions) are cut to their newest part.
void rotateLogAtStart();

// Hands standard error to a thread of its own, so a reader that stalls
// stalls no caller, and writes held-back counts after a few seconds of quiet.
void startLogFlushing();

// Writes a count held back for a quiet moment, once that has come.
void flushQuietRepeats();

// At exit: writes the count of a message still being repeated, and gives
// standard error up to a second to take the last lines.
void finishLog();

// "INFO", "WARN", "ERROR" or "FATAL".
QString logLevelWord(QtMsgType type);

// "yyyy-MM-dd HH:mm:ss.zzz [LEVEL] message"
QString formatLogLine(const QDateTime &when, QtMsgType type, const QString &message);

// The folder "runtime.log" is appended to.
QString logDirectoryPath();
