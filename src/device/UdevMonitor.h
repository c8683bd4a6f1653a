#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;
class QTimer;
struct udev;
struct udev_monitor;

// Whether a udev event is the knob's hidraw node coming or going: action
// "add" or "remove", subsystem "hidraw", and a hid id of one of the two id
// pairs the program searches for. hidId is either the parent hid device's
// HID_ID property ("0003:000005AC:0000022C") or a hid device name as it
// appears in a sysfs path ("0005:05AC:022C.0003"); the bus plays no part.
bool udevEventConcernsKnob(const QString &action, const QString &subsystem, const QString &hidId);

// The hid device name ("0003:05AC:022C.0001") in a sysfs device path, or an
// empty string. The path still names it on a remove, when the parent device
// can no longer be looked up.
QString hidIdFromDevPath(const QString &devPath);

// Listens to udev for the knob's hidraw nodes and reports, after a short
// settling pause that lets all interfaces of one plug-in arrive, that a scan
// is due. Without a running udev (a container, a minimal system) start()
// returns false and the caller relies on its periodic scan alone.
class UdevMonitor : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UdevMonitor)

public:
    explicit UdevMonitor(QObject *parent = nullptr);
    ~UdevMonitor() override;

    bool start();
    bool isAvailable() const { return m_notifier != nullptr; }

    // One event as udev reports it; the real monitor feeds every event
    // through here.
    void handleEvent(const QString &action, const QString &subsystem, const QString &hidId);

    // Pause between the last matching event and knobDeviceChanged().
    void setSettleInterval(int ms);

Q_SIGNALS:
    void knobDeviceChanged();

private:
    void readEvents();
    void stop();

    udev *m_udev = nullptr;
    udev_monitor *m_monitor = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_settle = nullptr;
};
