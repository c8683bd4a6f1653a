// The doctor against a machine in a temporary folder (rules folders, /run/udev,
// /dev, /sys/class/hidraw, /proc, no system bus) with the simulated knob behind
// hidapi: each check's verdict in its cases and the exit codes.

#include "cli/Doctor.h"
#include "cli/clicommands.h"
#include "device/KnobOwnerLock.h"
#include "support/devicetestsupport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <hidapi.h>

#include <cerrno>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A sysfs entry for a hidraw node; with dev set, the node in /dev too.
void addNode(const QString &root, const QString &name, const QByteArray &bus, bool dev)
{
    writeFile(root + "/sys/" + name + "/device/uevent",
              "HID_ID=" + bus + ":000005AC:0000022C\nHID_NAME=VX Knob\n");
    if (dev)
        writeFile(root + "/dev/" + name, {});
}

} // namespace

class TestDoctor : public QObject
{
    Q_OBJECT

private slots:
    void verdicts_data();
    void verdicts();
    void accessMeansReadAndWrite_data();
    void accessMeansReadAndWrite();
};

// setup: what the machine has; expected: "group/check:status" items.
void row(const char *setup, int exitCode, const char *expected)
{
    QTest::addRow("%s", *setup ? setup : "bare machine") << QString(setup) << exitCode << QString(expected);
}

void TestDoctor::verdicts_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("expected");

    row("", CliNoDevice,
        "Knob/interfaces:fail, Bluetooth/system bus:warn, Bluetooth/route:warn, Access/udev rules:warn, "
        "Access/udev:warn, Access/seat:warn, Program/helper:warn, Verdict/overall:fail");
    row("rules-usr udev seat-active", CliNoDevice, "Access/udev rules:ok, Access/udev:ok, Access/seat:ok");
    row("rules-usr rules-etc-empty seat-remote", CliNoDevice, "Access/udev rules:warn, Access/seat:warn");
    row("knob node", CliOk,
        "Access/hidraw0:ok, Knob/interface 0:ok, Knob/interface 2:ok, Bluetooth/route:ok, "
        "Other programs/open nodes:ok, Other programs/owner lock:ok, Verdict/overall:ok");
    row("knob node denied", CliBlocked, "Access/hidraw0:fail, Verdict/overall:fail");
    row("knob nodev", CliBlocked, "Access/hidraw0:fail");
    // A keyboard's interface of 05ac:022c is closed by the rules on purpose; the vendor one is not.
    row("knob node denied desc-keyboard", CliOk, "Access/hidraw0:ok, Verdict/overall:ok");
    row("knob node denied desc-vendor", CliBlocked, "Access/hidraw0:fail");
    row("rules-import", CliNoDevice, "Access/udev rules:warn");
    row("rules-import helper", CliNoDevice, "Access/udev rules:ok");
    row("knob probe", CliOk, "Knob/probe:ok");
    row("knob probe silent", CliBlocked, "Knob/probe:fail");
    row("knob probe knob-denied", CliBlocked, "Knob/probe:fail");
    row("knob probe knob-exclusive", CliBlocked, "Knob/probe:fail");
    row("knob-bt node-bt", CliOk, "Bluetooth/route:ok, Knob/interface 2:ok");
    row("knob node holder", CliOk, "Other programs/open nodes:warn");
    row("knob lock", CliBlocked, "Other programs/owner lock:fail, Other programs/lock directory:ok");
    row("knob nolockdir", CliOk, "Other programs/lock directory:warn");
    row("knob probe held", CliOk, "Knob/probe:warn");
}

