// The knob session against the simulated device, without any window: finding
// and losing the link, the liveness probe, the configuration read, single
// sends, the save and the lighting sends, as the signals and the wire show them.
#include "device/HidrawLink.h"
#include "device/KnobSession.h"
#include "device/configread.h"
#include "fakes/clock/ManualClock.h"
#include "protocol/knobdocument.h"
#include "protocol/packets.h"
#include "support/devicetestsupport.h"
#include "support/packetbytes.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

namespace {

const char *const kKeyA = "assignment 1 03 FD 02 01 01 00 01 00 00 04";
const char *const kKeyB = "assignment 2 03 FD 04 01 01 00 01 00 00 05";
const char *const kKeyC = "assignment 3 03 FD 05 01 01 00 01 00 00 06";
const char *const kKeyD = "assignment 4 03 FD 06 01 01 00 01 00 00 07";

// Everything the session reports, in the order it reports it.
class SessionEvents
{
public:
    explicit SessionEvents(KnobSession &s)
    {
        QObject::connect(&s, &KnobSession::connectionChanged, &s, [this](bool up) {
            m_events << (up ? QStringLiteral("up") : QStringLiteral("down"));
        });
        QObject::connect(&s, &KnobSession::configReadStarted, &s,
                         [this] { m_events << QStringLiteral("read"); });
        QObject::connect(&s, &KnobSession::configPacketRead, &s, [this](const Packet &p) {
            m_events << QStringLiteral("packet %1").arg(packetToHex(Packet(p.begin(), p.begin() + 10)));
        });
        QObject::connect(&s, &KnobSession::configurationRead, &s, [this](const KnobDocument &d) {
            m_events << QStringLiteral("document %1")
                            .arg(std::count_if(d.keys.begin(), d.keys.end(),
                                               [](const auto &k) { return !k.isEmpty(); }));
        });
        QObject::connect(&s, &KnobSession::configReadFinished, &s, [this](bool ok, bool any) {
            m_events << QStringLiteral("finished %1 %2").arg(int(ok)).arg(int(any));
        });
    }
    QStringList all() const { return m_events; }
    int count(const QString &prefix) const
    {
        return int(std::count_if(m_events.begin(), m_events.end(),
                                 [&](const QString &e) { return e.startsWith(prefix); }));
    }

private:
    QStringList m_events;
};

bool isEndPacket(const hidsim::WriteRecord &r)
{
    return r.bytes == buildAssignmentEndPacket();
}

int endPacketsSince(double ms)
{
    int n = 0;
    for (const hidsim::WriteRecord &r : writesSince(ms, false))
        n += isEndPacket(r) ? 1 : 0;
    return n;
}

// n ticks of the session's 100 ms presence timer.
void tick(ManualClock &clock, int n, int waitMs = 0)
{
    for (int i = 0; i < n; ++i) {
        clock.advance(100);
        if (waitMs > 0)
            QTest::qWait(waitMs);
    }
}

Packet withCommand(Packet p, unsigned char command)
{
    p[2] = command;
    return p;
}

Packet withByte0(Packet p, unsigned char b)
{
    p[0] = b;
    return p;
}

// Keys 1..4 the factory media actions, key 5 Ctrl+Z then A after 300 ms.
KnobDocument fiveKeyDocument()
{
    KnobDocument d;
    const char16_t *media[] = {u"音量-", u"音量+", u"屏幕亮度-", u"屏幕亮度+"};
    for (int k = 1; k <= 4; ++k)
        d.keys[k - 1] = {KnobAction::named(QString::fromUtf16(media[k - 1]))};
    d.keys[4] = {KnobAction::key(0x01, 0x1D), KnobAction::key(0, 0x04, 300)};
    return d;
}

// What fiveKeyDocument puts on the wire: per key its report, the compatibility
// copy with the older command code, and the end packet.
std::vector<Packet> fiveKeyReports()
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
    const Packet keys = buildKeyRecordsPacket(commandCodeForKnobKey(5), KeyboardAssignment,
                                              {{0, 0xF1}, {0, 0x1D}, {300, 0x04}});
    out.push_back(keys);
    out.push_back(withCommand(keys, legacy[4]));
    out.push_back(buildAssignmentEndPacket());
    return out;
}

