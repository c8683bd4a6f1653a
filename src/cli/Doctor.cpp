#include "cli/Doctor.h"

#include "cli/clicommands.h"

#include "ble_helper/bluezmodel.h"
#include "device/HidrawLink.h"
#include "device/KnobOwnerLock.h"
#include "device/blewire.h"
#include "device/configread.h"
#include "device/hidscan.h"
#include "device/packetutil.h"
#include "focus/FocusWatcher.h"
#include "hidvendor/hiddescriptor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTimer>

#include <hidapi.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

constexpr int kFocusAnswerMs = 1500;

const QString kProgram = QStringLiteral("Program");
const QString kAccess = QStringLiteral("Access");
const QString kKnob = QStringLiteral("Knob");
const QString kBluetooth = QStringLiteral("Bluetooth");
const QString kOthers = QStringLiteral("Other programs");
const QString kDesktop = QStringLiteral("Desktop");
const QString kRulesFile = QStringLiteral("70-veltranix.rules");
const QString kRulesFix = QStringLiteral(
    "install the package's udev rules (or copy packaging/linux/70-veltranix.rules to /etc/udev/rules.d and "
    "build/hidvendor to /usr/libexec/veltranix/), "
    "run `udevadm control --reload`, then unplug and replug the knob");
const QString kPlugFix =
    QStringLiteral("plug the knob in by cable or receiver, or pair and connect it over Bluetooth");
constexpr int kHelperTimeoutMs = 5000;
constexpr int kBusTimeoutMs = 5000;
constexpr unsigned short kVendorUsagePage = 0xFF00;
// The kernel keeps no longer report descriptor.
constexpr qint64 kMaxDescriptorBytes = 4096;

QString descriptorText(const HidDescriptorSummary &summary, std::uint16_t grantablePage)
{
    if (!summary.complete)
        return QStringLiteral("malformed report descriptor");
    if (grantablePage != 0)
        return QStringLiteral("vendor usage page 0x%1").arg(hex4(grantablePage));
    QStringList usages;
    for (const HidCollectionUsage &c : summary.topLevel)
        usages << QStringLiteral("0x%1:0x%2").arg(hex4(c.usagePage), hex4(c.usage));
    return QStringLiteral("no vendor interface (usages %1)").arg(usages.join(QStringLiteral(", ")));
}

// The helper a rules file runs from IMPORT{program}="PATH ARGS".
QString importedProgram(const QByteArray &rules)
{
    static const QRegularExpression import(QStringLiteral("^[^#\\n]*IMPORT\\{program\\}=\"([^\" ]+)"),
                                           QRegularExpression::MultilineOption);
    return import.match(QString::fromUtf8(rules)).captured(1);
}

QString idPair(unsigned vendor, unsigned product)
{
    return hex4(vendor) + QLatin1Char(':') + hex4(product);
}

bool isKnobIds(unsigned vendor, unsigned product)
{
    for (bool defaultIds : {true, false}) {
        if (vendor == targetVendorId(defaultIds) && product == targetProductId(defaultIds))
            return true;
    }
    return false;
}

QString userName(uid_t uid)
{
    const passwd *p = getpwuid(uid);
    return p ? QString::fromLocal8Bit(p->pw_name) : QString::number(uid);
}

// The named users of a node's access list ("user:alice:rw-"), from the raw
// xattr: a 4-byte version, then 8-byte entries {tag, perm, id}.
QString aclText(const QString &node)
{
    char raw[512];
    const ssize_t size =
        getxattr(QFile::encodeName(node).constData(), "system.posix_acl_access", raw, sizeof raw);
    if (size < 4)
        return QStringLiteral("no ACL");
    QStringList users;
    for (ssize_t at = 4; at + 8 <= size; at += 8) {
        quint16 tag = 0;
        quint16 perm = 0;
        quint32 id = 0;
        std::memcpy(&tag, raw + at, 2);
        std::memcpy(&perm, raw + at + 2, 2);
        std::memcpy(&id, raw + at + 4, 4);
        if (tag != 0x02) // ACL_USER
            continue;
        users << QStringLiteral("user:%1:%2%3%4")
                     .arg(userName(id), QLatin1String(perm & 4 ? "r" : "-"),
                          QLatin1String(perm & 2 ? "w" : "-"), QLatin1String(perm & 1 ? "x" : "-"));
    }
    return users.isEmpty() ? QStringLiteral("ACL without named users")
                           : QStringLiteral("ACL ") + users.join(QLatin1Char(' '));
}

QString busName(int hidapiBus)
{
    return hidapiBus == HID_API_BUS_USB         ? QStringLiteral("USB")
           : hidapiBus == HID_API_BUS_BLUETOOTH ? QStringLiteral("Bluetooth")
                                                : QStringLiteral("bus %1").arg(hidapiBus);
}

