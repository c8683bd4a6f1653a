#pragma once

#include "device/KnobOwnerLock.h"

#include <QList>
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
    QString serial;         // as the found interface reports it; empty when none
    QString knob;           // KnobOwnerLock::knobIdentity of the found interface
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
// passed over. With logged set every step is written to the log. With only
// set (an interface path or a knob identity), every other interface is passed
// over. own is a lock this program already holds (its Bluetooth helper link):
// the knob it names may be opened under it.
HidScanResult scanHidInterfaces(unsigned short vendorId, unsigned short productId, bool logged,
                                const QString &only = QString(),
                                const std::shared_ptr<KnobOwnerLock> &own = nullptr);

// One knob as a survey found it: every interface of one identity.
struct KnobCandidate
{
    QString knob;            // KnobOwnerLock::knobIdentity
    QString serial;          // empty when it reports none
    QStringList paths;       // every interface, in enumeration order
    QString path;            // the interface that accepted the probe; empty when none did
    QStringList deniedPaths; // interfaces the system refused to open
    KnobHolder busyHolder;
    bool busy = false; // another program holds it

    // "/dev/hidraw3 (serial 0001)": what a user passes to --device and reads in a message.
    QString describe() const;
};

// Every knob with the given ids, each scanned on its own as
// scanHidInterfaces(only = its identity) would, its handle closed again: one
// entry per knob however many interfaces and routes it has, in scan order.
// Without probe only the enumeration is made: nothing is opened or written.
QList<KnobCandidate> surveyKnobs(unsigned short vendorId, unsigned short productId, bool probe = true);

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