LightSettings light(int r, int g, int b, int brightness, bool on)
{
    return {uchar(r), uchar(g), uchar(b), brightness, on};
}

// The write result of a raw report, once the session reports it.
int rawWrite(KnobSession &s, const Packet &p, int knobKey)
{
    QSignalSpy written(&s, &KnobSession::rawReportWritten);
    return s.sendRawReport(p, knobKey) && written.wait(10000) ? written.at(0).at(0).toInt() : -2;
}

bool workersIdle(const KnobSession &s)
{
    return !s.hasRunningWorkers();
}

} // namespace

class TestKnobSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        hidsim::setEnumerateDelay(0);
        QCOMPARE(hidsim::openHandleCount(), 0);
    }

    // ---- Finding and losing the link -------------------------------------------------

    void unplugTearsDownAndScanningResumes()
    {
        const int dev = resetWithKnob();
        KnobSession s;
        s.start();
        QVERIFY(connectAndReadSession(s));
        QSignalSpy changed(&s, &KnobSession::connectionChanged);
        hidsim::unplug(dev);
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, 3000);
        QCOMPARE(changed.at(0).at(0).toBool(), false);
        QVERIFY(!s.isConnected());
        QCOMPARE(hidsim::openHandleCount(), 0);

        // The silent polling looks for it again and takes it back once it is there.
        const int scans = hidsim::enumerateCount();
        QTRY_VERIFY_WITH_TIMEOUT(hidsim::enumerateCount() >= scans + 2, 5000);
        hidsim::replug(dev);
        QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 2, 5000);
        QCOMPARE(changed.at(1).at(0).toBool(), true);
        QCOMPARE(hidsim::openHandleCount(), 1);
    }

    void scansNeverOverlap()
    {
        hidsim::reset(); // nothing attached
        hidsim::setEnumerateDelay(1500);
        KnobSession s;
        s.start();
        QTRY_VERIFY_WITH_TIMEOUT(s.isScanRunning(), 3000);
        s.connectNow(); // a scan is running: does nothing
        QTRY_VERIFY_WITH_TIMEOUT(hidsim::enumerateCount() >= 3, 10000);
        QCOMPARE(hidsim::maxConcurrentEnumerations(), 1);
    }

    // The liveness probe is the end packet: it must not land inside a read
    // (whose answers it would disturb) nor inside a save (where it would end
    // a physical key's write early). Once either is over the probe resumes.
    void livenessProbeWaitsForReadAndSave_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("configuration read") << false;
        QTest::newRow("save") << true;
    }
    void livenessProbeWaitsForReadAndSave()
    {
        QFETCH(bool, save);
        const QString scenario = save ? QStringLiteral("device; write-delay 40")
                                      : QStringLiteral("device; answer-pace 20 400; %1; %2; %3; %4")
                                            .arg(kKeyA, kKeyB, kKeyC, kKeyD);
        QVERIFY(hidsim::loadScenario(scenario.toStdString()));
        const auto clock = std::make_shared<ManualClock>();
        KnobSession s(clock);
        s.start();
        QSignalSpy readDone(&s, &KnobSession::configReadFinished);
        QSignalSpy saved(&s, &KnobSession::saveFinished);
        QVERIFY(connectSession(s));
        if (save) {
            QTRY_COMPARE_WITH_TIMEOUT(readDone.size(), 1, 10000);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(s.isConfigReadInProgress(), 3000);
        }
        const double start = hidsim::nowMs();
        if (save)
            QVERIFY(s.save(fiveKeyDocument()));

        tick(*clock, 30, 10); // three probe periods
        QVERIFY2(save ? s.isSaveRunning() : s.isConfigReadInProgress(), "finished before the ticks");
        if (save) {
            QTRY_COMPARE_WITH_TIMEOUT(saved.size(), 1, 15000);
            QCOMPARE(endPacketsSince(start), 5); // the save's own, one per key
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(readDone.size(), 1, 15000);
            QCOMPARE(endPacketsSince(start), 0);
        }

        const double after = hidsim::nowMs();
        tick(*clock, 10);
        const auto probes = writesSince(after, false);
        QCOMPARE(probes.size(), std::size_t(1));
        QVERIFY(isEndPacket(probes.front()));
    }

    // A start-up (logged) scan that meets a busy device only reports it; a
    // polling scan that does backs off for two ticks.
    void exclusiveOpenFailureSkipsTwoTicks()
    {
        const int dev = resetWithKnob();
        for (int i = 0; i < 3; ++i)
            hidsim::setOpenError(dev, i, "Device or resource busy (exclusive)");
        const auto clock = std::make_shared<ManualClock>();
        KnobSession s(clock);
        s.start();
        s.connectNow();
        QTRY_VERIFY_WITH_TIMEOUT(!s.isScanRunning(), 5000);

        struct Phase
        {
            const char *what;
            int quietTicks; // ticks without a scan, then one that starts one
        };
        const Phase phases[] = {{"after the logged scan: no back-off", 9},
                                {"after the polling scan: two more", 11}};
        for (const Phase &phase : phases) {
            const int before = hidsim::enumerateCount();
            tick(*clock, phase.quietTicks);
            QVERIFY2(!s.isScanRunning(), phase.what);
            tick(*clock, 1);
            QVERIFY2(s.isScanRunning(), phase.what);
            QTRY_VERIFY_WITH_TIMEOUT(!s.isScanRunning(), 3000);
            QCOMPARE(hidsim::enumerateCount(), before + 1);
            QVERIFY(!s.isConnected());
        }
    }

    void sessionDestroyedWhileWorkerHoldsFoundHandle()
    {
        const int dev = resetWithKnob();
        hidsim::FirmwareOptions slow;
        slow.writeDelayMs = 400;
        hidsim::setFirmwareOptions(dev, slow);
        auto s = std::make_unique<KnobSession>();
        QSignalSpy changed(s.get(), &KnobSession::connectionChanged);
        s->connectNow();
        // The vendor interface is open and its probe is on its way.
        QTRY_VERIFY_WITH_TIMEOUT(hidsim::openCount(dev, 2) == 1, 5000);
        QCOMPARE(hidsim::openHandleCount(), 1);
        const std::size_t written = hidsim::writes().size();
        s.reset();
        QCOMPARE(hidsim::openHandleCount(), 0);
        QTest::qWait(600);
        for (const QList<QVariant> &args : std::as_const(changed))
            QVERIFY(!args.at(0).toBool());
        // The probe on its way is the last write: no read request follows it.
        QVERIFY(hidsim::writes().size() <= written + 1);
    }

    void idSwitchOnlyWhileDisconnected()
    {
        hidsim::reset();
        hidsim::addDevice(hidsim::knobDevice(0x514C, 0x8850));
        KnobSession s;
        QSignalSpy switched(&s, &KnobSession::deviceIdsSwitched);
        QSignalSpy changed(&s, &KnobSession::connectionChanged);
        QVERIFY(s.usesDefaultDeviceIds());
        s.switchDeviceIds();
        QVERIFY(!s.usesDefaultDeviceIds());
        QCOMPARE(switched.size(), 1);
        QCOMPARE(switched.at(0).at(0).toString(), QStringLiteral("VID=0x514c PID=0x8850"));
        // The switch scans for the other pair at once.
        QTRY_VERIFY_WITH_TIMEOUT(s.isConnected(), 5000);
        s.switchDeviceIds();
        QVERIFY(!s.usesDefaultDeviceIds());
        QCOMPARE(switched.size(), 1);
        QVERIFY(s.isConnected());
    }

    // ---- Single sends ---------------------------------------------------------------

    void compatibilityCopyAndRetries_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("knobKey");
        QTest::addColumn<int>("failFirst"); // writes the vendor interface refuses
        QTest::addColumn<unsigned>("reject");
        QTest::addColumn<int>("shortAt"); // the write taken one byte short
        QTest::addColumn<int>("expectedResult");
        QTest::addColumn<QList<int>>("ladder"); // indexes into: packet, copy, packet id 0, packet 64 bytes,
                                                // copy id 0, copy 64 bytes
        const unsigned l65 = hidsim::Layout65, l0 = hidsim::LayoutReportIdZero, l64 = hidsim::Layout64;
        QTest::newRow("both accepted") << 65 << 3 << 0 << 0u << -1 << 65 << QList<int>{0, 1};
        QTest::newRow("packet fails, copy ok: no retry")
            << 65 << 3 << 1 << 0u << -1 << 65 << QList<int>{0, 1};
        QTest::newRow("no key selected: packet alone") << 65 << 0 << 0 << 0u << -1 << 65 << QList<int>{0};
        QTest::newRow("id 0 accepted") << 65 << 3 << 0 << l65 << -1 << 65 << QList<int>{0, 1, 2};
        QTest::newRow("only 64 bytes accepted")
            << 65 << 3 << 0 << (l65 | l0) << -1 << 64 << QList<int>{0, 1, 2, 3};
        QTest::newRow("none taken") << 65 << 3 << 0 << (l65 | l0 | l64) << -1 << -1
                                    << QList<int>{0, 1, 2, 3, 4, 5};
        QTest::newRow("short write: not taken, retried") << 65 << 0 << 0 << 0u << 0 << 65 << QList<int>{0, 2};
        QTest::newRow("64 bytes: id 0 retry only") << 64 << 0 << 2 << 0u << -1 << -1 << QList<int>{0, 2};
    }
    void compatibilityCopyAndRetries()
    {
        QFETCH(int, size);
        QFETCH(int, knobKey);
        QFETCH(int, failFirst);
        QFETCH(unsigned, reject);
        QFETCH(int, shortAt);
        QFETCH(int, expectedResult);
        QFETCH(QList<int>, ladder);
        const int dev = resetWithKnob();
        KnobSession s;
        QVERIFY(connectAndReadSession(s));
        hidsim::InterfaceConfig faults;
        faults.failFirstWrites = failFirst;
        faults.rejectLayouts = reject;
        faults.shortWriteAt = shortAt;
        hidsim::setInterfaceFaults(dev, 2, faults);
        const double since = hidsim::nowMs();

        const Packet p = bytes("03 FD 05 01 01 00 01 00 00 04", size);
        const Packet copy = withCommand(p, 0x13);
        const std::vector<Packet> all = {p,
                                         copy,
                                         withByte0(p, 0x00),
                                         Packet(p.begin() + 1, p.end()),
                                         withByte0(copy, 0x00),
                                         Packet(copy.begin() + 1, copy.end())};
        QCOMPARE(rawWrite(s, p, knobKey), expectedResult);
        const auto w = writesSince(since);
        QCOMPARE(int(w.size()), int(ladder.size()));
        for (int i = 0; i < ladder.size(); ++i)
            QCOMPARE(w[std::size_t(i)].bytes, all[std::size_t(ladder[i])]);
    }

    // ---- Configuration read ---------------------------------------------------------

    void configurationRead_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QStringList>("expected"); // events after "up"
        QTest::addColumn<int>("requests");

        const QString a = QStringLiteral("packet 03 FD 02 01 01 00 01 00 00 04");
        const QString b = QStringLiteral("packet 03 FD 04 01 01 00 01 00 00 05");
        const QString c = QStringLiteral("packet 03 FD 05 01 01 00 01 00 00 06");
        const QString colour = QStringLiteral("packet 03 FD 00 06 FF 80 00 64 01 00");
        const QString read = QStringLiteral("read"), ok = QStringLiteral("finished 1 1");
        const auto doc = [](int keys) { return QStringLiteral("document %1").arg(keys); };
        QTest::newRow("keys in order, then the colour")
            << QStringLiteral("device; %1; %2; %3; colour 03 FD 00 06 FF 80 00 64 01")
                   .arg(kKeyC, kKeyA, kKeyB)
            << QStringList{read, a, b, c, colour, doc(3), ok} << 1;
        QTest::newRow("answers 400 ms apart keep it going")
            << QStringLiteral("device; answer-pace 20 400; %1; %2; %3").arg(kKeyA, kKeyB, kKeyC)
            << QStringList{read, a, b, c, doc(3), ok} << 1;
        // Within the 5 s the first answer is given, the request is not repeated.
        QTest::newRow("first answer after 3 s")
            << QStringLiteral("device; answer-pace 3000 20; %1").arg(kKeyA)
            << QStringList{read, a, doc(1), ok} << 1;
        QTest::newRow("a 600 ms gap ends it after the first")
            << QStringLiteral("device; answer-pace 20 600; %1; %2; %3").arg(kKeyA, kKeyB, kKeyC)
            << QStringList{read, a, doc(1), ok} << 1;
        QTest::newRow("extra report byte dropped")
            << QStringLiteral("device; extra-report-byte; %1").arg(kKeyA) << QStringList{read, a, doc(1), ok}
            << 1;
        QTest::newRow("nothing stored: the end packet first")
            << QStringLiteral("device") << QStringList{read, doc(0), ok} << 1;
        QTest::newRow("silent: asked twice, then nothing")
            << QStringLiteral("device; silent; %1").arg(kKeyA)
            << QStringList{read, QStringLiteral("finished 1 0")} << 2;
    }
    void configurationRead()
    {
        QFETCH(QString, scenario);
        QFETCH(QStringList, expected);
        QFETCH(int, requests);
        QVERIFY(hidsim::loadScenario(scenario.toStdString()));
        KnobSession s;
        SessionEvents events(s);
        QVERIFY(connectSession(s));
        QTRY_VERIFY_WITH_TIMEOUT(events.count(QStringLiteral("finished")) == 1, 20000);
        QTest::qWait(50);
        QCOMPARE(events.all(), QStringList{QStringLiteral("up")} + expected);
        QCOMPARE(hidsim::readRequestCount(0), requests);
        QVERIFY(!s.isConfigReadInProgress());
        QVERIFY(s.isConnected());

        // A read already running is not started twice.
        s.readConfiguration();
        s.readConfiguration();
        QTRY_VERIFY_WITH_TIMEOUT(events.count(QStringLiteral("finished")) == 2, 20000);
        QCOMPARE(hidsim::readRequestCount(0), 2 * requests);
        QCOMPARE(events.count(QStringLiteral("read")), 2);
    }

    // The 5 s repeat of a read request leaves a second set of answers queued:
    // it is dropped before the next request, not taken for its answers. A
    // knob that answers only after 2.5 s is heard, by a read and by a read
    // request sent by hand alike.
    void staleAnswersAreNotTakenForTheAnswer()
    {
        QVERIFY(
            hidsim::loadScenario(QStringLiteral("device; answer-pace 5100 5; %1").arg(kKeyA).toStdString()));
        KnobSession s;
        SessionEvents events(s);
        QVERIFY(connectAndReadSession(s));
        QCOMPARE(hidsim::readRequestCount(0), 2);
        hidsim::FirmwareOptions fw = hidsim::firmwareOptions(0);
        fw.firstAnswerDelayMs = 2500;
        hidsim::setFirmwareOptions(0, fw);
        hidsim::preloadAssignment(0, 1, bytes("03 FD 02 01 01 00 01 00 00 05"));
        QTest::qWait(5200); // the repeat's answers arrive and wait unread
        s.readConfiguration();
        QTRY_COMPARE_WITH_TIMEOUT(events.count(QStringLiteral("finished")), 2, 15000);
        QCOMPARE(events.all().mid(events.all().size() - 3),
                 (QStringList{QStringLiteral("packet 03 FD 02 01 01 00 01 00 00 05"),
                              QStringLiteral("document 1"), QStringLiteral("finished 1 1")}));
        QSignalSpy answers(&s, &KnobSession::rawReportAnswer);
        QSignalSpy rawDone(&s, &KnobSession::rawReadBackFinished);
        QVERIFY(s.sendRawReport(buildReadRequestPacket(), 0));
        QVERIFY(rawDone.wait(10000));
        QCOMPARE(answers.size(), 2); // key 1 and the end packet
    }

    // One operation at a time: a save asked for during a read waits for its
    // end (a raw send is refused meanwhile), and the read gets every answer.
    void saveDuringAReadWaits()
    {
        QVERIFY(hidsim::loadScenario(QStringLiteral("device; answer-pace 20 300; %1; %2; %3; %4")
                                         .arg(kKeyA, kKeyB, kKeyC, kKeyD)
                                         .toStdString()));
        KnobSession s;
        SessionEvents events(s);
        double readEnd = -1;
        QObject::connect(&s, &KnobSession::configReadFinished, &s, [&] { readEnd = hidsim::nowMs(); });
        QSignalSpy saved(&s, &KnobSession::saveFinished);
        QVERIFY(connectSession(s));
        QTRY_COMPARE_WITH_TIMEOUT(events.count(QStringLiteral("packet")), 1, 5000);
        const double start = hidsim::nowMs();
        using Kind = KnobOperations::Kind;
        QCOMPARE(s.mayStart(Kind::RawSend), KnobSession::Refusal::Reading);
        QCOMPARE(s.mayStart(Kind::Save), KnobSession::Refusal::None); // it waits instead
        QVERIFY(s.save(fiveKeyDocument()));
        QCOMPARE(s.mayStart(Kind::Save), KnobSession::Refusal::Saving);
        QVERIFY(!s.save(fiveKeyDocument()));
        QVERIFY(!s.sendRawReport(buildReadRequestPacket(), 0));
        QTRY_COMPARE_WITH_TIMEOUT(saved.size(), 1, 20000);
        QVERIFY(saved.at(0).at(0).toBool());
        QCOMPARE(s.mayStart(Kind::RawSend), KnobSession::Refusal::None);
        QCOMPARE(events.count(QStringLiteral("packet")), 4);
        const auto w = writesSince(start, false);
        QCOMPARE(w.size(), fiveKeyReports().size());
        QVERIFY2(w.front().timeMs >= readEnd, "the save wrote during the read");
    }

    // A write of an operation whose link was replaced (a replug) reaches nothing.
    void writesCheckTheLinkGeneration()
    {
        resetWithKnob();
        hid_device_info *list = hid_enumerate(0, 0);
        std::string path;
        for (const hid_device_info *i = list; i; i = i->next)
            path = i->interface_number == 2 ? i->path : path;
        hid_free_enumeration(list);
        HidrawLink link;
        const unsigned long long first = link.install(hid_open_path(path.c_str()));
        link.close();
        const unsigned long long second = link.install(hid_open_path(path.c_str()));
        const double since = hidsim::nowMs();
        const std::vector<Packet> end = {buildAssignmentEndPacket()};
        QCOMPARE(link.writeReportsOn(first, end), -1);
        QCOMPARE(link.writeReportsOn(second, end), kReportSize);
        QCOMPARE(writesSince(since).size(), std::size_t(1));
    }

    // ---- Save ----------------------------------------------------------------------

    // A save asked to stop, or still running at shutdown past its few seconds
    // of grace, ends after a whole key: what went out is the save's own
    // reports up to an end packet, each end 100 ms after the report before
    // it. One that fits in the grace is written whole.
    void saveCutShortEndsOnAWholeKey_data()
    {
        QTest::addColumn<int>("writeDelayMs");
        QTest::addColumn<bool>("shutdown");
        QTest::addColumn<bool>("whole");
        QTest::newRow("stop asked") << 100 << false << false;
        QTest::newRow("shutdown past the grace") << 400 << true << false;
        QTest::newRow("shutdown within the grace") << 0 << true << true;
    }
    void saveCutShortEndsOnAWholeKey()
    {
        QFETCH(int, writeDelayMs);
        QFETCH(bool, shutdown);
        QFETCH(bool, whole);
        const int dev = resetWithKnob();
        KnobSession s;
        QVERIFY(connectAndReadSession(s));
        hidsim::FirmwareOptions fw = hidsim::firmwareOptions(dev);
        fw.writeDelayMs = writeDelayMs;
        hidsim::setFirmwareOptions(dev, fw);
        QSignalSpy saved(&s, &KnobSession::saveFinished);
        const double start = hidsim::nowMs();
        QVERIFY(s.save(fiveKeyDocument()));
        QVERIFY(QTest::qWaitFor([&] { return !writesSince(start, false).empty(); }, 10000));
        if (shutdown) {
            s.shutdown();
        } else {
            s.stopSaveAfterCurrentKey();
            QTRY_COMPARE_WITH_TIMEOUT(saved.size(), 1, 15000);
            QCOMPARE(saved.at(0).at(0).toBool(), false);
        }
        const std::vector<hidsim::WriteRecord> writes = writesSince(start, false);
        const std::vector<Packet> expected = fiveKeyReports();
        QVERIFY(!writes.empty() && writes.size() % 3 == 0);
        QCOMPARE(writes.size() == expected.size(), whole);
        for (std::size_t i = 0; i < writes.size(); ++i) {
            QCOMPARE(writes[i].bytes, expected[i]);
            QVERIFY(writes[i].result > 0);
            // The firmware needs at least 100 ms before every end report.
            QVERIFY(!isEndPacket(writes[i]) || writes[i].timeMs - writes[i - 1].timeMs >= 99.5);
        }
    }

    // The read after a save: a key the knob did not keep is named, a key the
    // save left empty keeps the knob's own actions, and the answers come along.
    void saveReadsBack_data()
    {
        QTest::addColumn<int>("dropKey");
        QTest::addColumn<bool>("emptyKey2");
        QTest::addColumn<QList<int>>("differing");
        QTest::newRow("stored") << 0 << false << QList<int>{};
        QTest::newRow("key 3 not stored") << 3 << false << QList<int>{3};
        QTest::newRow("key 2 left empty") << 0 << true << QList<int>{};
    }
    void saveReadsBack()
    {
        QFETCH(int, dropKey);
        QFETCH(bool, emptyKey2);
        QFETCH(QList<int>, differing);
        const int dev = resetWithKnob();
        const Packet old = buildMultimediaKeyPacket(commandCodeForKnobKey(2), 0x00E2);
        hidsim::preloadAssignment(dev, 2, old);
        hidsim::preloadAssignment(dev, 3, withCommand(old, commandCodeForKnobKey(3)));
        hidsim::FirmwareOptions fw = hidsim::firmwareOptions(dev);
        fw.dropKey = dropKey;
        hidsim::setFirmwareOptions(dev, fw);
        KnobSession s;
        QVERIFY(connectAndReadSession(s));
        KnobDocument document = fiveKeyDocument();
        if (emptyKey2)
            document.keys[1].clear();
        QSignalSpy checked(&s, &KnobSession::saveChecked);
        QVERIFY(s.save(document));
        QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 1, 15000);
        const SaveOutcome outcome = checked.at(0).at(0).value<SaveOutcome>();
        QVERIFY(outcome.written && outcome.readBack);
        QCOMPARE(outcome.check.differingKeys, differing);
        QCOMPARE(outcome.confirmed(), differing.isEmpty());
        QCOMPARE(outcome.unwrittenKeys, emptyKey2 ? QList<int>{2} : QList<int>{});
        // What the window needs to show the knob's own key 2 again.
        const bool oldKey2Answered = std::any_of(outcome.packets.begin(), outcome.packets.end(),
                                                 [&](const Packet &p) { return p == old; });
        QCOMPARE(oldKey2Answered, emptyKey2);
    }

    // ---- Lighting ------------------------------------------------------------------

    // A drag sends only where it stops: ten changes, each well inside the
    // coalescing window of the one before but spanning more than the window
    // together, give one packet after the last change with its values.
    void lightingCoalescesSpacedChanges()
    {
        resetWithKnob();
        KnobSession s;
        QVERIFY(connectAndReadSession(s));
        for (int attempt = 0; attempt < 3; ++attempt) {
            hidsim::clearWrites();
            QElapsedTimer gap;
            qint64 widest = 0;
            double lastChange = 0;
            for (int i = 1; i <= 10; ++i) {
                if (i > 1) {
                    QTest::qWait(5);
                    widest = std::max(widest, gap.elapsed());
                }
                lastChange = hidsim::nowMs();
                gap.start();
                s.queueLighting(light(i * 10, 0, 255 - i, i * 5, i % 2 == 0));
            }
            QTRY_VERIFY_WITH_TIMEOUT(!hidsim::writes().empty() && workersIdle(s), 10000);
            QTest::qWait(100);
            // A loaded machine that paused longer than the window between two
            // changes lets a packet go legitimately: try the drag again.
            if (widest >= 18)
                continue;
            const auto sent = writesSince(0);
            QCOMPARE(sent.size(), std::size_t(1));
            QCOMPARE(sent.front().bytes, light(100, 0, 245, 50, true).packet());
            QVERIFY(sent.front().timeMs > lastChange);
            return;
        }
        QSKIP("the event loop never kept the changes inside the coalescing window");
    }

    // Changes made during a save stay off the wire until its last report,
    // then go out once with the newest values.
    void lightingWaitsForTheSave()
    {
        QVERIFY(hidsim::loadScenario("device; write-delay 100")); // a save of seconds
        KnobSession s;
        QVERIFY(connectAndReadSession(s));
        const double start = hidsim::nowMs();
        s.queueLighting(light(9, 9, 9, 90, true)); // its coalescing timer runs out during the save
        QVERIFY(s.save(fiveKeyDocument()));
        for (int i = 1; i <= 3; ++i, QTest::qWait(60)) // each past the coalescing window
            s.queueLighting(light(i, i, i, i * 10, true));
        QVERIFY(s.isSaveRunning());
        QTRY_VERIFY_WITH_TIMEOUT(s.lightSendsCompleted() > 0 && workersIdle(s), 15000);
        QTest::qWait(100);
        std::vector<Packet> expected = fiveKeyReports();
        expected.push_back(light(3, 3, 3, 30, true).packet());
        std::vector<Packet> sent;
        for (const hidsim::WriteRecord &r : writesSince(start, false))
            sent.push_back(r.bytes);
        QCOMPARE(sent, expected);
    }

    void lightingFailureIsReportedOnce()
    {
        const int dev = resetWithKnob();
        KnobSession s;
        QVERIFY(connectAndReadSession(s));
        QSignalSpy failed(&s, &KnobSession::lightingSendFailed);
        hidsim::setFailAllWrites(dev, 2, true);
        s.queueLighting(light(255, 0, 0, 80, true));
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(workersIdle(s), 5000);
        QVERIFY(hidsim::storedColour(dev).empty());

        hidsim::setFailAllWrites(dev, 2, false);
        s.queueLighting(light(0, 255, 0, 80, true));
        QTRY_VERIFY_WITH_TIMEOUT(!hidsim::storedColour(dev).empty() && workersIdle(s), 10000);
        QTest::qWait(100);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(hidsim::storedColour(dev), light(0, 255, 0, 80, true).packet());
    }

    // An answer read just before the link went belongs to that link: it is
    // dropped, not shown as an answer of whatever is plugged in now.
    void rawAnswersOfAGoneLinkAreDropped()
    {
        resetWithKnob();
        KnobSession s;
        QVERIFY(connectAndReadSession(s));
        QSignalSpy answers(&s, &KnobSession::rawReportAnswer);
        QSignalSpy finished(&s, &KnobSession::rawReadBackFinished);
        QVERIFY(s.sendRawReport(buildReadRequestPacket(), 0));
        QThread::msleep(1500); // the worker reads and posts; nothing is delivered meanwhile
        s.disconnect();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
        QCOMPARE(answers.size(), 0);
    }

    // The demo knob: its sample is read, a save is stored and reads back
    // equal, a colour goes out, and hidapi is never asked for anything.
    void demoKnobNeedsNoHidapi()
    {
        hidsim::reset();
        KnobSession s;
        SessionEvents events(s);
        QSignalSpy checked(&s, &KnobSession::saveChecked);
        QSignalSpy lightFailed(&s, &KnobSession::lightingSendFailed);
        s.startDemo();
        QTRY_COMPARE_WITH_TIMEOUT(events.count(QStringLiteral("finished 1 1")), 1, 10000);
        QCOMPARE(events.count(QStringLiteral("packet")), 6); // five gestures and the light
        QVERIFY(s.save(fiveKeyDocument()));
        QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 1, 15000);
        QVERIFY(checked.at(0).at(0).value<SaveOutcome>().confirmed());
        s.queueLighting(light(1, 2, 3, 40, true));
        QTRY_VERIFY_WITH_TIMEOUT(s.lightSendsCompleted() > 0 && workersIdle(s), 10000);
        QCOMPARE(lightFailed.size(), 0);
        QCOMPARE(hidsim::enumerateCount(), 0);
        QVERIFY(hidsim::writes().empty());
    }
};

QTEST_GUILESS_MAIN(TestKnobSession)
#include "tst_knobsession.moc"