// Who holds an owner lock: the program writes "NAME PID" into
// veltranix-knob-*.lock in the runtime directory and holds a flock on it, and
// on each of the knob's nodes, while it has the knob. /proc/locks tells a held
// lock from a stale file without taking the lock, which could turn the
// program away from its knob.
QString ownerLockHolder(const QString &procDir, const QStringList &nodes)
{
    QFile locks(QDir(procDir).filePath(QStringLiteral("locks")));
    if (!locks.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray table = locks.readAll();
    const QString runtime = KnobOwnerLock::runtimeDirectory();
    const QDir dir(runtime);
    for (const QFileInfo &file :
         runtime.isEmpty() ? QFileInfoList()
                           : dir.entryInfoList({QStringLiteral("veltranix-knob-*.lock")}, QDir::Files)) {
        struct stat st;
        if (::stat(QFile::encodeName(file.filePath()).constData(), &st) != 0)
            continue;
        const QByteArray id = QStringLiteral(" %1:%2:%3 ")
                                  .arg(major(st.st_dev), 2, 16, QLatin1Char('0'))
                                  .arg(minor(st.st_dev), 2, 16, QLatin1Char('0'))
                                  .arg(quint64(st.st_ino))
                                  .toLatin1();
        if (!table.contains(id))
            continue;
        QFile lock(file.filePath());
        const QString first =
            lock.open(QIODevice::ReadOnly) ? QString::fromUtf8(lock.readLine()).trimmed() : QString();
        return first.isEmpty()
                   ? QStringLiteral("another program")
                   : QStringLiteral("%1 (pid %2)")
                         .arg(first.section(QLatin1Char(' '), 0, -2), first.section(QLatin1Char(' '), -1));
    }
    // A holder with another runtime directory (another user, sudo, cron) shows on the nodes.
    for (const QString &node : nodes) {
        const KnobHolder holder = KnobOwnerLock::flockHolder(node, procDir);
        if (!holder.isEmpty())
            return holder.describe();
    }
    return QString();
}

} // namespace

struct Doctor::Node
{
    QString path; // in the /dev folder
    int bus = 0;  // hidapi bus type
    unsigned vendor = 0;
    unsigned product = 0;
    QString hidName;
    QString descriptor; // what its report descriptor says, for the report
    // A USB interface of the id pair a keyboard shares that is no vendor
    // interface: the rules leave it closed on purpose.
    bool closedByRules = false;
};

struct Doctor::Interface
{
    QString path;
    int bus = 0;
    int number = -1;
    unsigned short usagePage = 0;
    unsigned short usage = 0;
    QString manufacturer;
    QString product;
};

struct Doctor::Bluetooth
{
    QList<DoctorCheck> checks;
    bool knobConnected = false;
};

DoctorEnvironment DoctorEnvironment::system()
{
    DoctorEnvironment env;
    env.sessionState = [] {
        const QString id = qEnvironmentVariable("XDG_SESSION_ID");
        if (id.isEmpty())
            return QString();
        QProcess loginctl;
        loginctl.start(QStringLiteral("loginctl"),
                       {QStringLiteral("show-session"), id, QStringLiteral("-p"), QStringLiteral("Active"),
                        QStringLiteral("-p"), QStringLiteral("Remote")});
        if (!loginctl.waitForFinished(kHelperTimeoutMs) || loginctl.exitCode() != 0) {
            loginctl.kill();
            loginctl.waitForFinished();
            return QString();
        }
        return QString::fromLocal8Bit(loginctl.readAllStandardOutput());
    };
    env.accessForUse = [](const QString &node) {
        return ::faccessat(AT_FDCWD, QFile::encodeName(node).constData(), R_OK | W_OK, AT_EACCESS) == 0
                   ? 0
                   : errno;
    };
    env.focusWatcher = [] { return createFocusWatcher(); };
    env.lockHolder = [procDir = env.procDir](const QStringList &nodes) {
        return ownerLockHolder(procDir, nodes);
    };
    env.lockDirectory = [] { return KnobOwnerLock::runtimeDirectory(); };
    return env;
}

Doctor::Doctor(DoctorEnvironment environment) : m_env(std::move(environment)) {}

void Doctor::add(const QString &group, const QString &check, DoctorCheck::Status status,
                 const QString &detail, const QString &fix)
{
    m_checks.append({group, check, status, detail, status == DoctorCheck::Ok ? QString() : fix});
}

