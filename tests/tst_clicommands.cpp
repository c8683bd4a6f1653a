// The command-line tool with its real link, the knob session, against the
// simulated knob: usage errors and invalid files that never reach the knob, a
// backup that restores byte for byte as the Save button writes it, the light,
// the interface list, and every refusal of the knob as an exit code and one
// sentence.

#include "device/KnobOwnerLock.h"
#include "device/KnobSession.h"
#include "device/handover.h"
#include "device/packetutil.h"
#include "device/savereadback.h"
#include "protocol/configdecode.h"
#include "protocol/configjson.h"
#include "protocol/knobdocument.h"
#include "protocol/profilestore.h"
#include "protocol/switchrules.h"
#include "support/clirun.h"
#include "support/devicetestsupport.h"
#include "support/packetbytes.h"
#include "tests/fakes/hidsim/hidsim.h"
#include "ui/ConfiguratorService.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <hidapi.h>

#include <map>

namespace {

// Physical key 1: Ctrl+V then keypad 1 after 120 ms; key 2: Volume +; key 4:
// Ctrl+Alt held; key 5: left click; an orange light at 75 %.
int preloadedKnob()
{
    const int device = resetWithKnob();
    hidsim::preloadAssignment(device, 1, bytes("03 FD 02 01 01 00 03 | 00 00 F1 | 00 00 19 | 00 78 59"));
    hidsim::preloadAssignment(device, 2, bytes("03 FD 04 01 02 00 01 00 00 E9 00"));
    hidsim::preloadAssignment(device, 4, bytes("03 FD 06 01 01 00 02 | 00 00 F1 | 00 00 F3"));
    hidsim::preloadAssignment(device, 5, bytes("03 FD 03 01 03 01 04 00 00 00 00 00 01"));
    hidsim::preloadColour(device, bytes("03 FD 00 06 FF 80 00 4B 01"));
    return device;
}

// What the tool wrote besides the scan's probe and the read requests.
std::vector<Packet> writtenReports()
{
    std::vector<Packet> out;
    for (const hidsim::WriteRecord &r : hidsim::writes()) {
        const bool readRequest = r.bytes.size() > 1 && r.bytes[1] == 0xFF;
        if (r.result > 0 && !readRequest)
            out.push_back(r.bytes);
    }
    // The probes of the knob survey and of the scan.
    while (!out.empty() && out.front() == probeReport())
        out.erase(out.begin());
    return out;
}

// Key 1 Volume +, key 2 Ctrl+V, no light.
const QByteArray kTwoKeys = R"({"format": 1, "layout": "windows", "keys": [
    {"key": 1, "actions": [{"name": "Volume +"}]}, {"key": 2, "actions": [{"name": "Ctrl+V"}]},
    {"key": 3, "actions": []}, {"key": 4, "actions": []}, {"key": 5, "actions": []}]})";

// A profile as "profile apply" hands it over: named, with a light.
const QByteArray kProfile = R"({"format": 1, "name": "Krita", "layout": "windows",
    "lighting": {"color": "#00FF80", "brightness": 40, "on": true}, "keys": [
    {"key": 1, "actions": [{"name": "Ctrl+Z"}]}, {"key": 2, "actions": [{"name": "Ctrl+V"}]},
    {"key": 3, "actions": []}, {"key": 4, "actions": []}, {"key": 5, "actions": [{"name": "B"}]}]})";

// The vendor interface of the index-th simulated knob.
struct SimKnob
{
    QString path, serial, knob;
    QString name() const { return QStringLiteral("%1 (serial %2)").arg(path, serial); }
};

SimKnob simKnob(int index)
{
    SimKnob k;
    hid_device_info *list = hid_enumerate(0, 0);
    for (hid_device_info *i = list; i; i = i->next) {
        if (i->usage_page >= 0xFF00 && index-- == 0)
            k = {QString::fromLocal8Bit(i->path), QString::fromWCharArray(i->serial_number),
                 KnobOwnerLock::knobIdentity(*i)};
    }
    hid_free_enumeration(list);
    return k;
}

} // namespace

class TestCliCommands : public QObject
{
    Q_OBJECT

