#include "device/hidscan.h"

#include "device/packetutil.h"

#include <QDebug>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <map>
#include <vector>

namespace {

// Vendor-defined usage pages start here.
constexpr unsigned short kVendorUsagePage = 0xFF00;

void log(bool enabled, const QString &line)
{
    if (enabled)
        qDebug().noquote() << line;
}

QString wideText(const wchar_t *text, const QString &fallback)
{
    return text ? QString::fromWCharArray(text) : fallback;
}

} // namespace

bool isPermissionFailure(int savedErrno, const QString &errorText)
{
    if (savedErrno == EACCES || savedErrno == EPERM)
        return true;
    return errorText.contains(QLatin1String("Permission denied")) ||
           errorText.contains(QLatin1String("Operation not permitted"));
}

PendingHidHandle::~PendingHidHandle()
{
    if (m_handle)
        hid_close(m_handle);
}

HidScanResult scanHidInterfaces(unsigned short vendorId, unsigned short productId, bool logged,
                                const QString &only, const std::shared_ptr<KnobOwnerLock> &own)
{
    HidScanResult result;
    hid_device_info *list = hid_enumerate(vendorId, productId);
    if (!list)
        return result;

    // A paired Bluetooth knob gets hidraw nodes on the Bluetooth bus; the
    // vendor page among them carries the same reports as over USB. A cable
    // is tried first.
    struct Candidate
    {
        hid_device_info *info;
        int number;
    };
    std::vector<Candidate> order;
    std::vector<Candidate> bluetooth;
    int position = 0;
    // Locks taken in this scan, by knob; all but the found knob's go at the end.
    std::map<QString, std::shared_ptr<KnobOwnerLock>> locks;
    QSet<QString> heldElsewhere;
    QString foundKnob;
    // Every node of a knob is locked, whichever one another program went through.
    std::map<QString, QStringList> nodes;
    for (hid_device_info *info = list; info; info = info->next) {
        ++position;
        if (!info->path)
            continue;
        nodes[KnobOwnerLock::knobIdentity(*info)] << QString::fromLocal8Bit(info->path);
        if (info->bus_type == HID_API_BUS_USB) {
            order.push_back({info, position});
        } else if (info->bus_type == HID_API_BUS_BLUETOOTH && info->usage_page >= kVendorUsagePage) {
            bluetooth.push_back({info, position});
        } else {
            log(logged, QStringLiteral("[autoConnect] 接口#%1: 非 USB 总线(bus=%2)，跳过")
                            .arg(position)
                            .arg(static_cast<int>(info->bus_type)));
        }
    }
    order.insert(order.end(), bluetooth.begin(), bluetooth.end());

    const HidPacket probe = probeReport();
    for (const Candidate &candidate : order) {
        hid_device_info *info = candidate.info;
        const int number = candidate.number;
        const QString path = QString::fromLocal8Bit(info->path);
        const QString knob = KnobOwnerLock::knobIdentity(*info);
        if (!only.isEmpty() && path != only && knob != only)
            continue;
        // One pass, so a '%' in the path is never taken for a placeholder.
        log(logged, QStringLiteral("[autoConnect] 接口#%1: path=%2 usagePage=0x%3 usage=0x%4 interface=%5")
                        .arg(QString::number(number), path, hex4(info->usage_page), hex4(info->usage),
                             QString::number(info->interface_number)));

        if (!heldElsewhere.contains(knob) && !locks.count(knob)) {
            KnobHolder holder;
            std::shared_ptr<KnobOwnerLock> lock;
            if (own && own->knob() == knob) {
                // Held for the Bluetooth helper link: the cable takes the knob over under it.
                if (own->addNodes(nodes[knob], &holder))
                    lock = own;
            } else {
                lock = KnobOwnerLock::tryTake(knob, nodes[knob], &holder);
            }
            if (lock) {
                locks[knob] = std::move(lock);
            } else {
                heldElsewhere.insert(knob);
                result.busyHolder = holder;
            }
        }
        if (heldElsewhere.contains(knob)) {
            result.busyPaths << path;
            log(logged, QStringLiteral("[autoConnect] 接口#%1: 设备正被 %2 使用，跳过")
                            .arg(number)
                            .arg(result.busyHolder.describe()));
            continue;
        }

        errno = 0;
        hid_device *handle = hid_open_path(info->path);
        if (!handle) {
            const int openErrno = errno;
            // hid_error(NULL) is shared process-wide state: copy it before anything else.
            const QString error = wideText(hid_error(nullptr), QStringLiteral("未知原因"));
            if (error.contains(QLatin1String("exclusive")))
                result.exclusive = true;
            if (isPermissionFailure(openErrno, error)) {
                if (result.deniedPath.isEmpty())
                    result.deniedPath = path;
                result.deniedPaths << path;
            }
            log(logged,
                QStringLiteral("[autoConnect] 接口#%1: hid_open_path 失败, 错误: %2").arg(number).arg(error));
            continue;
        }

        const int written = hid_write(handle, probe.data(), probe.size());
        if (written >= 0) {
            log(logged,
                QStringLiteral("[autoConnect] 接口#%1: hid_write 成功 (%2 字节)").arg(number).arg(written));
            result.handle = handle;
            result.path = path;
            result.usagePage = info->usage_page;
            result.usage = info->usage;
            result.interfaceNumber = info->interface_number;
            foundKnob = knob;
            result.knob = knob;
            if (info->serial_number)
                result.serial = QString::fromWCharArray(info->serial_number);
            result.bluetooth = info->bus_type == HID_API_BUS_BLUETOOTH;
            break;
        }
        result.writeRefused = true;
        const QString error = wideText(hid_error(handle), QStringLiteral("未知错误"));
        log(logged, QStringLiteral("[autoConnect] 接口#%1: hid_write 失败 (%2), 错误: %3")
                        .arg(number)
                        .arg(written)
                        .arg(error));
        hid_close(handle);
    }
    hid_free_enumeration(list);
    // A usable interface makes a refused sibling irrelevant.
    if (result.handle) {
        result.deniedPath.clear();
        result.writeRefused = false;
        result.ownerLock = locks[foundKnob];
    }
    result.permissionDenied = !result.deniedPath.isEmpty();
    log(logged, QStringLiteral("[autoConnect] %1")
                    .arg(result.handle ? QStringLiteral("已找到可写接口")
                                       : QStringLiteral("未找到可写接口（本轮跳过）")));

    if (result.handle) {
        wchar_t buffer[256];
        if (hid_get_manufacturer_string(result.handle, buffer, 256) == 0) {
            buffer[255] = L'\0';
            result.manufacturer = QString::fromWCharArray(buffer);
        }
        if (hid_get_product_string(result.handle, buffer, 256) == 0) {
            buffer[255] = L'\0';
            result.product = QString::fromWCharArray(buffer);
        }
    }
    return result;
}