QList<DoctorCheck> Doctor::run(bool probe)
{
    m_checks.clear();
    const QList<Node> nodes = hidrawNodes();
    QList<Interface> interfaces;
    for (bool defaultIds : {true, false}) {
        hid_device_info *all = hid_enumerate(targetVendorId(defaultIds), targetProductId(defaultIds));
        for (const hid_device_info *d = all; d; d = d->next) {
            interfaces.append(
                {d->path ? QString::fromLocal8Bit(d->path) : QString(), int(d->bus_type), d->interface_number,
                 d->usage_page, d->usage,
                 d->manufacturer_string ? QString::fromWCharArray(d->manufacturer_string) : QString(),
                 d->product_string ? QString::fromWCharArray(d->product_string) : QString()});
        }
        hid_free_enumeration(all);
    }
    addProgram();
    addAccess(nodes);
    bool usbRoute = false;
    for (const Interface &i : interfaces)
        usbRoute = usbRoute || (i.bus == HID_API_BUS_USB && i.usagePage >= kVendorUsagePage);
    const Bluetooth bt = addBluetooth(usbRoute);
    addKnob(interfaces, probe, bt.knobConnected);
    m_checks += bt.checks;
    addRoute(nodes, interfaces, bt);
    addOtherPrograms(nodes);
    addDesktop();
    addVerdict(!interfaces.isEmpty() || !nodes.isEmpty() || bt.knobConnected);
    return m_checks;
}

bool Doctor::helperRuns(QString *detail) const
{
    const QString dir = m_env.helperDir.isEmpty() ? QCoreApplication::applicationDirPath() : m_env.helperDir;
    const BleHelperCommand command = findBluetoothHelperCommand(dir, {QStringLiteral("--version")});
    if (!command.found) {
        *detail = QStringLiteral("ble_helper not found in %1").arg(QDir::toNativeSeparators(dir));
        return false;
    }
    QProcess helper;
    helper.start(command.program, command.arguments);
    const bool finished = helper.waitForFinished(kHelperTimeoutMs);
    if (!finished) {
        helper.kill();
        helper.waitForFinished();
    }
    // An executable takes the flag first; a script is the first argument of python3.
    const QString where = command.arguments.size() > 1 ? command.arguments.first() : command.program;
    if (!finished || helper.exitStatus() != QProcess::NormalExit || helper.exitCode() != 0) {
        *detail = QStringLiteral("%1 does not run: %2")
                      .arg(where, finished ? QStringLiteral("exit code %1").arg(helper.exitCode())
                                           : helper.errorString());
        return false;
    }
    *detail = QStringLiteral("%1 (%2)").arg(where,
                                            QString::fromLocal8Bit(helper.readAllStandardOutput()).trimmed());
    return true;
}

void Doctor::addProgram()
{
    add(kProgram, QStringLiteral("versions"), DoctorCheck::Ok,
        QStringLiteral("veltranix-cli %1, Qt %2, hidapi %3")
            .arg(QCoreApplication::applicationVersion(), QString::fromLatin1(qVersion()),
                 QStringLiteral(HID_API_VERSION_STR)));
    m_helperRuns = helperRuns(&m_helperDetail);
    add(kProgram, QStringLiteral("helper"), m_helperRuns ? DoctorCheck::Ok : DoctorCheck::Warn,
        m_helperDetail, QStringLiteral("reinstall the package: Bluetooth LE goes through ble_helper"));
}