    QProcess m_bus; // a private session bus, for the hand-over to the window
    QString m_busAddress;

private slots:
    void initTestCase()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return;
        m_bus.start(daemon, {"--session", "--print-address", "--nofork"});
        if (m_bus.waitForStarted(10000) && (m_bus.canReadLine() || m_bus.waitForReadyRead(10000)))
            m_busAddress = QString::fromUtf8(m_bus.readLine().trimmed());
        if (!m_busAddress.isEmpty())
            qputenv("DBUS_SESSION_BUS_ADDRESS", m_busAddress.toUtf8());
    }
    void cleanupTestCase()
    {
        m_bus.kill();
        m_bus.waitForFinished(5000);
    }
    void init() { hidsim::reset(); }
    void cleanup() { QCOMPARE(hidsim::openHandleCount(), 0); }
    void usageErrors_data();
    void usageErrors();
    void helpNamesEveryOption();
    void writeFromFile_data();
    void writeFromFile();
    void dryRunFromStandardInput();
    void backupRestoresExactly();
    void lightChangesOnlyWhatIsAsked();
    void listMarksTheUsedInterface();
    void knobRefusals_data();
    void knobRefusals();
    void twoKnobs_data();
    void twoKnobs();
    void profileCommands();
    void profileRules();
    void handOverToTheWindow_data();
    void handOverToTheWindow();
};

void TestCliCommands::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("no command") << QStringList{} << "a command is needed";
    QTest::newRow("unknown command") << QStringList{"backup"} << "unknown command \"backup\"";
    QTest::newRow("write without file") << QStringList{"write"} << "write needs exactly one file";
    QTest::newRow("unknown option") << QStringList{"read", "--fast"} << "Unknown option 'fast'";
    QTest::newRow("read argument") << QStringList{"read", "x"} << "read takes no arguments";
    QTest::newRow("bad layout") << QStringList{"read", "--layout", "linux"} << "--layout must be";
    QTest::newRow("on and off") << QStringList{"light", "--on", "--off"}
                                << "--on and --off cannot be given together";
    QTest::newRow("light nothing") << QStringList{"light"} << "light needs --color";
    QTest::newRow("brightness") << QStringList{"light", "--brightness", "101"}
                                << "--brightness \"101\" is not";
    QTest::newRow("colour") << QStringList{"light", "--color", "FF80"} << "--color \"FF80\" is not a colour";
    QTest::newRow("missing file") << QStringList{"write", "/nonexistent/knob.json"}
                                  << "cannot read /nonexistent";
    QTest::newRow("bind unknown profile")
        << QStringList{"profile", "bind", "org.gimp.GIMP", "no such"} << "no profile named \"no such\"";
    QTest::newRow("auto maybe") << QStringList{"profile", "auto", "maybe"}
                                << "profile auto takes on, off or status";
    QTest::newRow("bind without profile")
        << QStringList{"profile", "bind", "org.gimp.GIMP"} << "usage: profile bind";
}

// Rules written by the tool are read back as written, and nothing touches the knob.
void TestCliCommands::profileRules()
{
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    QString error;
    QVERIFY(ProfileStore().save(QStringLiteral("Painting"), KnobDocument(), &error));
    const int device = preloadedKnob();
    QCOMPARE(runCliTool({"profile", "bind", "org.gimp.GIMP", "painting"}).out,
             QStringLiteral("bound org.gimp.GIMP to Painting\n"));
    QCOMPARE(runCliTool({"profile", "auto", "on"}).code, int(CliOk));
    QCOMPARE(runCliTool({"profile", "unbind", "nothing.here"}).code, int(CliUsage));
    SwitchRules rules;
    QVERIFY(SwitchRules::load(SwitchRules::defaultPath(), &rules, &error));
    QVERIFY(rules.enabled);
    QCOMPARE(rules.profileFor(QStringLiteral("org.gimp.GIMP")), QStringLiteral("Painting"));
    QVERIFY(
        runCliTool({"profile", "auto", "status"}).out.contains(QStringLiteral("org.gimp.GIMP -> Painting")));
    qunsetenv("XDG_DATA_HOME");
    QCOMPARE(hidsim::openCount(device, 2), 0);
}

