#pragma once

#include <QMutex>
#include <QString>
#include <QtGlobal>

class QDateTime;

// Serialises whole log messages across threads.
extern QMutex g_logMutex;

// The process-wide Qt message handler: every message becomes one line on
// standard error and one line appended to "runtime.log" in the per-user data
// directory.
void fileMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

// "INFO", "WARN", "ERROR" or "FATAL".
QString logLevelWord(QtMsgType type);

// "yyyy-MM-dd HH:mm:ss.zzz [LEVEL] message"
QString formatLogLine(const QDateTime &when, QtMsgType type, const QString &message);

// The folder "runtime.log" is appended to.
QString logDirectoryPath();