QList<Doctor::Node> Doctor::hidrawNodes() const
{
    static const QRegularExpression hidId(
        QStringLiteral("^HID_ID=([0-9A-Fa-f]+):([0-9A-Fa-f]+):([0-9A-Fa-f]+)$"),
        QRegularExpression::MultilineOption);
    static const QRegularExpression hidName(QStringLiteral("^HID_NAME=(.*)$"),
                                            QRegularExpression::MultilineOption);
    QList<Node> nodes;
    const QDir classDir(m_env.hidrawClassDir);
    for (const QString &name : classDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        QFile uevent(classDir.filePath(name + QStringLiteral("/device/uevent")));
        if (!uevent.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(uevent.readAll());
        const QRegularExpressionMatch id = hidId.match(text);
        if (!id.hasMatch())
            continue;
        Node node;
        node.path = QDir(m_env.devDir).filePath(name);
        // The kernel's bus numbers: 3 USB, 5 Bluetooth.
        const int kernelBus = id.captured(1).toInt(nullptr, 16);
        node.bus = kernelBus == 3 ? HID_API_BUS_USB : kernelBus == 5 ? HID_API_BUS_BLUETOOTH : 0;
        node.vendor = id.captured(2).toUInt(nullptr, 16);
        node.product = id.captured(3).toUInt(nullptr, 16);
        node.hidName = hidName.match(text).captured(1).trimmed();
        if (!isKnobIds(node.vendor, node.product))
            continue;
        QFile descriptor(classDir.filePath(name + QStringLiteral("/device/report_descriptor")));
        if (descriptor.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = descriptor.read(kMaxDescriptorBytes);
            const HidDescriptorSummary summary =
                parseHidDescriptor(reinterpret_cast<const std::uint8_t *>(bytes.constData()), bytes.size());
            const std::uint16_t page = grantableVendorPage(summary);
            node.descriptor = descriptorText(summary, page);
            node.closedByRules = page == 0 && node.bus == HID_API_BUS_USB &&
                                 node.vendor == targetVendorId(true) && node.product == targetProductId(true);
        }
        nodes.append(node);
    }
    return nodes;
}

void Doctor::addAccess(const QList<Node> &nodes)
{
    QStringList copies;
    for (const QString &dir : m_env.rulesDirs) {
        const QString file = QDir(dir).filePath(kRulesFile);
        if (QFileInfo::exists(file))
            copies << file;
    }
    if (copies.isEmpty()) {
        add(kAccess, QStringLiteral("udev rules"), DoctorCheck::Warn,
            QStringLiteral("%1 is installed in none of %2")
                .arg(kRulesFile, m_env.rulesDirs.join(QStringLiteral(", "))),
            kRulesFix);
    } else {
        // A file in a later folder overrides one of the same name in an earlier one.
        QFile effective(copies.last());
        const QByteArray rules = effective.open(QIODevice::ReadOnly) ? effective.readAll() : QByteArray();
        const bool grants = rules.contains("uaccess");
        QString detail = QStringLiteral("%1 in effect").arg(copies.last());
        if (copies.size() > 1)
            detail += QStringLiteral(" (overrides %1)")
                          .arg(copies.mid(0, copies.size() - 1).join(QStringLiteral(", ")));
        // Without its helper the rules never grant the knob on 05ac:022c over USB.
        const QString helper = importedProgram(rules);
        const bool helperOk = helper.isEmpty() || QFileInfo(helper).isExecutable();
        if (!grants)
            detail += QStringLiteral(", but it grants no uaccess");
        else if (!helperOk)
            detail +=
                QStringLiteral(", but the helper it runs, %1, is missing: no USB interface of %2 is granted")
                    .arg(helper, idPair(targetVendorId(true), targetProductId(true)));
        add(kAccess, QStringLiteral("udev rules"), grants && helperOk ? DoctorCheck::Ok : DoctorCheck::Warn,
            detail,
            grants ? QStringLiteral("reinstall the package, or install build/hidvendor as %1").arg(helper)
                   : kRulesFix);
    }

    const bool udev = QFileInfo::exists(QDir(m_env.udevRunDir).filePath(QStringLiteral("control")));
    add(kAccess, QStringLiteral("udev"), udev ? DoctorCheck::Ok : DoctorCheck::Warn,
        udev ? QStringLiteral("running") : QStringLiteral("not running: no rule is applied to new nodes"),
        QStringLiteral("start systemd-udevd; without udev give this user the knob's node by hand"));

    const QString state = m_env.sessionState ? m_env.sessionState() : QString();
    const bool active = state.contains(QLatin1String("Active=yes"));
    const bool remote = state.contains(QLatin1String("Remote=yes"));
    add(kAccess, QStringLiteral("seat"), active && !remote ? DoctorCheck::Ok : DoctorCheck::Warn,
        state.isEmpty()     ? QStringLiteral("no login session known (no loginctl or XDG_SESSION_ID)")
        : active && !remote ? QStringLiteral("active local session")
        : remote            ? QStringLiteral("remote session")
                            : QStringLiteral("inactive session"),
        QStringLiteral("the rules open the knob to the active local session only: run this at the machine "
                       "itself, or grant a group access in a rule of your own"));

    if (nodes.isEmpty())
        add(kAccess, QStringLiteral("hidraw nodes"), DoctorCheck::Warn,
            QStringLiteral("no hidraw node with the knob's ids in %1").arg(m_env.hidrawClassDir), kPlugFix);
    for (const Node &node : nodes) {
        const QString check = QFileInfo(node.path).fileName();
        QString detail =
            QStringLiteral("%1 (%2 %3, %4)")
                .arg(node.path, busName(node.bus), idPair(node.vendor, node.product), node.hidName);
        if (!node.descriptor.isEmpty())
            detail += QStringLiteral(", ") + node.descriptor;
        struct stat st;
        if (::stat(QFile::encodeName(node.path).constData(), &st) != 0) {
            add(kAccess, check, DoctorCheck::Fail, detail + QStringLiteral(": the node is missing"),
                QStringLiteral("make sure udev runs, then unplug and replug the knob"));
            continue;
        }
        const group *g = getgrgid(st.st_gid);
        detail +=
            QStringLiteral(" %1:%2 mode %3, %4")
                .arg(userName(st.st_uid), g ? QString::fromLocal8Bit(g->gr_name) : QString::number(st.st_gid))
                .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'))
                .arg(aclText(node.path));
        const int error = m_env.accessForUse ? m_env.accessForUse(node.path) : 0;
        if (error == 0)
            add(kAccess, check, DoctorCheck::Ok,
                detail + QStringLiteral(": this user can read and write it"));
        else if ((error == EACCES || error == EPERM) && node.closedByRules)
            add(kAccess, check, DoctorCheck::Ok,
                detail + QStringLiteral(": closed, as the rules keep a keyboard's interfaces of these ids"));
        else if (error == EACCES || error == EPERM)
            add(kAccess, check, DoctorCheck::Fail, detail + QStringLiteral(": permission denied"), kRulesFix);
        else
            add(kAccess, check, DoctorCheck::Fail,
                detail + QStringLiteral(": cannot be opened: %1")
                             .arg(QString::fromLocal8Bit(std::strerror(error))),
                QStringLiteral("unplug and replug the knob"));
    }
}

void Doctor::addKnob(const QList<Interface> &interfaces, bool probe, bool bluetoothKnob)
{
    if (interfaces.isEmpty()) {
        add(kKnob, QStringLiteral("interfaces"), bluetoothKnob ? DoctorCheck::Ok : DoctorCheck::Fail,
            QStringLiteral("no HID interface with ids %1 or %2%3")
                .arg(idPair(targetVendorId(true), targetProductId(true)),
                     idPair(targetVendorId(false), targetProductId(false)),
                     bluetoothKnob ? QStringLiteral(" (the knob is on Bluetooth LE)") : QString()),
            kPlugFix);
        return;
    }
    // The interface scan takes the first USB interface that accepts output
    // reports; of the knob's interfaces only the vendor-defined one does.
    int chosen = -1;
    for (int bus : {int(HID_API_BUS_USB), int(HID_API_BUS_BLUETOOTH)}) {
        for (int i = 0; i < interfaces.size() && chosen < 0; ++i) {
            const Interface &f = interfaces[i];
            if (f.bus == bus && !f.path.isEmpty() && f.usagePage >= kVendorUsagePage)
                chosen = i;
        }
    }
    for (int i = 0; i < interfaces.size(); ++i) {
        const Interface &f = interfaces[i];
        const QString why = i == chosen ? QStringLiteral("would be used: its vendor usage page takes the "
                                                         "configuration reports")
                            : f.path.isEmpty() ? QStringLiteral("not used: no path")
                            : f.usagePage < kVendorUsagePage
                                ? QStringLiteral("not used: usage page 0x%1 takes no configuration reports")
                                      .arg(hex4(f.usagePage))
                                : QStringLiteral("not used: another interface comes first");
        add(kKnob, QStringLiteral("interface %1").arg(f.number), DoctorCheck::Ok,
            QStringLiteral("%1, %2, usage page 0x%3 usage 0x%4: %5")
                .arg(f.path, busName(f.bus), hex4(f.usagePage), hex4(f.usage), why));
    }
    if (chosen < 0)
        add(kKnob, QStringLiteral("choice"), DoctorCheck::Fail,
            QStringLiteral("no interface with a vendor usage page and a path"),
            QStringLiteral("unplug and replug the knob; if this stays, report the interfaces above"));
    add(kKnob, QStringLiteral("strings"), DoctorCheck::Ok,
        QStringLiteral("manufacturer \"%1\", product \"%2\"")
            .arg(interfaces.first().manufacturer, interfaces.first().product));
    if (!probe)
        return;

    HidScanResult scan;
    for (bool defaultIds : {true, false}) {
        const HidScanResult r =
            scanHidInterfaces(targetVendorId(defaultIds), targetProductId(defaultIds), false);
        scan.exclusive = scan.exclusive || r.exclusive;
        if (scan.deniedPath.isEmpty())
            scan.deniedPath = r.deniedPath;
        if (r.handle || !r.busyPaths.isEmpty()) {
            scan = r;
            break;
        }
    }
    if (!scan.handle && !scan.busyPaths.isEmpty()) {
        // Not a fault of the knob: it is in use, and replugging would only take it from its holder.
        add(kKnob, QStringLiteral("probe"), DoctorCheck::Warn,
            QStringLiteral("not probed: the knob is in use by %1").arg(scan.busyHolder.describe()),
            QStringLiteral("close %1, then run doctor --probe again").arg(scan.busyHolder.describe()));
        return;
    }
    if (!scan.handle) {
        add(kKnob, QStringLiteral("probe"), DoctorCheck::Fail,
            scan.exclusive               ? QStringLiteral("another program holds the knob exclusively")
            : !scan.deniedPath.isEmpty() ? QStringLiteral("%1: permission denied").arg(scan.deniedPath)
                                         : QStringLiteral("no interface accepted the probe report"),
            scan.exclusive ? QStringLiteral("close the program that holds it (see Other programs)")
            : !scan.deniedPath.isEmpty() ? kRulesFix
                                         : QStringLiteral("unplug and replug the knob"));
        return;
    }
    // The program's own read: the read request goes out, nothing else.
    HidrawLink transport;
    const unsigned long long generation = transport.install(scan.handle);
    int answers = 0;
    const ConfigReadOutcome read =
        readDeviceConfiguration(transport, generation, [&](const Packet &) { ++answers; });
    transport.close();
    const bool answered = read.ok && read.receivedAny;
    add(kKnob, QStringLiteral("probe"), answered ? DoctorCheck::Ok : DoctorCheck::Fail,
        answered ? QStringLiteral("%1 answered the configuration query (%2 stored reports)")
                       .arg(scan.path)
                       .arg(answers)
                 : QStringLiteral("%1 did not answer the configuration query in time").arg(scan.path),
        QStringLiteral("unplug and replug the knob, then run doctor --probe again"));
}

Doctor::Bluetooth Doctor::addBluetooth(bool usbRoute)
{
    Bluetooth bt;
    const auto note = [&bt](const QString &check, DoctorCheck::Status status, const QString &detail,
                            const QString &fix) {
        bt.checks.append({kBluetooth, check, status, detail, status == DoctorCheck::Ok ? QString() : fix});
    };
    const QString connectionName = QStringLiteral("veltranix-doctor");
    QDBusConnection bus = m_env.busAddress.isEmpty()
                              ? QDBusConnection::systemBus()
                              : QDBusConnection::connectToBus(m_env.busAddress, connectionName);
    const auto disconnect = qScopeGuard([&] {
        if (!m_env.busAddress.isEmpty())
            QDBusConnection::disconnectFromBus(connectionName);
    });
    if (!bus.isConnected()) {
        note(QStringLiteral("system bus"), DoctorCheck::Warn,
             QStringLiteral("not reachable: Bluetooth is unavailable"),
             QStringLiteral("only Bluetooth needs it: start the D-Bus system bus"));
        return bt;
    }
    note(QStringLiteral("system bus"), DoctorCheck::Ok, QStringLiteral("reachable"), QString());
    const QString bluez = QStringLiteral("org.bluez");
    if (!bus.interface() || !bus.interface()->isServiceRegistered(bluez)) {
        note(QStringLiteral("BlueZ"), DoctorCheck::Warn, QStringLiteral("org.bluez is not on the system bus"),
             QStringLiteral("install bluez and start it: systemctl start bluetooth"));
        return bt;
    }
    registerBluezTypes();
    const QDBusReply<BluezObjects> reply =
        bus.call(QDBusMessage::createMethodCall(bluez, QStringLiteral("/"),
                                                QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                                                QStringLiteral("GetManagedObjects")),
                 QDBus::Block, kBusTimeoutMs);
    if (!reply.isValid()) {
        note(QStringLiteral("BlueZ"), DoctorCheck::Warn,
             QStringLiteral("BlueZ does not answer: %1").arg(reply.error().message()),
             QStringLiteral("restart it: systemctl restart bluetooth"));
        return bt;
    }
    note(QStringLiteral("BlueZ"), DoctorCheck::Ok, QStringLiteral("running"), QString());
    const BluezObjects objects = reply.value();
    QStringList adapters;
    bool powered = false;
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        const auto adapter = it.value().constFind(QStringLiteral("org.bluez.Adapter1"));
        if (adapter == it.value().cend())
            continue;
        const bool on = adapter.value().value(QStringLiteral("Powered")).toBool();
        powered = powered || on;
        adapters << QStringLiteral("%1 %2").arg(it.key().path().section(QLatin1Char('/'), -1),
                                                on ? QStringLiteral("powered") : QStringLiteral("off"));
    }
    note(QStringLiteral("adapters"), powered ? DoctorCheck::Ok : DoctorCheck::Warn,
         adapters.isEmpty() ? QStringLiteral("none") : adapters.join(QStringLiteral(", ")),
         adapters.isEmpty() ? QStringLiteral("plug in a Bluetooth adapter (only Bluetooth needs one)")
                            : QStringLiteral("switch the adapter on: bluetoothctl power on"));
    QStringList knobs;
    bool paired = false;
    QString address = QStringLiteral("ADDRESS");
    for (const BluezDevice &d : devicesOf(objects)) {
        if (!isKnob(d))
            continue;
        const bool isPaired = objects.value(QDBusObjectPath(d.path))
                                  .value(QStringLiteral("org.bluez.Device1"))
                                  .value(QStringLiteral("Paired"))
                                  .toBool();
        paired = paired || isPaired;
        address = d.address;
        bt.knobConnected = bt.knobConnected || d.connected;
        knobs << QStringLiteral("%1 %2 (%3, %4)")
                     .arg(d.address, d.name,
                          isPaired ? QStringLiteral("paired") : QStringLiteral("not paired"),
                          d.connected ? QStringLiteral("connected") : QStringLiteral("not connected"));
    }
    note(QStringLiteral("knobs"), bt.knobConnected || usbRoute ? DoctorCheck::Ok : DoctorCheck::Warn,
         knobs.isEmpty() ? QStringLiteral("no knob known to BlueZ") : knobs.join(QStringLiteral(", ")),
         (paired ? QStringLiteral("switch the knob on, then: bluetoothctl connect %1")
                 : QStringLiteral("pair the knob: bluetoothctl, then scan on, pair %1, trust %1, connect %1"))
             .arg(address));
    return bt;
}