void TestCliCommands::usageErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const int device = preloadedKnob();
    const CliRun r = runCliTool(args);
    QCOMPARE(r.code, int(CliUsage));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(hidsim::openCount(device, 2), 0);
    QVERIFY(hidsim::writes().empty());
}

// Every option a command takes is in the overview, and its help names the command.
void TestCliCommands::helpNamesEveryOption()
{
    const QString overview = runCliTool({"--help"}).out;
    for (const char *command :
         {"list", "read", "write", "light", "doctor", "profile list", "profile show", "profile apply",
          "profile save", "profile import", "profile export", "profile delete"}) {
        const QString help = runCliTool(QString::fromLatin1(command).split(' ') + QStringList{"--help"}).out;
        QVERIFY2(help.startsWith(QStringLiteral("Usage: veltranix-cli %1 [options]").arg(command)),
                 qPrintable(help));
        const QRegularExpression option(QStringLiteral("(?:^|\\s)(--?[a-z-]+)"));
        for (auto it = option.globalMatch(help); it.hasNext();)
            QVERIFY2(overview.contains(it.next().captured(1)), qPrintable(help));
    }
}

// A file that is refused writes nothing; one that is written prints a summary.
void TestCliCommands::writeFromFile_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    preloadedKnob();
    const QByteArray good = runCliTool({"read"}).out.toUtf8();
    const QByteArray noLayout = QByteArray(good).replace("\"layout\": \"windows\",", "");
    const QString summary =
        "wrote 4 keys to %1, kept key 3 (empty in the file), light FF8000 at 75%, read back equal\n";
    QTest::newRow("truncated") << good.left(good.size() / 2) << QStringList() << int(CliUsage)
                               << "invalid JSON at line";
    QTest::newRow("delay") << QByteArray(good).replace("\"delayMs\": 120", "\"delayMs\": 12") << QStringList()
                           << int(CliUsage) << "keys[0].actions[1].delayMs (key 1): 12 is out of range";
    QTest::newRow("summary") << good << QStringList() << int(CliOk) << summary;
    QTest::newRow("verbose") << good << QStringList{"-v"} << int(CliOk)
                             << "key 1, turn left: Ctrl+V, wait 120 ms, 1\nkey 2, turn right: Volume +\n";
    QTest::newRow("layout from a Mac name")
        << QByteArray(noLayout).replace("Ctrl+Alt+", "option") << QStringList{"--verbose"} << int(CliOk)
        << "key 4, press and turn right: option\n";
    QTest::newRow("layout from a Windows name")
        << QByteArray(noLayout).replace("Ctrl+Alt+", "Alt+") << QStringList{"--verbose"} << int(CliOk)
        << "key 4, press and turn right: Alt+\n";
}

void TestCliCommands::writeFromFile()
{
    QFETCH(QByteArray, json);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    const int device = preloadedKnob();
    const CliRun r = runCliTool(QStringList{"write", "-"} + args, json);
    QCOMPARE(r.code, code);
    if (code == CliOk) {
        QVERIFY2(args.isEmpty() ? r.out == message.arg(simKnob(0).name()) : r.out.contains(message),
                 qPrintable(r.out));
        QVERIFY2(r.out.endsWith(QStringLiteral(", read back equal\n")) && r.err.isEmpty(), qPrintable(r.err));
        return;
    }
    QVERIFY2(r.err.startsWith(QStringLiteral("veltranix-cli: standard input: %1").arg(message)),
             qPrintable(r.err));
    QCOMPARE(hidsim::openCount(device, 2), 0);
    QVERIFY(hidsim::writes().empty());
}

