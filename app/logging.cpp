#include "app/logging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>

QMutex g_logMutex;

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

void fileMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    Q_UNUSED(context);
    // Nothing in here may log: the handler would re-enter itself under the lock.
    QMutexLocker locker(&g_logMutex);

    const QString line = formatLogLine(QDateTime::currentDateTime(), type, message);
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);

    QDir dir(logDirectoryPath());
    if (!dir.exists())
        dir.mkpath(QStringLiteral("."));

    // Opened and closed per message so that a crash loses nothing already logged.
    QFile file(dir.filePath(QStringLiteral("runtime.log")));
    if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        QTextStream out(&file);
        out.setEncoding(QStringConverter::Utf8);
        out << line << '\n';
        out.flush();
        file.close();
    } else {
        std::fprintf(stderr, "%s\n", message.toUtf8().constData());
        std::fflush(stderr);
    }
}
