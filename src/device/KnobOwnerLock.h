#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>
#include <vector>

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

// One owner per knob across programs and users. Two advisory locks: one on a
// file named after the knob in the user's runtime directory, holding the name
// and pid of the program that took it, and one on each of the knob's
// /dev/hidraw nodes, which every user, sudo, ssh and cron session shares
// whatever its runtime directory. The kernel drops the locks with the last
// descriptor, so a holder that crashes or is killed leaves nothing that blocks
// the next one. Taken before a knob's interfaces are opened, released when the
// link closes.
class KnobOwnerLock
{
public:
    ~KnobOwnerLock();
    Q_DISABLE_COPY_MOVE(KnobOwnerLock)

    // The lock for `knob` (see knobIdentity) and its nodes, or null when
    // another program holds either; *holder then names that program. When
    // neither the file nor any node can be locked the lock guards nothing
    // (guardsNothing()) and a WARN line says so, rather than a knob nobody
    // may open.
    static std::unique_ptr<KnobOwnerLock> tryTake(const QString &knob, const QStringList &nodes = {},
                                                  KnobHolder *holder = nullptr);

    // What names one knob on every interface and route it exposes: a serial
    // that is a Bluetooth address names it alike over the cable and over
    // Bluetooth; else its serial number; else the USB device its hidraw node
    // hangs off; else the node's path.
    static QString knobIdentity(const hid_device_info &info);
    // The identity of the knob at this Bluetooth address, as knobIdentity
    // gives it for a node that reports the address as its serial.
    static QString addressIdentity(const QString &address);

    // XDG_RUNTIME_DIR when it is the user's own private directory, else a
    // private one made in the temporary directory (0700, ours, no symlink);
    // empty when neither can be had.
    static QString runtimeDirectory();
    // path, made 0700 if missing, when it is a real directory (no symlink)
    // that this user owns and nobody else may enter; else empty.
    static QString privateDirectory(const QString &path);

    // The program holding an flock on this file or node, from /proc/locks; an
    // empty holder when nobody holds one.
    static KnobHolder flockHolder(const QString &path, const QString &procDir = QStringLiteral("/proc"));

    // Adds the locks on these nodes to a lock already held, for a route to
    // the knob found later; false, with *holder set, when another program
    // holds one of them.
    bool addNodes(const QStringList &nodes, KnobHolder *holder = nullptr);

    QString knob() const { return m_knob; }
    bool guardsNothing() const { return m_fd < 0 && m_nodeFds.empty(); }

private:
    KnobOwnerLock(int fd, const QString &knob);

    int m_fd = -1;
    std::vector<int> m_nodeFds;
    QString m_knob;
};