QString KnobCandidate::describe() const
{
    const QString where = path.isEmpty() ? paths.value(0) : path;
    return serial.isEmpty() ? where : QStringLiteral("%1 (serial %2)").arg(where, serial);
}

QList<KnobCandidate> surveyKnobs(unsigned short vendorId, unsigned short productId, bool probe)
{
    QList<KnobCandidate> knobs;
    hid_device_info *list = hid_enumerate(vendorId, productId);
    for (const hid_device_info *info = list; info; info = info->next) {
        if (!info->path)
            continue;
        const QString knob = KnobOwnerLock::knobIdentity(*info);
        auto it =
            std::find_if(knobs.begin(), knobs.end(), [&](const KnobCandidate &k) { return k.knob == knob; });
        if (it == knobs.end()) {
            KnobCandidate candidate;
            candidate.knob = knob;
            if (info->serial_number)
                candidate.serial = QString::fromWCharArray(info->serial_number);
            it = knobs.insert(knobs.end(), candidate);
        }
        it->paths << QString::fromLocal8Bit(info->path);
    }
    hid_free_enumeration(list);
    if (!probe)
        return knobs;
    for (KnobCandidate &k : knobs) {
        const HidScanResult scan = scanHidInterfaces(vendorId, productId, false, k.knob);
        k.busy = !scan.busyPaths.isEmpty();
        k.busyHolder = scan.busyHolder;
        k.deniedPaths = scan.deniedPaths;
        if (scan.handle) {
            k.path = scan.path;
            hid_close(scan.handle);
        }
    }
    return knobs;
}
