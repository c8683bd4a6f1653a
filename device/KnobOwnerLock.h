#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

struct hid_device_info;

// The program that holds a knob, as it wrote itself into the lock.
struct KnobHolder
{
    QString program; // the executable's name: "veltranix", "veltranix-cli"
    qint64 pid = 0;

    bool isEmpty() const { return program.isEmpty() && pid == 0; }
    bool isWindow() const { return program == QLatin1String("veltranix"); }
    // "veltranix-cli (pid 1234)", or "another program" when it had not yet named itself.
    QString describe() const;
};

// One owner per knob across programs: an advisory lock on a file named after
// the knob in the user's runtime directory, holding the name and pid of the
// program that took it. The kernel drops the lock with the last descriptor, so
// a holder that crashes or is killed leaves nothing that blocks the next one.
// Taken before a knob's interfaces are opened, released when the link closes.
class KnobOwnerLock
{
public:
    ~KnobOwnerLock();
    Q_DISABLE_COPY_MOVE(KnobOwnerLock)

    // The lock for `knob` (see knobIdentity), or null when another program
    // holds it; *holder then names that program. A runtime directory that
    // cannot hold the file gives a lock that guards nothing rather than a knob
    // nobody may open.
    static std::unique_ptr<KnobOwnerLock> tryTake(const QString &knob, KnobHolder *holder = nullptr);

    // What names one knob on every interface it exposes: its serial number
    // when it reports one, else the USB device its hidraw node hangs off, else
    // the node's path.
    static QString knobIdentity(const hid_device_info &info);

    // QStandardPaths::RuntimeLocation (Qt's own fallback when the session sets
    // none), or the temporary directory when even that is unusable.
    static QString runtimeDirectory();

    QString knob() const { return m_knob; }

private:
    KnobOwnerLock(int fd, const QString &knob);

    int m_fd = -1;
    QString m_knob;
};