void TestDoctor::verdicts()
{
    QFETCH(QString, setup);
    QFETCH(int, exitCode);
    QFETCH(QString, expected);
    const QStringList has = setup.split(' ', Qt::SkipEmptyParts);

    hidsim::reset();
    if (has.contains("knob")) {
        const int knob = hidsim::addDevice(hidsim::knobDevice());
        if (has.contains("silent")) {
            hidsim::FirmwareOptions options;
            options.silent = true;
            hidsim::setFirmwareOptions(knob, options);
        }
        if (has.contains("knob-denied"))
            hidsim::setOpenDenied(knob, 2);
        if (has.contains("knob-exclusive"))
            hidsim::setOpenError(knob, 2, "the device is held exclusively");
    }
    if (has.contains("knob-bt")) {
        hidsim::DeviceConfig config = hidsim::knobDevice();
        config.interfaces = {config.interfaces.back()};
        config.interfaces.front().busType = 2;
        hidsim::addDevice(config);
    }

    QTemporaryDir dir;
    const QString root = dir.path();
    if (has.contains("rules-usr"))
        writeFile(root + "/usr/70-veltranix.rules", "SUBSYSTEM==\"hidraw\", TAG+=\"uaccess\"\n");
    if (has.contains("rules-etc-empty"))
        writeFile(root + "/etc/70-veltranix.rules", "# emptied by hand\n");
    if (has.contains("rules-import"))
        writeFile(root + "/usr/70-veltranix.rules",
                  "SUBSYSTEM==\"hidraw\", IMPORT{program}=\"" + root.toUtf8() +
                      "/hidvendor %S%p\"\n"
                      "SUBSYSTEM==\"hidraw\", ENV{VX_HID_VENDOR_PAGE}==\"?*\", TAG+=\"uaccess\"\n");
    if (has.contains("helper")) {
        writeFile(root + "/hidvendor", "#!/bin/sh\n");
        QVERIFY(QFile::setPermissions(root + "/hidvendor", QFile::ReadOwner | QFile::ExeOwner));
    }
    if (has.contains("desc-keyboard") || has.contains("desc-vendor"))
        writeFile(root + "/sys/hidraw0/device/report_descriptor",
                  QByteArray::fromHex(has.contains("desc-vendor") ? "06 00 FF 09 01 A1 01 C0"
                                                                  : "05 01 09 06 A1 01 C0"));
    if (has.contains("udev"))
        writeFile(root + "/run/control", {});
    if (has.contains("node") || has.contains("nodev"))
        addNode(root, "hidraw0", "0003", has.contains("node"));
    if (has.contains("node-bt"))
        addNode(root, "hidraw1", "0005", true);
    if (has.contains("holder")) {
        QDir().mkpath(root + "/proc/4242/fd");
        QVERIFY(QFile::link(root + "/dev/hidraw0", root + "/proc/4242/fd/3"));
    }

    DoctorEnvironment env;
    env.rulesDirs = {root + "/usr", root + "/etc"};
    env.udevRunDir = root + "/run";
    env.devDir = root + "/dev";
    env.hidrawClassDir = root + "/sys";
    env.procDir = root + "/proc";
    env.helperDir = root;
    env.busAddress = "unix:path=" + root + "/no-bus";
    env.sessionState = [&] {
        return has.contains("seat-active")   ? QString("Active=yes\nRemote=no\n")
               : has.contains("seat-remote") ? QString("Active=yes\nRemote=yes\n")
                                             : QString();
    };
    env.accessForUse = [&](const QString &) { return has.contains("denied") ? EACCES : 0; };
    env.lockHolder = [&](const QStringList &) {
        return has.contains("lock") ? QString("veltranix (pid 1)") : QString();
    };
    env.lockDirectory = [&] { return has.contains("nolockdir") ? QString() : root; };
    std::unique_ptr<KnobOwnerLock> held; // the window, holding the knob
    if (hid_device_info *list = has.contains("held") ? hid_enumerate(0, 0) : nullptr) {
        held = KnobOwnerLock::tryTake(KnobOwnerLock::knobIdentity(*list));
        hid_free_enumeration(list);
    }

    Doctor doctor(env);
    const QList<DoctorCheck> checks = doctor.run(has.contains("probe"));
    QCOMPARE(doctor.exitCode(), exitCode);
    QMap<QString, QString> seen;
    for (const DoctorCheck &c : checks) {
        QCOMPARE(c.fix.isEmpty(), c.status == DoctorCheck::Ok); // every problem comes with its fix
        seen.insert(c.group + '/' + c.check, QStringList{"ok", "warn", "fail"}.at(c.status));
    }
    for (const QString &item : expected.split(", "))
        QCOMPARE(item.section(':', 0, 0) + ':' + seen.value(item.section(':', 0, 0)), item);
    QCOMPARE(hidsim::openHandleCount(), 0);
    for (const hidsim::WriteRecord &w : hidsim::writes()) // only the probe report and the read request
        QVERIFY(w.bytes.size() > 2 && (w.bytes[1] == 0xFF || (w.bytes[1] == 0xFD && w.bytes[2] == 0xFE)));
}

// The program opens the node for reading and writing: a node this user may
// only read is no use to it. Asked as an ordinary user, since root may do anything.
void TestDoctor::accessMeansReadAndWrite_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("error");
    QTest::newRow("read and write") << 0666 << 0;
    QTest::newRow("read only") << 0444 << EACCES;
    QTest::newRow("write only") << 0222 << EACCES;
}

void TestDoctor::accessMeansReadAndWrite()
{
    QFETCH(int, mode);
    QFETCH(int, error);
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7755)));
    const QString node = dir.filePath(QStringLiteral("hidraw0"));
    writeFile(node, "");
    QVERIFY(::chmod(QFile::encodeName(node).constData(), mode_t(mode)) == 0);
    const DoctorEnvironment env = DoctorEnvironment::system();
    const pid_t child = ::fork();
    if (child == 0) {
        const uid_t nobody = 65534;
        if (::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            ::_exit(255);
        ::_exit(env.accessForUse(node));
    }
    int status = 0;
    QVERIFY(child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status));
    if (WEXITSTATUS(status) == 255 && ::geteuid() != 0)
        QSKIP("needs root to ask as another user");
    QCOMPARE(WEXITSTATUS(status), error);
}

QTEST_GUILESS_MAIN(TestDoctor)
#include "tst_doctor.moc"
