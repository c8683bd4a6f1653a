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
        const QList<KnobCandidate> knobs =
            surveyKnobs(targetVendorId(defaultIds), targetProductId(defaultIds));
        int answering = 0;
        bool busy = false;
        for (const KnobCandidate &k : knobs) {
            answering += k.path.isEmpty() ? 0 : 1;
            busy = busy || k.busy;
        }
        for (const KnobCandidate &k : knobs) {
            for (KnobInterfaceInfo &info : *interfaces) {
                if (!k.paths.contains(info.path))
                    continue;
                info.refused = info.refused || k.deniedPaths.contains(info.path);
                if (k.busy)
                    info.heldBy = k.busyHolder.describe();
                // Unnamed, the tool takes a knob only when it is the one there is.
                info.selected = !k.path.isEmpty() && info.path == k.path && answering == 1 && !busy;
            }
        }
        if (answering > 0 || busy)
            break;
    }
    return true;
}
