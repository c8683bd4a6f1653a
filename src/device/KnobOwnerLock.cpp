#include "device/KnobOwnerLock.h"

#include "device/packetutil.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <hidapi.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

QString lockFilePath(const QString &directory, const QString &knob)
{
    const QByteArray digest = QCryptographicHash::hash(knob.toUtf8(), QCryptographicHash::Sha1).toHex();
    return directory + QStringLiteral("/veltranix-knob-") + QString::fromLatin1(digest.left(16)) +
           QStringLiteral(".lock");
}

KnobHolder readHolder(int fd)
{
    char buffer[256];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
    KnobHolder holder;
    if (n <= 0)
        return holder;
    const QString first = QString::fromUtf8(buffer, int(n)).section(QLatin1Char('\n'), 0, 0);
    holder.program = first.section(QLatin1Char(' '), 0, -2);
    holder.pid = first.section(QLatin1Char(' '), -1).toLongLong();
    return holder;
}

// A directory only this user can change: a real directory (lstat, so a
// symlink planted there is refused), owned by us, writable by nobody else.
bool isPrivateDirectory(const QByteArray &path, mode_t forbidden)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & forbidden) == 0;
}

// flock on a separate open of the node: the node's inode is one for every
// user, whatever runtime directory each has. Returns the descriptor, -1 when
// the node cannot be opened (nothing to lock), -2 when another holds it.
int lockNode(const QString &node)
{
    const int fd = ::open(QFile::encodeName(node).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return fd;
    const int error = errno;
    ::close(fd);
    return error == EWOULDBLOCK ? -2 : -1;
}

QString normalisedAddress(const QString &text)
{
    static const QRegularExpression address(
        QStringLiteral("^([0-9A-Fa-f]{2})[:-]?([0-9A-Fa-f]{2})[:-]?([0-9A-Fa-f]{2})[:-]?([0-9A-Fa-f]{2})[:-]?"
                       "([0-9A-Fa-f]{2})[:-]?([0-9A-Fa-f]{2})$"));
    const QRegularExpressionMatch m = address.match(text.trimmed());
    if (!m.hasMatch())
        return QString();
    QStringList parts;
    for (int i = 1; i <= 6; ++i)
        parts << m.captured(i).toUpper();
    return parts.join(QLatin1Char(':'));
}

} // namespace

QString KnobHolder::describe() const
{
    if (program.isEmpty())
        return QStringLiteral("another program");
    return pid > 0 ? QStringLiteral("%1 (pid %2)").arg(program).arg(pid) : program;
}

KnobOwnerLock::KnobOwnerLock(int fd, const QString &knob) : m_fd(fd), m_knob(knob) {}

KnobOwnerLock::~KnobOwnerLock()
{
    for (int fd : m_nodeFds)
        ::close(fd);
    if (m_fd < 0)
        return;
    // The file stays (removing a locked file races with the next taker); only
    // its text goes, so nobody is named who no longer holds it.
    if (::ftruncate(m_fd, 0) != 0) {
        // Harmless: the lock itself goes with the descriptor.
    }
    ::close(m_fd);
}

QString KnobOwnerLock::runtimeDirectory()
{
    static const QString directory = [] {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        if (!runtime.isEmpty()) {
            if (::mkdir(runtime.constData(), 0700) != 0 && errno != EEXIST) {
                // Checked below like any other.
            }
            if (isPrivateDirectory(runtime, S_IWGRP | S_IWOTH))
                return QFile::decodeName(runtime);
        }
        // Never the shared folder itself: another user could plant the
        // window's lock and socket there first.
        return privateDirectory(QDir::tempPath() + QStringLiteral("/veltranix-%1").arg(::geteuid()));
    }();
    return directory;
}

QString KnobOwnerLock::privateDirectory(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        // Checked below: an unusable directory gives no lock file.
    }
    return isPrivateDirectory(name, S_IRWXG | S_IRWXO) ? path : QString();
}