void Doctor::addRoute(const QList<Node> &nodes, const QList<Interface> &interfaces, const Bluetooth &bt)
{
    for (const Interface &f : interfaces) {
        if (f.bus == HID_API_BUS_USB && f.usagePage >= kVendorUsagePage && !f.path.isEmpty()) {
            add(kBluetooth, QStringLiteral("route"), DoctorCheck::Ok,
                QStringLiteral("USB hidraw (%1): Bluetooth is not needed").arg(f.path));
            return;
        }
    }
    for (const Node &n : nodes) {
        if (n.bus == HID_API_BUS_BLUETOOTH) {
            add(kBluetooth, QStringLiteral("route"), DoctorCheck::Ok,
                QStringLiteral("Bluetooth hidraw (%1)").arg(n.path));
            return;
        }
    }
    if (bt.knobConnected) {
        add(kBluetooth, QStringLiteral("route"), m_helperRuns ? DoctorCheck::Ok : DoctorCheck::Fail,
            QStringLiteral("Bluetooth LE through the helper: %1").arg(m_helperDetail),
            QStringLiteral(
                "reinstall the package: the knob is on Bluetooth LE and only ble_helper reaches it"));
        return;
    }
    add(kBluetooth, QStringLiteral("route"), DoctorCheck::Warn,
        QStringLiteral("none: no knob on USB or Bluetooth"), kPlugFix);
}

