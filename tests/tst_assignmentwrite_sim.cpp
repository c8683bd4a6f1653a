// The whole-knob save against the simulated device: exact reports, their
// order, the compatibility copies and the pauses the firmware needs.
#include "protocol/assignmentwrite.h"
#include "protocol/keyvocabulary.h"
#include "protocol/packets.h"
#include "support/devicetestsupport.h"
#include "ui/pages/DelayWidget.h"

#include <QLoggingCategory>
#include <QTest>

#include <thread>

class KnobModelTestAccess
{
public:
    static void addPlain(MainLayoutWidget &w, int k, unsigned short v)
    {
        w.m_knobKeyCodes[k - 1] << v;
        w.m_knobDisplayNames[k - 1] << w.keyCodeToString(v);
    }
    static void addName(MainLayoutWidget &w, int k, const QString &name)
    {
        w.m_knobCombinations[k - 1] << name;
        w.m_knobDisplayNames[k - 1] << name;
    }
    static int selected(const MainLayoutWidget &w) { return w.m_selectedKnobKey; }
};

namespace {

Packet withCommand(Packet p, unsigned char command)
{
    p[2] = command;
    return p;
}

Packet keyRecords(int k, const QList<KeyWithDelay> &records)
{
    return buildKeyRecordsPacket(commandCodeForKnobKey(k), KeyboardAssignment, records);
}

// Defaults on keys 1..4, and on key 5 Ctrl+Z then A after 300 ms.
void fillModel(MainLayoutWidget &w, DelayWidget &delays)
{
    const char16_t *media[] = {u"音量-", u"音量+", u"屏幕亮度-", u"屏幕亮度+"};
    for (int k = 1; k <= 4; ++k)
        KnobModelTestAccess::addName(w, k, QString::fromUtf16(media[k - 1]));
    KnobModelTestAccess::addName(w, 5, QStringLiteral("Ctrl+Z"));
    KnobModelTestAccess::addPlain(w, 5, 0x04);
    delays.setDelayForVirtualKey(5, 1, 300);
}

std::vector<Packet> expectedReports()
{
    const unsigned short usages[] = {0x00EA, 0x00E9, 0x0070, 0x006F};
    const unsigned char legacy[] = {0x10, 0x12, 0x13, 0x15, 0x11};
    std::vector<Packet> out;
    for (int k = 1; k <= 4; ++k) {
        const Packet media = buildMultimediaKeyPacket(commandCodeForKnobKey(k), usages[k - 1]);
        out.push_back(media);
        out.push_back(withCommand(media, legacy[k - 1]));
        out.push_back(buildAssignmentEndPacket());
    }
    const Packet keys = keyRecords(5, {{0, 0xF1}, {0, 0x1D}, {300, 0x04}});
    out.push_back(keys);
    out.push_back(withCommand(keys, legacy[4]));
    out.push_back(buildAssignmentEndPacket());
    return out;
}

// Connected, no liveness probes, and with the model of fillModel.
bool connectFilled(MainLayoutWidget &w)
{
    MainLayoutWidgetTestAccess::stopStatusTimer(w);
    if (!connectWindow(w))
        return false;
    MainLayoutWidgetTestAccess::stopStatusTimer(w);
    fillModel(w, *new DelayWidget(&w));
    return true;
}

} // namespace

class TestAssignmentWriteSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false")); }

    // Saved from a worker, as the save command does over USB.
    void saveFromWorker()
    {
        const int device = resetWithKnob();
        MainLayoutWidget w;
        QVERIFY(connectFilled(w));

        const double start = hidsim::nowMs();
        const KnobModelSnapshot snapshot = w.takeKnobModelSnapshot();
        AssignmentWriteResult result;
        // Nothing of the save comes back through the event loop, so joining is enough.
        std::thread worker([&] { result = w.writeKnobModelSnapshot(snapshot); });
        worker.join();

        QVERIFY(result.ok);
        QCOMPARE(KnobModelTestAccess::selected(w), 0);
        const std::vector<hidsim::WriteRecord> writes = writesSince(start, false);
        const std::vector<Packet> expected = expectedReports();
        QCOMPARE(writes.size(), expected.size());
        for (std::size_t i = 0; i < writes.size(); ++i) {
            QCOMPARE(writes[i].bytes, expected[i]);
            QVERIFY(writes[i].result > 0);
        }
        // Before every end report the firmware gets at least 100 ms.
        for (std::size_t i = 1; i < writes.size(); ++i) {
            if (writes[i].bytes == buildAssignmentEndPacket())
                QVERIFY2(writes[i].timeMs - writes[i - 1].timeMs >= 99.5,
                         qPrintable(QStringLiteral("gap before report %1: %2 ms")
                                        .arg(i)
                                        .arg(writes[i].timeMs - writes[i - 1].timeMs)));
        }
        // The firmware now holds each key's newest report.
        const std::map<int, Packet> stored = hidsim::storedAssignments(device);
        QCOMPARE(stored.size(), std::size_t(5));
        QCOMPARE(int(stored.at(5)[4]), int(KeyboardAssignment));
        QCOMPARE(int(stored.at(2)[9]), 0xE9);
        QCOMPARE(hidsim::openHandleCount(), 1);
    }

    // Key 1's media report fails in every layout; the save reports the failure
    // but still closes key 1 and writes keys 2..5.
    void failingReportDoesNotStopTheSave()
    {
        resetWithKnob();
        MainLayoutWidget w;
        QVERIFY(connectFilled(w));

        const double start = hidsim::nowMs();
        // The report, its copy and the two retries of each.
        hidsim::setFailFirstWrites(0, 2, 6);
        QVERIFY(!w.sendSelectedKeysToHardware());

        std::vector<Packet> accepted;
        int refused = 0;
        for (const hidsim::WriteRecord &r : writesSince(start, false)) {
            if (r.result > 0)
                accepted.push_back(r.bytes);
            else
                ++refused;
        }
        QCOMPARE(refused, 6);
        std::vector<Packet> expected = expectedReports();
        expected.erase(expected.begin(), expected.begin() + 2);
        QCOMPARE(accepted, expected);
    }

    void notConnectedWritesNothing()
    {
        resetWithKnob();
        MainLayoutWidget w;
        MainLayoutWidgetTestAccess::stopStatusTimer(w);
        KnobModelTestAccess::addPlain(w, 1, 0x04);
        const double start = hidsim::nowMs();
        QVERIFY(!w.sendSelectedKeysToHardware());
        QVERIFY(writesSince(start).empty());
    }

    // The single-action senders address the selected key.
    void actionSendersUseTheSelectedKey()
    {
        resetWithKnob();
        MainLayoutWidget w;
        MainLayoutWidgetTestAccess::stopStatusTimer(w);
        QVERIFY(connectWindow(w));
        MainLayoutWidgetTestAccess::stopStatusTimer(w);
        MainLayoutWidgetTestAccess::setSelectedKnobKey(w, 3);
        const double start = hidsim::nowMs();
        QVERIFY(w.sendProcreateKey(QStringLiteral("撤销")));
        QVERIFY(!w.sendProcreateKey(QStringLiteral("Undo")));
        QVERIFY(w.sendLightKey(0xF3));
        QVERIFY(!w.sendStandardKey(0, 0));
        QVERIFY(w.sendMouseKey(QStringLiteral("点赞"), 0, 0));
        const std::vector<hidsim::WriteRecord> writes = writesSince(start, false);
        const Packet undo = buildProcreateKeyPacket(0x05, QStringLiteral("撤销"));
        const std::vector<Packet> light = buildLightModePackets(0xF3);
        const Packet like = buildMouseKeyPacket(0x05, QStringLiteral("点赞"));
        const std::vector<Packet> expected = {undo, withCommand(undo, 0x13), light[0], light[1], light[2],
                                              like, withCommand(like, 0x13)};
        QCOMPARE(writes.size(), expected.size());
        for (std::size_t i = 0; i < writes.size(); ++i)
            QCOMPARE(writes[i].bytes, expected[i]);
    }
};

QTEST_MAIN(TestAssignmentWriteSim)
#include "tst_assignmentwrite_sim.moc"