KnobHolder KnobOwnerLock::flockHolder(const QString &path, const QString &procDir)
{
    KnobHolder holder;
    struct stat st;
    QFile locks(procDir + QStringLiteral("/locks"));
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !locks.open(QIODevice::ReadOnly))
        return holder;
    const QString id = QStringLiteral("%1:%2:%3")
                           .arg(major(st.st_dev), 2, 16, QLatin1Char('0'))
                           .arg(minor(st.st_dev), 2, 16, QLatin1Char('0'))
                           .arg(quint64(st.st_ino));
    // "1: FLOCK  ADVISORY  WRITE 1234 00:05:678 0 EOF"; waiters are marked "->".
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QStringList f = QString::fromLatin1(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (f.size() < 6 || f.at(1) != QLatin1String("FLOCK") || f.at(5) != id)
            continue;
        holder.pid = f.at(4).toLongLong();
        QFile comm(procDir + QStringLiteral("/%1/comm").arg(holder.pid));
        if (comm.open(QIODevice::ReadOnly))
            holder.program = QString::fromLocal8Bit(comm.readAll()).trimmed();
        break;
    }
    return holder;
}

std::unique_ptr<KnobOwnerLock> KnobOwnerLock::tryTake(const QString &knob, const QStringList &nodes,
                                                      KnobHolder *holder)
{
    int fd = -1;
    const QString directory = runtimeDirectory();
    if (!directory.isEmpty()) {
        const QByteArray path = QFile::encodeName(lockFilePath(directory, knob));
        // Close-on-exec: a helper process started later must not keep the knob locked.
        fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    }
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            if (holder)
                *holder = readHolder(fd);
            ::close(fd);
            return nullptr;
        }
        ::close(fd);
        fd = -1;
    }
    std::unique_ptr<KnobOwnerLock> lock(new KnobOwnerLock(fd, knob));
    if (!lock->addNodes(nodes, holder))
        return nullptr;
    if (fd >= 0) {
        const QByteArray text = QStringLiteral("%1 %2\n%3\n")
                                    .arg(QString::fromLocal8Bit(program_invocation_short_name))
                                    .arg(qint64(::getpid()))
                                    .arg(knob)
                                    .toUtf8();
        if (::ftruncate(fd, 0) != 0 ||
            ::pwrite(fd, text.constData(), size_t(text.size()), 0) != text.size()) {
            // The lock holds all the same; a contender then just cannot name us.
        }
    }
    if (lock->guardsNothing())
        qWarning().noquote() << QStringLiteral(
                                    "[lock] 无法为设备 %1 加锁(运行目录 \"%2\" 与设备节点均不可用)，"
                                    "其他程序可能同时打开它")
                                    .arg(knob, directory);
    return lock;
}

bool KnobOwnerLock::addNodes(const QStringList &nodes, KnobHolder *holder)
{
    for (const QString &node : nodes) {
        const int fd = lockNode(node);
        if (fd == -2) {
            if (holder)
                *holder = flockHolder(node);
            return false;
        }
        if (fd >= 0)
            m_nodeFds.push_back(fd);
    }
    return true;
}

QString KnobOwnerLock::addressIdentity(const QString &address)
{
    const QString normalised = normalisedAddress(address);
    return QStringLiteral("address %1").arg(normalised.isEmpty() ? address.toUpper() : normalised);
}

QString KnobOwnerLock::knobIdentity(const hid_device_info &info)
{
    if (info.serial_number && info.serial_number[0] != L'\0') {
        const QString serial = QString::fromWCharArray(info.serial_number);
        // A Bluetooth node reports the knob's address; a cable that reports
        // the same address is the same knob.
        if (!normalisedAddress(serial).isEmpty())
            return addressIdentity(serial);
        return QStringLiteral("%1:%2 serial %3").arg(hex4(info.vendor_id), hex4(info.product_id), serial);
    }
    const QString path = info.path ? QString::fromLocal8Bit(info.path) : QString();
    const QLatin1String hidraw("/dev/hidraw");
    if (info.bus_type == HID_API_BUS_USB && path.startsWith(hidraw)) {
        // hidrawN -> its HID device -> the USB interface -> the USB device all
        // the knob's interfaces share.
        const QByteArray link =
            QFile::encodeName(QStringLiteral("/sys/class/hidraw/%1/device/../..").arg(path.mid(5)));
        char resolved[PATH_MAX];
        if (::realpath(link.constData(), resolved))
            return QStringLiteral("%1:%2 usb %3")
                .arg(hex4(info.vendor_id), hex4(info.product_id), QFile::decodeName(resolved));
    }
    return path;
}
