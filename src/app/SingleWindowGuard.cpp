#include "app/SingleWindowGuard.h"

#include "device/KnobOwnerLock.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int kReachWindowMs = 3000;

// Empty when no private directory could be had: never a lock or socket in
// a folder another user could have planted them in.
QString guardPath(const char *suffix)
{
    const QString directory = KnobOwnerLock::runtimeDirectory();
    return directory.isEmpty() ? QString()
                               : directory + QStringLiteral("/veltranix-window.") + QLatin1String(suffix);
}

// A plain Unix socket: the window needs nothing more of a network library,
// and linking one costs every start its loading.
bool socketAddress(const QString &path, sockaddr_un *address)
{
    const QByteArray name = QFile::encodeName(path);
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof address->sun_path)
        return false;
    std::memcpy(address->sun_path, name.constData(), size_t(name.size()));
    return true;
}

} // namespace

SingleWindowGuard::SingleWindowGuard(QObject *parent) : QObject(parent) {}

SingleWindowGuard::~SingleWindowGuard()
{
    release();
}

void SingleWindowGuard::release()
{
    if (m_serverFd >= 0) {
        delete m_notifier;
        m_notifier = nullptr;
        ::close(m_serverFd);
        m_serverFd = -1;
        ::unlink(QFile::encodeName(guardPath("socket")).constData());
    }
    if (m_lockFd >= 0)
        ::close(m_lockFd);
    m_lockFd = -1;
}

// False only when another process holds the lock.
bool SingleWindowGuard::takeLock()
{
    m_lockFd = ::open(QFile::encodeName(guardPath("lock")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd < 0 || ::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK)
        return true;
    ::close(m_lockFd);
    m_lockFd = -1;
    return false;
}

SingleWindowGuard::Claim SingleWindowGuard::claim()
{
    const QString socketPath = guardPath("socket");
    if (socketPath.isEmpty()) {
        qWarning().noquote() << "没有可用的私有运行目录，不做单窗口检查";
        return Claimed;
    }
    if (!takeLock()) {
        if (askRunningWindow(socketPath))
            return WindowRaised;
        if (!takeLock()) {
            qWarning().noquote() << "VELTRANIX 窗口已在运行但无法联系，本次启动退出";
            return NoAnswer;
        }
    }
    // Without a usable lock this start cannot tell; one window too many beats none.
    sockaddr_un address;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const QByteArray name = QFile::encodeName(socketPath);
    // Left behind by a window that crashed: the lock says nobody listens there.
    ::unlink(name.constData());
    // Only this user may ask the window anything.
    const mode_t oldMask = ::umask(0077);
    const bool listening = fd >= 0 && socketAddress(socketPath, &address) &&
                           ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 &&
                           ::listen(fd, 8) == 0;
    const int error = errno;
    ::umask(oldMask);
    if (!listening) {
        qWarning().noquote() << QStringLiteral("单窗口监听失败 (%1): %2")
                                    .arg(socketPath, QString::fromLocal8Bit(std::strerror(error)));
        if (fd >= 0)
            ::close(fd);
        return Claimed;
    }
    m_serverFd = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SingleWindowGuard::answerLaterStarts);
    return Claimed;
}

void SingleWindowGuard::answerLaterStarts()
{
    for (;;) {
        const int client = ::accept4(m_serverFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0)
            return;
        qDebug().noquote() << "再次启动请求显示窗口，已将窗口置于前台";
        emit raiseRequested();
        // A few bytes into a fresh socket's empty buffer: this does not block.
        const QByteArray answer = QByteArray::number(qint64(::getpid())) + '\n';
        if (::send(client, answer.constData(), size_t(answer.size()), MSG_NOSIGNAL) < 0)
            qDebug().noquote() << "再次启动的进程未收到回答:" << std::strerror(errno);
        ::close(client);
    }
}

// True when the window answered with its pid: a connection alone only
// reached the listen queue of a window that may be hung.
bool SingleWindowGuard::askRunningWindow(const QString &socketPath)
{
    sockaddr_un address;
    if (!socketAddress(socketPath, &address))
        return false;
    // The running window may have taken the lock a moment ago and not be listening yet.
    const QDeadlineTimer deadline(kReachWindowMs);
    int fd = -1;
    for (;;) {
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
            break;
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    QByteArray pid;
    char buffer[64];
    pollfd waiting{fd, POLLIN, 0};
    while (!pid.contains('\n') && ::poll(&waiting, 1, int(deadline.remainingTime())) > 0) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        pid.append(buffer, n);
    }
    ::close(fd);
    if (!pid.contains('\n'))
        return false;
    qDebug().noquote() << QStringLiteral("VELTRANIX 窗口已在运行 (pid %1)，已请求其显示到前台，本次启动退出")
                              .arg(QString::fromLatin1(pid.trimmed()));
    return true;
}
