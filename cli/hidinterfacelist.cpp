#include "cli/hidinterfacelist.h"

#include "device/hidscan.h"
#include "device/packetutil.h"

#include <hidapi.h>

QString busTypeName(int busType)
{
    switch (busType) {
    case 1:
        return QStringLiteral("usb");
    case 2:
        return QStringLiteral("bluetooth");
    case 3:
        return QStringLiteral("i2c");
    case 4:
        return QStringLiteral("spi");
    default:
        return QStringLiteral("unknown");
    }
}

bool listKnobInterfaces(QList<KnobInterfaceInfo> *interfaces, QString *error)
{
    interfaces->clear();
    if (hid_init() != 0) {
        *error = QStringLiteral("hidapi could not be initialised");
        return false;
    }
    for (bool defaultIds : {true, false}) {
        const unsigned short vid = targetVendorId(defaultIds);
        const unsigned short pid = targetProductId(defaultIds);
        hid_device_info *all = hid_enumerate(vid, pid);
        for (const hid_device_info *d = all; d; d = d->next) {
            KnobInterfaceInfo info;
            info.path = d->path ? QString::fromLocal8Bit(d->path) : QString();
            info.serial = d->serial_number ? QString::fromWCharArray(d->serial_number) : QString();
            info.vendorId = d->vendor_id;
            info.productId = d->product_id;
            info.interfaceNumber = d->interface_number;
            info.busType = int(d->bus_type);
            interfaces->append(info);
        }
        hid_free_enumeration(all);
    }
    for (bool defaultIds : {true, false}) {
        const HidScanResult found =
            scanHidInterfaces(targetVendorId(defaultIds), targetProductId(defaultIds), false);
        for (KnobInterfaceInfo &info : *interfaces) {
            info.refused = info.refused || found.deniedPaths.contains(info.path);
            if (found.busyPaths.contains(info.path))
                info.heldBy = found.busyHolder.describe();
        }
        if (!found.handle)
            continue;
        hid_close(found.handle);
        for (KnobInterfaceInfo &info : *interfaces) {
            if (info.path == found.path) {
                info.selected = true;
                break;
            }
        }
        break;
    }
    return true;
}