void Doctor::addOtherPrograms(const QList<Node> &nodes)
{
    QStringList nodePaths;
    for (const Node &n : nodes)
        nodePaths << n.path;
    const QString holder = m_env.lockHolder ? m_env.lockHolder(nodePaths) : QString();
    add(kOthers, QStringLiteral("owner lock"), holder.isEmpty() ? DoctorCheck::Ok : DoctorCheck::Fail,
        holder.isEmpty() ? QStringLiteral("no lock held")
                         : QStringLiteral("the knob is held by %1").arg(holder),
        QStringLiteral("close the window or the other command that holds the knob"));

    const QString lockDirectory = m_env.lockDirectory ? m_env.lockDirectory() : QStringLiteral("?");
    add(kOthers, QStringLiteral("lock directory"),
        lockDirectory.isEmpty() ? DoctorCheck::Warn : DoctorCheck::Ok,
        lockDirectory.isEmpty()
            ? QStringLiteral("no private runtime directory: only the knob's hidraw nodes are locked, and the "
                             "window cannot keep a second start from opening another window")
            : QStringLiteral("lock files in %1").arg(lockDirectory),
        QStringLiteral("set XDG_RUNTIME_DIR to a directory of your own with mode 0700"));

    QStringList holders;
    int unreadable = 0;
    const QDir proc(m_env.procDir);
    const QString self = QString::number(QCoreApplication::applicationPid());
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        pid.toLongLong(&numeric);
        if (!numeric || pid == self || nodes.isEmpty())
            continue;
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        if (!fds.isReadable()) {
            ++unreadable;
            continue;
        }
        for (const QFileInfo &fd : fds.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            const QString target = fd.symLinkTarget();
            for (const Node &n : nodes) {
                if (target != n.path)
                    continue;
                QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
                const QString name = comm.open(QIODevice::ReadOnly)
                                         ? QString::fromLocal8Bit(comm.readAll()).trimmed()
                                         : QString();
                holders << QStringLiteral("pid %1 (%2) has %3 open").arg(pid, name, n.path);
            }
        }
    }
    QString detail = holders.isEmpty() ? QStringLiteral("no other process has the knob's nodes open")
                                       : holders.join(QStringLiteral(", "));
    if (unreadable > 0)
        detail += QStringLiteral(" (%1 processes not readable by this user)").arg(unreadable);
    add(kOthers, QStringLiteral("open nodes"), holders.isEmpty() ? DoctorCheck::Ok : DoctorCheck::Warn,
        detail, QStringLiteral("close that program if the knob does not answer"));
}

