// The command-line tool with its real link, the knob session, against the
// simulated knob: a backup restores byte for byte as the Save button writes
// it, and every failure of the device is an exit code and one sentence.
#include "cli/clicommands.h"
#include "cli/clidevice.h"
#include "device/packetutil.h"
#include "protocol/assignmentwrite.h"
#include "protocol/configjson.h"
#include "tests/fakes/hidsim/hidsim.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

constexpr int kVendorInterface = 2;

struct Run
{
    int code = -1;
    QString out;
    QString err;
};

Run cli(const QStringList &args)
{
    Run r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    CliContext c;
    c.out = &out;
    c.err = &err;
    c.openDevice = [] { return createCliDevice(); };
    r.code = runCli(QStringList{QStringLiteral("veltranix-cli")} + args, c);
    out.flush();
    err.flush();
    return r;
}

// Physical key 1: A then B after 120 ms; key 2: Volume +; an orange light.
int addStoredKnob()
{
    const int device = hidsim::addDevice(hidsim::knobDevice());
    hidsim::preloadAssignment(device, 1,
                              {0x03, 0xFD, 0x02, 0x01, 0x01, 0x00, 0x02, 0x00, 0x00, 0x04, 0x00, 0x78, 0x05});
    hidsim::preloadAssignment(device, 2, {0x03, 0xFD, 0x04, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0xE9});
    hidsim::preloadColour(device, {0x03, 0xFD, 0x00, 0x06, 0xFF, 0x80, 0x00, 0x64, 0x01});
    return device;
}

} // namespace

class TestCliSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { hidsim::reset(); }
    void cleanup() { QCOMPARE(hidsim::openHandleCount(), 0); }

    // read, write, read: the same file, and the write is the Save button's
    // reports in order.
    void backupRestoresExactly()
    {
        const int device = addStoredKnob();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("knob.json"));
        const Run first = cli({QStringLiteral("read"), QStringLiteral("-o"), file});
        QCOMPARE(first.code, int(CliOk));

        // Key 1 is changed on the knob; the backup must put it back.
        hidsim::preloadAssignment(device, 1, {0x03, 0xFD, 0x02, 0x01, 0x01, 0x00, 0x01, 0x00, 0x00, 0x1D});
        hidsim::clearWrites();
        const Run write = cli({QStringLiteral("write"), file});
        QCOMPARE(write.code, int(CliOk));

        QFile json(file);
        QVERIFY(json.open(QIODevice::ReadOnly));
        const ConfigJsonParse parsed = configDocumentFromJson(json.readAll());
        QVERIFY(parsed.ok);
        std::vector<Packet> expected;
        AssignmentWriteIo io;
        io.send = [&](const Packet &p, int knobKey) {
            const std::vector<Packet> list = buildSendList(p, knobKey);
            expected.insert(expected.end(), list.begin(), list.end());
            return int(p.size());
        };
        executeAssignmentWrite(planAssignmentWrite(snapshotFromDocument(parsed.document)), io);
        std::vector<Packet> written;
        for (const hidsim::WriteRecord &r : hidsim::writes()) {
            // The scan's probe, the read requests and the colour are not the save.
            const bool save = r.bytes.size() > 2 && r.bytes[1] == 0xFD && r.bytes[2] != 0x00;
            const bool probe = written.empty() && save && r.bytes[2] == 0xFE;
            if (r.result > 0 && save && !probe)
                written.push_back(r.bytes);
        }
        QCOMPARE(written, expected);

        const Run second = cli({QStringLiteral("read")});
        QCOMPARE(second.code, int(CliOk));
        json.seek(0);
        QCOMPARE(second.out.toUtf8(), json.readAll());
    }
};

QTEST_GUILESS_MAIN(TestCliSession)
#include "tst_clisession.moc"
