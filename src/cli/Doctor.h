#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <memory>

class FocusWatcher;

// One line of the doctor's report.
struct DoctorCheck
{
    enum Status
    {
        Ok,
        Warn,
        Fail
    };
    QString group;
    QString check;
    Status status = Ok;
    QString detail;
    QString fix; // empty when ok
};

// Where the doctor reads the machine; the defaults are the real places, a test
// points them at a temporary tree.
struct DoctorEnvironment
{
    QStringList rulesDirs{QStringLiteral("/usr/lib/udev/rules.d"), QStringLiteral("/etc/udev/rules.d")};
    QString udevRunDir = QStringLiteral("/run/udev");
    QString devDir = QStringLiteral("/dev");
    QString hidrawClassDir = QStringLiteral("/sys/class/hidraw");
    QString procDir = QStringLiteral("/proc");
    QString helperDir;  // where ble_helper is looked for; empty: beside the program
    QString busAddress; // empty: the system bus
    // "Active=yes\nRemote=no" for this user's login session; empty when unknown.
    std::function<QString()> sessionState;
    // Whether this user may open a node for reading and writing, as the
    // program does: 0 or the errno.
    std::function<int(const QString &node)> accessForUse;
    // Who holds the owner lock, by its file or on one of these nodes
    // ("veltranix (pid 1234)"); empty when nobody does.
    std::function<QString(const QStringList &nodes)> lockHolder;
    // Where the owner lock files go; empty when there is no private directory.
    std::function<QString()> lockDirectory;
    // The watcher of the application in front for this desktop; none: not asked.
    std::function<std::unique_ptr<FocusWatcher>()> focusWatcher;

    static DoctorEnvironment system();
};

// Every check between this machine and the knob. It opens no knob: nodes get
// an access check; only a probe (run(true)) makes the program's own
// interface scan and configuration read.
class Doctor
{
public:
    explicit Doctor(DoctorEnvironment environment);
    Q_DISABLE_COPY_MOVE(Doctor)

    // The checks in report order, the verdict last.
    QList<DoctorCheck> run(bool probe);
    // 0: the program would connect; 2: no knob; 5: something stands in the way.
    int exitCode() const { return m_exitCode; }

private:
    struct Node;
    struct Interface;
    struct Bluetooth;

    void addProgram();
    void addAccess(const QList<Node> &nodes);
    void addKnob(const QList<Interface> &interfaces, bool probe, bool bluetoothKnob);
    Bluetooth addBluetooth(bool usbRoute);
    void addRoute(const QList<Node> &nodes, const QList<Interface> &interfaces, const Bluetooth &bt);
    void addOtherPrograms(const QList<Node> &nodes);
    void addDesktop();
    void addVerdict(bool knobPresent);
    void add(const QString &group, const QString &check, DoctorCheck::Status status, const QString &detail,
             const QString &fix = QString());

    QList<Node> hidrawNodes() const;
    bool helperRuns(QString *detail) const;

    DoctorEnvironment m_env;
    QList<DoctorCheck> m_checks;
    bool m_helperRuns = false;
    QString m_helperDetail;
    int m_exitCode = 0;
};

// The report as text, one line per check under its group's name.
QString doctorText(const QList<DoctorCheck> &checks);
// The report as a JSON array of {group, check, status, detail, fix}.
QByteArray doctorJson(const QList<DoctorCheck> &checks);
