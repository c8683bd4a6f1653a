// The configuration read against the simulated knob: pacing, silence, the end
// packet, the extra report byte, a lost link and a window closed mid-read.
#include "support/configtestsupport.h"
#include "support/devicetestsupport.h"

#include "support/packetbytes.h"

#include <QTest>

#include <memory>

namespace {

using Access = ConfigReadTestAccess;

const char *const kKeyA = "assignment 1 03 FD 02 01 01 00 01 00 00 04";
const char *const kKeyB = "assignment 2 03 FD 04 01 01 00 01 00 00 05";
const char *const kKeyC = "assignment 3 03 FD 05 01 01 00 01 00 00 06";
const char *const kKeyD = "assignment 4 03 FD 06 01 01 00 01 00 00 07";

int readEnds(const LogRecorder &log)
{
    return log.count(QStringLiteral("后台配置读取结束")) +
           log.count(QStringLiteral("2秒内未收到配置包，保持当前UI状态")) +
           log.count(QStringLiteral("后台读取配置失败，保留当前UI状态"));
}

int readRequestWrites()
{
    int n = 0;
    for (const hidsim::WriteRecord &r : hidsim::writes()) {
        if (r.bytes.size() == 65 && r.bytes[0] == 0x03 &&
            std::all_of(r.bytes.begin() + 1, r.bytes.end(), [](unsigned char b) { return b == 0xFF; }))
            ++n;
    }
    return n;
}

// A window on a freshly loaded scenario, connected; its status timer stays off
// so that no liveness probe interleaves with what a test observes.
std::unique_ptr<MainLayoutWidget> connectedWindow(const QString &scenario)
{
    if (!hidsim::loadScenario(scenario.toStdString()))
        return nullptr;
    auto w = std::make_unique<MainLayoutWidget>();
    MainLayoutWidgetTestAccess::stopStatusTimer(*w);
    if (!connectWindow(*w))
        return nullptr;
    return w;
}

} // namespace

