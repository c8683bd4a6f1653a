#pragma once

#include "device/KnobOwnerLock.h"

#include <QString>
#include <QStringList>

#include <hidapi.h>

#include <memory>

// What one interface scan found, handed from the worker to the UI thread.
struct HidScanResult
{
    hid_device *handle = nullptr;
    QString path;
    unsigned short usagePage = 0;
    unsigned short usage = 0;
    int interfaceNumber = -1;
    bool bluetooth = false; // a node on the Bluetooth bus (the kernel's HID-over-GATT)
    QString manufacturer;
    QString product;
    QString serialNumber;   // empty when the knob reports none
    bool exclusive = false; // an open failed because another program holds the device
    // No interface could be used and at least one refused to open for lack of
    // permission: the knob is there but this user may not reach it (no udev
    // rule). deniedPath is the first node that refused.
    bool permissionDenied = false;
    QString deniedPath;
    QStringList deniedPaths; // every node that refused for lack of permission
    // The knob's lock was held by another program, which is named here; none
    // of its interfaces was opened.
    KnobHolder busyHolder;
    QStringList busyPaths;
    // No interface could be used and at least one opened but refused the probe.
    bool writeRefused = false;
    // The found knob's lock: the link keeps it for as long as the handle is open.
    std::shared_ptr<KnobOwnerLock> ownerLock;
};

// Whether a failed hid_open_path was refused for lack of permission, from the
// errno saved right after the call and the library's error text (errno may
// have been overwritten by the time the text was built, and the text is
// translated under some locales, so either one is enough).
bool isPermissionFailure(int savedErrno, const QString &errorText);

// Enumerates the interfaces with the given ids and opens them until one
// accepts the probe report: USB nodes in order, then the vendor-page nodes on
// the Bluetooth bus. That handle is returned open, every other one is closed.
// A knob is opened only under its owner lock; one held by another program is
// passed over. With logged set every step is written to the log. With
// onlyPath set, every other interface is passed over.
HidScanResult scanHidInterfaces(unsigned short vendorId, unsigned short productId, bool logged,
                                const QString &onlyPath = QString());

// Owns a found handle until the UI thread takes it; closes it otherwise (a
// result dropped because the window went away).
class PendingHidHandle
{
public:
    explicit PendingHidHandle(hid_device *handle) : m_handle(handle) {}
    ~PendingHidHandle();
    PendingHidHandle(const PendingHidHandle &) = delete;
    PendingHidHandle &operator=(const PendingHidHandle &) = delete;

    hid_device *take()
    {
        hid_device *h = m_handle;
        m_handle = nullptr;
        return h;
    }

private:
    hid_device *m_handle = nullptr;
};
