#include "app/SingleWindowGuard.h"

#include "device/KnobOwnerLock.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr int kReachWindowMs = 3000;

QString guardPath(const char *suffix)
{
    return KnobOwnerLock::runtimeDirectory() + QStringLiteral("/veltranix-window.") + QLatin1String(suffix);
}

} // namespace

SingleWindowGuard::SingleWindowGuard(QObject *parent) : QObject(parent) {}

SingleWindowGuard::~SingleWindowGuard()
{
    if (m_server)
        m_server->close();
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

bool SingleWindowGuard::claim()
{
    const QString socketPath = guardPath("socket");
    m_lockFd = ::open(QFile::encodeName(guardPath("lock")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd >= 0 && ::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            ::close(m_lockFd);
            m_lockFd = -1;
            askRunningWindow(socketPath);
            return false;
        }
    }
    // Without a usable lock this start cannot tell; one window too many beats none.
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Left behind by a window that crashed: the lock says nobody listens there.
    QLocalServer::removeServer(socketPath);
    if (!m_server->listen(socketPath)) {
        qWarning().noquote()
            << QStringLiteral("单窗口监听失败 (%1): %2").arg(socketPath, m_server->errorString());
        return true;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleWindowGuard::answerLaterStarts);
    return true;
}

void SingleWindowGuard::answerLaterStarts()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        qDebug().noquote() << "再次启动请求显示窗口，已将窗口置于前台";
        emit raiseRequested();
        socket->write(QByteArray::number(qint64(::getpid())) + '\n');
        // Closes once the answer is out.
        socket->disconnectFromServer();
    }
}

void SingleWindowGuard::askRunningWindow(const QString &socketPath)
{
    // The running window may have taken the lock a moment ago and not be listening yet.
    const QDeadlineTimer deadline(kReachWindowMs);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(int(deadline.remainingTime())))
            break;
        if (deadline.hasExpired()) {
            qWarning().noquote() << "VELTRANIX 窗口已在运行但无法联系，本次启动退出";
            return;
        }
        QThread::msleep(50);
    }
    QByteArray pid;
    while (!pid.contains('\n') && socket.waitForReadyRead(int(deadline.remainingTime())))
        pid += socket.readAll();
    qDebug().noquote() << QStringLiteral("VELTRANIX 窗口已在运行 (pid %1)，已请求其显示到前台，本次启动退出")
                              .arg(QString::fromLatin1(pid.trimmed()));
}