class TestConfigRead : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Answers 400 ms apart keep the read going; a 600 ms gap ends it after
    // the first one, as a success.
    void pacing_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("keysRead");
        QTest::newRow("400 ms apart") << 400 << 3;
        QTest::newRow("600 ms gap") << 600 << 1;
    }
    void pacing()
    {
        QFETCH(int, interval);
        QFETCH(int, keysRead);
        LogRecorder log;
        auto w = connectedWindow(
            QStringLiteral("device; answer-pace 20 %1; %2; %3; %4").arg(interval).arg(kKeyA, kKeyB, kKeyC));
        QVERIFY(w);
        QTRY_VERIFY_WITH_TIMEOUT(readEnds(log) > 0, 15000);
        QCOMPARE(log.count(QStringLiteral("后台配置读取结束")), 1);
        QVERIFY(!w->isConfigReadInProgress());
        const QList<unsigned short> expected[3] = {{0x04}, {0x05}, {0x06}};
        for (int k = 1; k <= 3; ++k)
            QCOMPARE(Access::keyCodes(*w, k), k <= keysRead ? expected[k - 1] : QList<unsigned short>());
        QCOMPARE(hidsim::readRequestCount(0), 1);
    }

    // A device that never answers: the request goes out again once, then the
    // read gives up with nothing applied.
    void noAnswer()
    {
        LogRecorder log;
        auto w = connectedWindow(QStringLiteral("device; silent; %1").arg(kKeyA));
        QVERIFY(w);
        QTRY_VERIFY_WITH_TIMEOUT(readEnds(log) > 0, 20000);
        QCOMPARE(log.count(QStringLiteral("2秒内未收到配置包，保持当前UI状态")), 1);
        QCOMPARE(log.count(QStringLiteral("5秒内未收到配置包，重新发送读配置请求")), 1);
        QCOMPARE(hidsim::readRequestCount(0), 2);
        QCOMPARE(readRequestWrites(), 2);
        QVERIFY(Access::modelEmpty(*w));
        QVERIFY(!w->isConfigReadInProgress());
        QVERIFY(w->isDeviceConnected());
    }

    // Nothing stored: the end packet is the first answer and ends the read.
    void endPacketFirst()
    {
        LogRecorder log;
        auto w = connectedWindow(QStringLiteral("device"));
        QVERIFY(w);
        QTRY_VERIFY_WITH_TIMEOUT(readEnds(log) > 0, 15000);
        QCOMPARE(log.count(QStringLiteral("收到配置读取结束包")), 1);
        QCOMPARE(log.count(QStringLiteral("后台配置读取结束")), 1);
        QCOMPARE(log.count(QStringLiteral("5秒内未收到配置包")), 0);
        QVERIFY(Access::modelEmpty(*w));
        QCOMPARE(Access::selectedKnobKey(*w), 0);
    }

    // Unplugged mid-read, noticed by the window's own polling: it ends
    // disconnected and empty, and no read is left marked as running.
    void unplugDuringRead()
    {
        LogRecorder log;
        QVERIFY(hidsim::loadScenario(QStringLiteral("device; answer-pace 20 300; %1; %2; %3; %4")
                                         .arg(kKeyA, kKeyB, kKeyC, kKeyD)
                                         .toStdString()));
        MainLayoutWidget w;
        QVERIFY(connectWindow(w));
        QTRY_VERIFY_WITH_TIMEOUT(!Access::keyCodes(w, 1).isEmpty(), 15000);
        hidsim::unplug(0);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isDeviceConnected(), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(Access::runningWorkers(w), 0, 15000);
        QTest::qWait(50);
        QVERIFY(!w.isConfigReadInProgress());
        QVERIFY(Access::modelEmpty(w));
        // Nothing of the old link arrives after the disconnect.
        const QStringList lines = log.lines();
        const auto disconnectAt = std::find_if(lines.begin(), lines.end(), [](const QString &l) {
            return l.contains(QStringLiteral("[disconnect]"));
        });
        QVERIFY(disconnectAt != lines.end());
        QVERIFY(std::none_of(disconnectAt, lines.end(), [](const QString &l) {
            return l.contains(QStringLiteral("后台配置读取结束"));
        }));
    }

    // A read already running is not started twice.
    void oneReadAtATime()
    {
        LogRecorder log;
        auto w = connectedWindow(QStringLiteral("device; answer-pace 200 100; %1").arg(kKeyA));
        QVERIFY(w);
        QTRY_VERIFY_WITH_TIMEOUT(w->isConfigReadInProgress(), 15000);
        w->startAsyncDeviceConfigRead();
        w->startAsyncDeviceConfigRead();
        QTRY_VERIFY_WITH_TIMEOUT(readEnds(log) > 0, 15000);
        QCOMPARE(hidsim::readRequestCount(0), 1);
        QCOMPARE(Access::keyCodes(*w, 1), QList<unsigned short>{0x04});
    }

    // Closing the window while its read is running waits for the worker and
    // runs none of its results.
    void closeDuringRead()
    {
        auto w = connectedWindow(
            QStringLiteral("device; answer-pace 20 300; %1; %2; %3").arg(kKeyA, kKeyB, kKeyC));
        QVERIFY(w);
        QTRY_VERIFY_WITH_TIMEOUT(w->isConfigReadInProgress(), 15000);
        w.reset();
        QTest::qWait(50);
        QCOMPARE(hidsim::openHandleCount(), 0);
    }

    // The collected list of the Bluetooth path: sorted, each key's last
    // packet wins (older codes over current ones), the selection survives.
    void applyCollectedList()
    {
        hidsim::reset();
        MainLayoutWidget w;
        MainLayoutWidgetTestAccess::stopStatusTimer(w);
        Access::setSelectedKnobKey(w, 4);
        w.applyReadConfigPackets({
            bytes("03 FD 10 01 01 00 01 00 00 05"), // key 1, older code: wins
            bytes("03 FD 02 01 01 00 01 00 00 04"), // key 1, current code
            bytes("03 FD 14 01 02 00 01 00 00 E9"), // key 4, 0x14 ranks as current
            bytes("03 FD 06 01 02 00 01 00 00 EA"), // key 4, current: received later, wins
            bytes("03 FD 00 06 00 FF 00 32 01"),    // colour
            bytes("03 FD 07 01 01 00 01 00 00 06"), // unknown code
        });
        QCOMPARE(Access::keyCodes(w, 1), QList<unsigned short>{0x05});
        QCOMPARE(Access::combinations(w, 4), QStringList{QStringLiteral("音量-")});
        QCOMPARE(Access::selectedKnobKey(w), 4);
    }
};

QTEST_MAIN(TestConfigRead)
#include "tst_configread.moc"
