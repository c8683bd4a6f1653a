// The command-line tool: usage errors, invalid files that never reach the
// knob, a read-write-read round trip, a save refused halfway, a read that
// loses the knob, the interface list and the knob's refusals against the
// simulated device.

#include "cli/clicommands.h"
#include "cli/clidevice.h"
#include "device/KnobOwnerLock.h"
#include "device/packetutil.h"
#include "device/savereadback.h"
#include "protocol/assignmentwrite.h"
#include "protocol/configdecode.h"
#include "protocol/knobconfigdocument.h"
#include "support/devicetestsupport.h"
#include "support/packetbytes.h"
#include "tests/fakes/hidsim/hidsim.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <hidapi.h>

#include <map>

namespace {

// The knob's firmware as far as the tool sees it: it keeps the last report of
// each physical key and the colour, and answers a read with them.
struct FakeKnob
{
    std::map<int, Packet> stored;
    Packet colour;
    int opens = 0;
    int saves = 0;
    int sentReports = 0;
    int failSaveAtKey = 0;  // the write of this physical key is refused
    bool failReads = false; // the knob is unplugged during a read
    bool present = true;
};

class FakeCliDevice final : public CliDevice
{
public:
    explicit FakeCliDevice(FakeKnob *knob) : m_knob(knob) {}

    bool open(const QString &, QString *error, OpenFailure *) override
    {
        if (!m_knob->present) {
            *error = QStringLiteral("no knob found");
            return false;
        }
        ++m_knob->opens;
        return true;
    }
    bool readConfiguration(std::vector<Packet> *packets, QString *error) override
    {
        if (m_knob->failReads) {
            *error = QStringLiteral("the knob was unplugged");
            return false;
        }
        packets->clear();
        for (const auto &entry : m_knob->stored)
            packets->push_back(entry.second);
        if (!m_knob->colour.empty())
            packets->push_back(m_knob->colour);
        return true;
    }
    bool saveSnapshot(const KnobModelSnapshot &snapshot, const std::function<void(int, int)> &progress,
                      QString *error) override
    {
        ++m_knob->saves;
        const AssignmentWritePlan plan = planAssignmentWrite(snapshot);
        AssignmentWriteIo io;
        io.send = [this](const Packet &p, int knobKey) {
            if (knobKey == m_knob->failSaveAtKey)
                return -1;
            for (const Packet &q : buildSendList(p, knobKey)) {
                ++m_knob->sentReports;
                const int k = knobKeyIndexForCommand(q[2]);
                if (k != 0)
                    m_knob->stored[k] = q;
            }
            return int(p.size());
        };
        const AssignmentWriteResult r = executeAssignmentWrite(plan, io);
        if (progress)
            progress(int(plan.knobs.size()), int(plan.knobs.size()));
        if (!r.ok)
            *error = QStringLiteral("the knob refused physical key %1").arg(r.failedKnobKeys.first());
        return r.ok;
    }
    bool sendLight(const LightSettings &l, QString *) override
    {
        ++m_knob->sentReports;
        m_knob->colour = buildColorPacket(l.red, l.green, l.blue, l.brightness, l.on);
        return true;
    }

private:
    FakeKnob *m_knob;
};

struct Run
{
    int code = -1;
    QString out;
    QString err;
};

Run run(const QStringList &args, FakeKnob *knob, const QByteArray &stdinBytes = QByteArray())
{
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    QByteArray input = stdinBytes;
    QBuffer in(&input);
    in.open(QIODevice::ReadOnly);
    CliContext c;
    c.out = &outStream;
    c.err = &errStream;
    c.in = &in;
    // Without a fake knob, the tool's own link to the simulated device.
    c.openDevice = [knob]() -> std::unique_ptr<CliDevice> {
        return knob ? std::make_unique<FakeCliDevice>(knob) : createCliDevice();
    };
    Run r;
    r.code = runCli(QStringList{QStringLiteral("veltranix-cli")} + args, c);
    outStream.flush();
    errStream.flush();
    r.out = out;
    r.err = err;
    return r;
}

void preload(FakeKnob &knob)
{
    knob.stored[1] = bytes("03 FD 02 01 01 00 03 | 00 00 F1 | 00 00 19 | 00 78 59");
    knob.stored[2] = bytes("03 FD 04 01 02 00 01 00 00 E9 00");
    knob.stored[4] = bytes("03 FD 06 01 01 00 02 | 00 00 F1 | 00 00 F3");
    knob.stored[5] = bytes("03 FD 03 01 03 01 04 00 00 00 00 00 01");
    knob.colour = bytes("03 FD 00 06 FF 80 00 4B 01");
}

} // namespace