// Which backend tells the application in front. It never stands between the
// machine and the knob, so it warns at most.
void Doctor::addDesktop()
{
    if (!m_env.focusWatcher)
        return;
    const std::unique_ptr<FocusWatcher> watcher = m_env.focusWatcher();
    if (watcher->state() == FocusWatcher::State::Starting) {
        QEventLoop loop;
        QObject::connect(watcher.get(), &FocusWatcher::stateChanged, &loop, [&] {
            if (watcher->state() != FocusWatcher::State::Starting)
                loop.quit();
        });
        QTimer::singleShot(kFocusAnswerMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const QString name = watcher->backendName();
    switch (watcher->state()) {
    case FocusWatcher::State::Answering: {
        const FocusedApp app = watcher->current();
        QString detail = QStringLiteral("%1 answers").arg(name);
        if (!app.appId.isEmpty())
            detail += QStringLiteral(": %1 is in front").arg(app.appId);
        if (!watcher->reason().isEmpty())
            detail += QStringLiteral(" (%1)").arg(watcher->reason());
        add(kDesktop, QStringLiteral("window in front"), DoctorCheck::Ok, detail);
        break;
    }
    case FocusWatcher::State::Starting:
        add(kDesktop, QStringLiteral("window in front"), DoctorCheck::Warn,
            QStringLiteral("%1 does not answer yet").arg(name), watcher->reason());
        break;
    case FocusWatcher::State::Unavailable:
        add(kDesktop, QStringLiteral("window in front"), DoctorCheck::Warn,
            QStringLiteral("automatic profile switching is not available: %1").arg(watcher->reason()),
            QStringLiteral("choose profiles by hand"));
        break;
    }
}

void Doctor::addVerdict(bool knobPresent)
{
    std::optional<DoctorCheck> first;
    for (const DoctorCheck &c : m_checks) {
        if (c.status == DoctorCheck::Fail && !first)
            first = c;
    }
    const QString verdict = QStringLiteral("Verdict");
    if (!knobPresent) {
        m_exitCode = CliNoDevice;
        add(verdict, QStringLiteral("overall"), DoctorCheck::Fail, QStringLiteral("no knob found"), kPlugFix);
    } else if (first) {
        m_exitCode = CliBlocked;
        add(verdict, QStringLiteral("overall"), DoctorCheck::Fail,
            QStringLiteral("something stands in the way: %1 %2: %3")
                .arg(first->group, first->check, first->detail),
            first->fix);
    } else {
        m_exitCode = CliOk;
        add(verdict, QStringLiteral("overall"), DoctorCheck::Ok, QStringLiteral("the program would connect"));
    }
}

namespace {

QString statusName(DoctorCheck::Status s)
{
    return s == DoctorCheck::Ok     ? QStringLiteral("ok")
           : s == DoctorCheck::Warn ? QStringLiteral("warn")
                                    : QStringLiteral("fail");
}

} // namespace

QString doctorText(const QList<DoctorCheck> &checks)
{
    QString text;
    QString group;
    for (const DoctorCheck &c : checks) {
        if (&c == &checks.last()) {
            text += QStringLiteral("Verdict: %1").arg(c.detail);
            if (!c.fix.isEmpty())
                text += QStringLiteral(". First thing to fix: ") + c.fix;
            text += QLatin1Char('\n');
            break;
        }
        if (c.group != group) {
            group = c.group;
            text += group + QLatin1Char('\n');
        }
        text += QStringLiteral("  %1 %2 %3").arg(statusName(c.status), -5).arg(c.check, -14).arg(c.detail);
        if (!c.fix.isEmpty())
            text += QStringLiteral(". Fix: ") + c.fix;
        text += QLatin1Char('\n');
    }
    return text;
}

QByteArray doctorJson(const QList<DoctorCheck> &checks)
{
    QJsonArray array;
    for (const DoctorCheck &c : checks) {
        array.append(QJsonObject{{QStringLiteral("group"), c.group},
                                 {QStringLiteral("check"), c.check},
                                 {QStringLiteral("status"), statusName(c.status)},
                                 {QStringLiteral("detail"), c.detail},
                                 {QStringLiteral("fix"), c.fix}});
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}