// A dry run prints the Save button's reports for the file and sends none.
void TestCliCommands::dryRunFromStandardInput()
{
    const QByteArray file = R"({"format": 1, "keys": [
        {"key": 1, "actions": [{"name": "Ctrl+V"}, {"name": "1", "code": "0x0059", "delayMs": 120}]},
        {"key": 2, "actions": [{"name": "Volume +"}]},
        {"key": 3, "actions": []}, {"key": 4, "actions": []}, {"key": 5, "actions": []}],
        "lighting": {"color": "#ff8000", "brightness": 75, "on": true}})";
    QVERIFY(!configDocumentFromJson(file).document.isMacLayout); // no name only one layout shows
    const CliRun r = runCliTool({"write", "--dry-run", "-"}, file);
    QCOMPARE(r.code, int(CliOk));
    QVERIFY(hidsim::writes().empty());
    QString expected;
    for (const char *hex : {"03 FD 02 01 01 00 03 | 00 00 F1 | 00 00 19 | 00 78 59",
                            "03 FD 10 01 01 00 03 | 00 00 F1 | 00 00 19 | 00 78 59", "03 FD FE FF",
                            "03 FD 04 01 02 00 01 00 00 E9 00", "03 FD 12 01 02 00 01 00 00 E9 00",
                            "03 FD FE FF", "03 FD 00 06 FF 80 00 4B 01"})
        expected += packetToHexLine(bytes(hex)) + QLatin1Char('\n');
    QCOMPARE(r.out, expected);
}

// read, write, read: the same file, and the write is the Save button's
// reports in order.
void TestCliCommands::backupRestoresExactly()
{
    const int device = preloadedKnob();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("knob.json"));
    QCOMPARE(runCliTool({"read", "-o", file}).code, int(CliOk));
    // Key 1 is changed on the knob; the backup must put it back.
    hidsim::preloadAssignment(device, 1, bytes("03 FD 02 01 01 00 01 00 00 1D"));
    hidsim::clearWrites();
    QCOMPARE(runCliTool({"write", file}).code, int(CliOk));
    QFile json(file);
    QVERIFY(json.open(QIODevice::ReadOnly));
    const ConfigJsonParse parsed = configDocumentFromJson(json.readAll());
    QVERIFY(parsed.ok);
    QCOMPARE(writtenReports(), documentWriteReports(parsed.document));
    const CliRun again = runCliTool({"read"});
    QCOMPARE(again.code, int(CliOk));
    json.seek(0);
    QCOMPARE(again.out.toUtf8(), json.readAll());
}

void TestCliCommands::lightChangesOnlyWhatIsAsked()
{
    const int device = preloadedKnob();
    const CliRun r = runCliTool({"light", "--brightness", "20"});
    QCOMPARE(r.code, int(CliOk));
    QCOMPARE(r.out, QStringLiteral("set light FF8000 at 20% on %1\n").arg(simKnob(0).name()));
    QCOMPARE(packetToHexLine(hidsim::storedColour(device)).left(26),
             QStringLiteral("03 FD 00 06 FF 80 00 14 01"));
    QCOMPARE(runCliTool({"light", "--color", "#00ff00", "--off"}).out,
             QStringLiteral("set light off (00FF00 at 20%) on %1\n").arg(simKnob(0).name()));
    QCOMPARE(packetToHexLine(hidsim::storedColour(device)).left(26),
             QStringLiteral("03 FD 00 06 00 FF 00 14 00"));
}

void TestCliCommands::listMarksTheUsedInterface()
{
    resetWithKnob();
    CliRun r = runCliTool({"list", "--json"});
    QCOMPARE(r.code, int(CliOk));
    const QJsonArray list = QJsonDocument::fromJson(r.out.toUtf8()).array();
    QCOMPARE(list.size(), 3);
    int selected = 0;
    for (const QJsonValue &v : list) {
        const QJsonObject o = v.toObject();
        QCOMPARE(o.value(QStringLiteral("bus")).toString(), QStringLiteral("usb"));
        if (o.value(QStringLiteral("selected")).toBool()) {
            ++selected;
            QCOMPARE(o.value(QStringLiteral("interface")).toInt(), 2);
        }
    }
    QCOMPARE(selected, 1);
    QCOMPARE(hidsim::openHandleCount(), 0);

    hidsim::reset();
    r = runCliTool({"list"});
    QCOMPARE(r.code, int(CliNoDevice));
    QVERIFY(r.err.contains(QStringLiteral("no knob found")));
}