// The round trip, a refused write, a lost knob and no knob run against the
// simulated knob through the real session in tst_clisession.
class TestCliCommands : public QObject
{
    Q_OBJECT

private slots:
    void usageErrors_data();
    void usageErrors();
    void invalidFileWritesNothing_data();
    void invalidFileWritesNothing();
    void dryRunFromStandardInput();
    void lightChangesOnlyWhatIsAsked();
    void listMarksTheUsedInterface();
    void knobRefusals_data();
    void knobRefusals();
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
}

void TestCliCommands::usageErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    FakeKnob knob;
    preload(knob);
    const Run r = run(args, &knob);
    QCOMPARE(r.code, int(CliUsage));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
    QCOMPARE(knob.opens, 0);
    QCOMPARE(knob.sentReports, 0);
}

void TestCliCommands::invalidFileWritesNothing_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("message");
    FakeKnob knob;
    preload(knob);
    const QByteArray good = run({"read"}, &knob).out.toUtf8();
    QTest::newRow("truncated") << good.left(good.size() / 2) << "invalid JSON at line";
    QTest::newRow("delay") << QByteArray(good).replace("\"delayMs\": 120", "\"delayMs\": 12")
                           << "keys[0].actions[1].delayMs: 12 is out of range";
}

void TestCliCommands::invalidFileWritesNothing()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("knob.json"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(json);
    f.close();
    FakeKnob knob;
    preload(knob);
    const auto before = knob.stored;
    const Run r = run({"write", path}, &knob);
    QCOMPARE(r.code, int(CliUsage));
    QVERIFY2(r.err.startsWith(QStringLiteral("veltranix-cli: %1: %2").arg(path, message)), qPrintable(r.err));
    QCOMPARE(knob.opens, 0);
    QCOMPARE(knob.sentReports, 0);
    QVERIFY(knob.stored == before);
}

void TestCliCommands::dryRunFromStandardInput()
{
    FakeKnob knob;
    preload(knob);
    const QByteArray file = run({"read"}, &knob).out.toUtf8();
    FakeKnob untouched;
    const Run r = run({"write", "--dry-run", "-"}, &untouched, file);
    QCOMPARE(r.code, int(CliOk));
    QCOMPARE(untouched.opens, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Per written key: the report, its copy, the end report; then the colour.
    QCOMPARE(lines.size(), 4 * 3 + 1);
    QCOMPARE(lines.first().split(QLatin1Char(' ')).size(), kReportSize);
    QVERIFY(lines.first().startsWith(QStringLiteral("03 FD 02 01 01 00 03 00 00 F1 00 00 19 00 78 59 00")));
    QVERIFY(lines[1].startsWith(QStringLiteral("03 FD 10 01 01 00 03")));
    QVERIFY(lines[2].startsWith(QStringLiteral("03 FD FE FF 00")));
    QVERIFY(lines.last().startsWith(QStringLiteral("03 FD 00 06 FF 80 00 4B 01 00")));
}

void TestCliCommands::lightChangesOnlyWhatIsAsked()
{
    FakeKnob knob;
    preload(knob);
    QCOMPARE(run({"light", "--brightness", "20"}, &knob).code, int(CliOk));
    QCOMPARE(packetToHexLine(knob.colour).left(26), QStringLiteral("03 FD 00 06 FF 80 00 14 01"));
    QCOMPARE(run({"light", "--color", "#00ff00", "--off"}, &knob).code, int(CliOk));
    QCOMPARE(packetToHexLine(knob.colour).left(26), QStringLiteral("03 FD 00 06 00 FF 00 14 00"));
}

void TestCliCommands::listMarksTheUsedInterface()
{
    resetWithKnob();
    FakeKnob knob;
    Run r = run({"list", "--json"}, &knob);
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
    r = run({"list"}, &knob);
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
    } else if (fault == QLatin1String("silent")) {
        hidsim::FirmwareOptions silent;
        silent.silent = true;
        hidsim::setFirmwareOptions(device, silent);
    } else {
        hid_device_info *list = hid_enumerate(0, 0);
        held = KnobOwnerLock::tryTake(KnobOwnerLock::knobIdentity(*list));
        hid_free_enumeration(list);
    }
    const Run r = run(args, nullptr);
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
        const QJsonArray list =
            QJsonDocument::fromJson(run({"list", "--json"}, nullptr).out.toUtf8()).array();
        QCOMPARE(list.size(), 3);
        for (const QJsonValue &v : list)
            QVERIFY(v.toObject().value(QStringLiteral("refused")).toBool());
    }
}

QTEST_GUILESS_MAIN(TestCliCommands)
#include "tst_clicommands.moc"
