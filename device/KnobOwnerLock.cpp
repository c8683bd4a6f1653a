#include "device/KnobOwnerLock.h"

#include "device/packetutil.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <hidapi.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString lockFilePath(const QString &knob)
{
    const QByteArray digest = QCryptographicHash::hash(knob.toUtf8(), QCryptographicHash::Sha1).toHex();
    return KnobOwnerLock::runtimeDirectory() + QStringLiteral("/veltranix-knob-") +
           QString::fromLatin1(digest.left(16)) + QStringLiteral(".lock");
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
    // Once per process: Qt warns each time it has to fall back.
    static const QString directory = [] {
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        return runtime.isEmpty() ? QDir::tempPath() : runtime;
    }();
    return directory;
}

std::unique_ptr<KnobOwnerLock> KnobOwnerLock::tryTake(const QString &knob, KnobHolder *holder)
{
    const QByteArray path = QFile::encodeName(lockFilePath(knob));
    // Close-on-exec: a helper process started later must not keep the knob locked.
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::unique_ptr<KnobOwnerLock>(new KnobOwnerLock(-1, knob));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error != EWOULDBLOCK) {
            ::close(fd);
            return std::unique_ptr<KnobOwnerLock>(new KnobOwnerLock(-1, knob));
        }
        if (holder)
            *holder = readHolder(fd);
        ::close(fd);
        return nullptr;
    }
    const QByteArray text = QStringLiteral("%1 %2\n%3\n")
                                .arg(QString::fromLocal8Bit(program_invocation_short_name))
                                .arg(qint64(::getpid()))
                                .arg(knob)
                                .toUtf8();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, text.constData(), size_t(text.size()), 0) != text.size()) {
        // The lock holds all the same; a contender then just cannot name us.
    }
    return std::unique_ptr<KnobOwnerLock>(new KnobOwnerLock(fd, knob));
}

QString KnobOwnerLock::knobIdentity(const hid_device_info &info)
{
    if (info.serial_number && info.serial_number[0] != L'\0')
        return QStringLiteral("%1:%2 serial %3")
            .arg(hex4(info.vendor_id), hex4(info.product_id), QString::fromWCharArray(info.serial_number));
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