void TestCliCommands::knobRefusals_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says");
    QTest::newRow("permission denied") << "denied" << QStringList{"read"} << int(CliNoDevice) << "udev rules";
    QTest::newRow("write refused") << "refuses" << QStringList{"light", "--on"} << int(CliDeviceFailed)
                                   << "refused the write";
    QTest::newRow("no answer") << "silent" << QStringList{"read"} << int(CliDeviceFailed) << "gave up after";
    QTest::newRow("held by another program")
        << "held" << QStringList{"light", "--on"} << int(CliBusy) << "in use by";
    QTest::newRow("save refused") << "refuses save" << QStringList{"write", "-"} << int(CliDeviceFailed)
                                  << "the save failed: the knob refused the write";
    QTest::newRow("read-back differs") << "drops key 1" << QStringList{"write", "-"} << int(CliDeviceFailed)
                                       << "physical key 1 reads back differently";
    QTest::newRow("output cannot be written")
        << "" << QStringList{"read", "-o", "/nonexistent/knob.json"} << int(CliDeviceFailed)
        << "cannot write /nonexistent/knob.json";
}

void TestCliCommands::knobRefusals()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, says);
    const int device = resetWithKnob();
    std::unique_ptr<KnobOwnerLock> held;
    if (fault == QLatin1String("denied")) {
        for (int i = 0; i < 3; ++i)
            hidsim::setOpenDenied(device, i);
    } else if (fault == QLatin1String("refuses")) {
        hidsim::setFailAllWrites(device, 2, true);
    } else if (fault == QLatin1String("refuses save")) {
        // The survey's and the scan's probes and the first read request pass.
        hidsim::InterfaceConfig faults;
        faults.failWritesFrom = 3;
        hidsim::setInterfaceFaults(device, 2, faults);
    } else if (fault == QLatin1String("drops key 1")) {
        hidsim::FirmwareOptions options;
        options.dropKey = 1;
        hidsim::setFirmwareOptions(device, options);
    } else if (fault == QLatin1String("silent")) {
        hidsim::FirmwareOptions silent;
        silent.silent = true;
        hidsim::setFirmwareOptions(device, silent);
    } else if (fault == QLatin1String("held")) {
        held = KnobOwnerLock::tryTake(simKnob(0).knob);
    }
    const CliRun r = runCliTool(args, kTwoKeys);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(says), qPrintable(r.err));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(hidsim::openHandleCount(), 0);
    if (fault == QLatin1String("held"))
        QVERIFY(hidsim::writes().empty());
    // One read, its own repeated request included; the tool does not ask again.
    if (fault == QLatin1String("silent"))
        QCOMPARE(hidsim::readRequestCount(device), 2);
    if (fault == QLatin1String("denied")) {
        const QJsonArray list = QJsonDocument::fromJson(runCliTool({"list", "--json"}).out.toUtf8()).array();
        QCOMPARE(list.size(), 3);
        for (const QJsonValue &v : list)
            QVERIFY(v.toObject().value(QStringLiteral("refused")).toBool());
    }
}

// Two knobs: the tool never picks one for the user, not even the one the
// window leaves free; --device names either by path or by serial.
void TestCliCommands::twoKnobs_data()
{
    QTest::addColumn<int>("held"); // the knob the window holds, or -1
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("written"); // the knob written, or -1
    QTest::newRow("unnamed") << -1 << "" << int(CliUsage) << -1;
    QTest::newRow("unnamed, window holds one") << 0 << "" << int(CliBusy) << -1;
    QTest::newRow("by serial") << -1 << "serial 1" << int(CliOk) << 1;
    QTest::newRow("by path") << -1 << "path 0" << int(CliOk) << 0;
    QTest::newRow("the other one by serial while the window holds one") << 0 << "serial 1" << int(CliOk) << 1;
    QTest::newRow("the held one by path") << 1 << "path 1" << int(CliBusy) << -1;
    QTest::newRow("unknown serial") << -1 << "NOSUCH" << int(CliNoDevice) << -1;
}

