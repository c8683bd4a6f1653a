#include "device/UdevMonitor.h"

#include "device/packetutil.h"

#include <QDebug>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>

#ifdef VX_HAVE_LIBUDEV
#include <libudev.h>
#endif

namespace {

// Typically a receiver's three interfaces arrive within a few milliseconds;
// scanning after the first one alone could miss the vendor interface.
constexpr int kDefaultSettleMs = 50;

bool parseHex(const QString &text, unsigned &value)
{
    if (text.isEmpty() || text.size() > 8)
        return false;
    bool ok = false;
    value = text.toUInt(&ok, 16);
    return ok;
}

bool isKnobPair(unsigned vendor, unsigned product)
{
    for (bool defaults : {true, false}) {
        if (vendor == targetVendorId(defaults) && product == targetProductId(defaults))
            return true;
    }
    return false;
}

} // namespace

bool udevEventConcernsKnob(const QString &action, const QString &subsystem, const QString &hidId)
{
    if (subsystem != QLatin1String("hidraw"))
        return false;
    if (action != QLatin1String("add") && action != QLatin1String("remove"))
        return false;
    // "BBBB:VVVVVVVV:PPPPPPPP" or "BBBB:VVVV:PPPP.NNNN"
    const QStringList parts = hidId.section(QLatin1Char('.'), 0, 0).split(QLatin1Char(':'));
    if (parts.size() != 3)
        return false;
    unsigned bus = 0;
    unsigned vendor = 0;
    unsigned product = 0;
    if (!parseHex(parts[0], bus) || !parseHex(parts[1], vendor) || !parseHex(parts[2], product))
        return false;
    return isKnobPair(vendor, product);
}

QString hidIdFromDevPath(const QString &devPath)
{
    // As the kernel names hid devices: "%04X:%04X:%04X.%04X".
    static const QRegularExpression name(
        QStringLiteral("^[0-9A-Fa-f]{4}:[0-9A-Fa-f]{4}:[0-9A-Fa-f]{4}\\.[0-9A-Fa-f]{4,}$"));
    const QStringList components = devPath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    // The innermost hid device wins: a hidraw node sits right below it.
    for (auto it = components.crbegin(); it != components.crend(); ++it) {
        if (name.match(*it).hasMatch())
            return *it;
    }
    return QString();
}

UdevMonitor::UdevMonitor(QObject *parent) : QObject(parent), m_settle(new QTimer(this))
{
    m_settle->setSingleShot(true);
    m_settle->setInterval(kDefaultSettleMs);
    connect(m_settle, &QTimer::timeout, this, &UdevMonitor::knobDeviceChanged);
}

UdevMonitor::~UdevMonitor()
{
    stop();
}

void UdevMonitor::setSettleInterval(int ms)
{
    m_settle->setInterval(ms);
}

void UdevMonitor::handleEvent(const QString &action, const QString &subsystem, const QString &hidId)
{
    if (udevEventConcernsKnob(action, subsystem, hidId))
        m_settle->start(); // restarts: one signal per burst
}

#ifdef VX_HAVE_LIBUDEV

bool UdevMonitor::start()
{
    if (m_notifier)
        return true;
    // Without udevd no event ever comes (libudev then hands out a monitor that
    // stays silent), so do not pretend.
    if (!QFileInfo::exists(QStringLiteral("/run/udev/control"))) {
        qDebug().noquote() << QStringLiteral("[hotplug] udev 未运行，仅使用定时扫描");
        return false;
    }
    m_udev = udev_new();
    if (!m_udev) {
        qDebug().noquote() << QStringLiteral("[hotplug] udev_new 失败，仅使用定时扫描");
        return false;
    }
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (!m_monitor || udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(m_monitor) < 0) {
        qDebug().noquote() << QStringLiteral("[hotplug] udev 监听创建失败，仅使用定时扫描");
        stop();
        return false;
    }
    const int fd = udev_monitor_get_fd(m_monitor);
    if (fd < 0) {
        stop();
        return false;
    }
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UdevMonitor::readEvents);
    qDebug().noquote() << QStringLiteral("[hotplug] 已监听 udev hidraw 事件");
    return true;
}

void UdevMonitor::readEvents()
{
    // The monitor socket is non-blocking: drain whatever is queued.
    while (udev_device *dev = udev_monitor_receive_device(m_monitor)) {
        const char *action = udev_device_get_action(dev);
        const char *subsystem = udev_device_get_subsystem(dev);
        QString hidId = hidIdFromDevPath(QString::fromLocal8Bit(udev_device_get_devpath(dev)));
        if (hidId.isEmpty()) {
            if (udev_device *parent = udev_device_get_parent_with_subsystem_devtype(dev, "hid", nullptr))
                hidId = QString::fromLatin1(udev_device_get_property_value(parent, "HID_ID"));
        }
        handleEvent(QString::fromLatin1(action), QString::fromLatin1(subsystem), hidId);
        udev_device_unref(dev); // the parent belongs to it
    }
}

void UdevMonitor::stop()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    m_monitor = nullptr;
    if (m_udev)
        udev_unref(m_udev);
    m_udev = nullptr;
}

#else

bool UdevMonitor::start()
{
    qDebug().noquote() << QStringLiteral("[hotplug] 未编译 udev 支持，仅使用定时扫描");
    return false;
}

void UdevMonitor::readEvents() {}

void UdevMonitor::stop() {}

#endif