void TestCliCommands::twoKnobs()
{
    QFETCH(int, held);
    QFETCH(QString, device);
    QFETCH(int, code);
    QFETCH(int, written);
    resetWithKnob();
    hidsim::addDevice(hidsim::knobDevice());
    const SimKnob knobs[] = {simKnob(0), simKnob(1)};
    QVERIFY(knobs[0].serial != knobs[1].serial);
    const std::unique_ptr<KnobOwnerLock> window =
        held >= 0 ? KnobOwnerLock::tryTake(knobs[held].knob) : nullptr;
    QStringList args{"write", "-"};
    if (!device.isEmpty()) {
        const SimKnob &k = knobs[device.right(1).toInt()];
        args << "--device"
             << (device.startsWith("serial") ? k.serial
                 : device.startsWith("path") ? k.path
                                             : device);
    }
    const CliRun r = runCliTool(args, kTwoKeys);
    QCOMPARE(r.code, code);
    for (int k = 0; k < 2; ++k)
        QCOMPARE(hidsim::storedAssignments(k).size(), std::size_t(k == written ? 2 : 0));
    for (const hidsim::WriteRecord &w : hidsim::writes()) // not even a probe to the other knob
        QVERIFY(device.isEmpty() || w.device == written);
    if (written >= 0)
        QVERIFY2(r.out.startsWith(QStringLiteral("wrote 2 keys to %1, ").arg(knobs[written].name())),
                 qPrintable(r.out));
    if (code == CliUsage) {
        QCOMPARE(r.err, QStringLiteral("veltranix-cli: 2 knobs found: use --device PATH|SERIAL\n  %1\n  %2\n")
                            .arg(knobs[0].name(), knobs[1].name()));
        // Nor does list mark one as used, and it shows what --device takes.
        const QString list = runCliTool({"list"}).out;
        QVERIFY2(!list.contains("(used)") && list.contains("serial " + knobs[1].serial), qPrintable(list));
    }
    if (code == CliBusy)
        QVERIFY2(r.err.contains(QStringLiteral("in use by tst_clicommands")), qPrintable(r.err));
}

// The window holds the knob: the tool hands the write to it, the window's
// session is the only one to open the knob, and the tool prints what it
// prints alone.
void TestCliCommands::handOverToTheWindow_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("refusal"); // the window's, or empty
    QTest::addColumn<bool>("onBus");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says");
    const QStringList write{"write", "-"};
    QTest::newRow("write") << write << kTwoKeys << "" << true << int(CliOk) << "";
    QTest::newRow("profile with a light") << write << kProfile << "" << true << int(CliOk) << "";
    QTest::newRow("read") << QStringList{"read"} << QByteArray() << "" << true << int(CliOk) << "";
    QTest::newRow("light, the rest from the knob")
        << QStringList{"light", "--color", "00FF00"} << QByteArray() << "" << true << int(CliOk) << "";
    const QString unsaved = QStringLiteral("the window has unsaved edits; save or discard them first");
    QTest::newRow("unsaved edits") << write << kTwoKeys << unsaved << true << int(CliBusy) << unsaved;
    QTest::newRow("no window on the bus") << write << kTwoKeys << "" << false << int(CliBusy) << "in use by";
}

void TestCliCommands::handOverToTheWindow()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, file);
    QFETCH(QString, refusal);
    QFETCH(bool, onBus);
    QFETCH(int, code);
    QFETCH(QString, says);
    if (m_busAddress.isEmpty())
        QSKIP("dbus-daemon is not installed");
    resetWithKnob();
    const CliRun alone = runCliTool(args, file);
    QCOMPARE(alone.code, int(CliOk));
    const QString aloneKnob = simKnob(0).name();

    const int device = resetWithKnob();
    KnobSession session;
    QVERIFY(connectAndReadSession(session));
    ConfiguratorService window(&session);
    window.setRefusal([&refusal] { return refusal; });
    QString notice;
    connect(&window, &ConfiguratorService::writeStarting, this, [&notice](const QString &n) { notice = n; });
    QDBusConnection bus = QDBusConnection::connectToBus(m_busAddress, QStringLiteral("window"));
    QVERIFY(!onBus || (bus.registerService(handover::kService) && window.publish(bus)));
    const int opens = hidsim::openCount(device, 2);
    const CliRun r = runCliTool(args, file);
    bus.unregisterObject(handover::kPath);
    bus.unregisterService(handover::kService);
    QDBusConnection::disconnectFromBus(QStringLiteral("window"));
    session.shutdown();

    QVERIFY2(r.code == code && r.err.contains(says), qPrintable(r.err));
    QCOMPARE(hidsim::openCount(device, 2), opens); // the tool never opened the knob
    if (code != CliOk)
        return;
    QCOMPARE(r.out, QString(alone.out).replace(aloneKnob, simKnob(0).name()));
    const bool written = args.first() == QLatin1String("write");
    QCOMPARE(hidsim::storedAssignments(device).size(), std::size_t(!written ? 0 : file == kProfile ? 3 : 2));
    QCOMPARE(hidsim::storedColour(device).empty(),
             file != kProfile && args.first() != QLatin1String("light"));
    QCOMPARE(notice, !written           ? ""
                     : file == kProfile ? "Profile Krita written by veltranix-cli"
                                        : "Configuration written by veltranix-cli");
}

QTEST_GUILESS_MAIN(TestCliCommands)
#include "tst_clicommands.moc"

// The profile commands on a store holding a ready-made profile and a file that
// does not parse: what each prints, its exit code, and what reaches the knob.
void TestCliCommands::profileCommands()
{
    const int device = preloadedKnob();
    QTemporaryDir own, ready;
    const QByteArray paint = QByteArray(kTwoKeys).replace(
        "\"format\": 1", R"("format": 1, "name": "Paint", "application": "PaintApp")");
    const QByteArray broken = "{\"format\": 1,";
    for (const auto &[path, content] :
         {std::pair{ready.filePath("paint.json"), paint}, std::pair{own.filePath("broken.json"), broken},
          std::pair{ready.filePath("in.txt"), QByteArray(paint).replace("Paint\"", "Imported\"")}}) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
    }
    const QString knob = simKnob(0).name();
    const struct
    {
        QStringList args;
        int code;
        QString says; // on standard output when done, else on standard error
    } steps[] = {
        {{"list"}, CliOk, "Paint   PaintApp  (ready-made)\nbroken  cannot be read: "},
        {{"apply", "paint"}, CliOk, QStringLiteral("wrote 2 keys to %1, kept keys 3, 4, 5").arg(knob)},
        {{"save", "Desk", "--application", "Desk app"},
         CliOk,
         QStringLiteral("saved %1 as profile Desk (").arg(knob)},
        {{"show", "--json", "desk"}, CliOk, "\"application\": \"Desk app\","},
        {{"show", "Desk"}, CliOk, "layout: windows\nkey 1, turn left: Volume +\nkey 2, turn right: Ctrl+V\n"},
        {{"import", ready.filePath("in.txt")}, CliOk, "as profile Imported ("},
        {{"import", "-", "imported"}, CliUsage, "a profile named \"Imported\" already exists"},
        {{"export", "Imported"}, CliOk, "\"name\": \"Imported\""},
        {{"delete", "Paint"}, CliUsage, "\"Paint\" is a ready-made profile and cannot be deleted"},
        {{"save", "paint"}, CliUsage, "\"Paint\" is a ready-made profile"},
        {{"save", "broken"}, CliUsage, "delete it first"},
        {{"show", "broken"}, CliUsage, "profile \"broken\" cannot be read: "},
        {{"apply", "nothing"}, CliUsage, "no profile named \"nothing\""},
        {{"delete", "desk"}, CliOk, "deleted profile Desk ("},
        {{"show", "Desk"}, CliUsage, "no profile named \"Desk\""},
        {{}, CliUsage, "profile needs a command"},
    };
    for (const auto &step : steps) {
        hidsim::clearWrites();
        const int opened = hidsim::openCount(device, 2);
        const CliRun r = runCliTool(QStringList{"profile"} + step.args, paint, {own.path(), ready.path()});
        QVERIFY2(r.code == step.code && (step.code ? r.err : r.out).contains(step.says),
                 qPrintable(step.args.join(' ') + ": " + r.out + r.err));
        if (step.args.value(0) == "apply")
            QCOMPARE(writtenReports(), step.code
                                           ? std::vector<Packet>()
                                           : documentWriteReports(configDocumentFromJson(paint).document));
        else if (step.code)
            QCOMPARE(hidsim::openCount(device, 2), opened);
    }
    QFile f(own.filePath("broken.json"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), broken);
}
