// Lighting sends through the real window against the simulated knob: the
// coalescing of bursts, one send in flight, the disconnected case and the
// failure toast.
#include "support/configtestsupport.h"
#include "support/devicetestsupport.h"

#include "protocol/uitext.h"
#include "protocol/packets.h"

#include <QLabel>
#include <QTest>

#include <memory>

namespace {

using Access = ConfigReadTestAccess;

std::vector<hidsim::Packet> colourWrites()
{
    std::vector<hidsim::Packet> out;
    for (const hidsim::WriteRecord &r : hidsim::writes()) {
        if (r.bytes.size() >= 4 && r.bytes[1] == 0xFD && r.bytes[2] == 0x00 && r.bytes[3] == 0x06)
            out.push_back(r.bytes);
    }
    return out;
}

// Its bytes are checked against the wire layout in the packet tests.
hidsim::Packet colourPacket(int r, int g, int b, int brightness, bool on)
{
    return buildColorPacket(static_cast<unsigned char>(r), static_cast<unsigned char>(g),
                            static_cast<unsigned char>(b), brightness, on);
}

// Connected, the start-up read finished, no liveness probes, no writes recorded.
std::unique_ptr<MainLayoutWidget> readyWindow(const char *scenario = "device")
{
    LogRecorder log;
    if (!hidsim::loadScenario(scenario))
        return nullptr;
    auto w = std::make_unique<MainLayoutWidget>();
    MainLayoutWidgetTestAccess::stopStatusTimer(*w);
    if (!connectWindow(*w))
        return nullptr;
    if (!QTest::qWaitFor([&] { return log.contains(QStringLiteral("后台配置读取结束")); }, 15000))
        return nullptr;
    hidsim::clearWrites();
    return w;
}

bool lightIdle(const MainLayoutWidget &w)
{
    return !Access::lightSendInFlight(w) && !Access::lightSendPending(w) && Access::runningWorkers(w) == 0;
}

int toastCount(const LogRecorder &log)
{
    return log.count(QStringLiteral("提示:"));
}

} // namespace

class TestLighting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The lighting page's own signal reaches the device as one packet, with
    // no compatibility copy, whatever physical key is selected.
    void pageChangeIsSent()
    {
        auto w = readyWindow();
        QVERIFY(w);
        Access::setSelectedKnobKey(*w, 2);
        LightWidget *page = Access::lightWidget(*w);
        QVERIFY(page);
        page->setLightSettings(QColor(0x12, 0x34, 0x56), 33, true);
        page->emitSettings();
        QTRY_VERIFY_WITH_TIMEOUT(!colourWrites().empty() && lightIdle(*w), 10000);
        QTest::qWait(50);
        QCOMPARE(hidsim::writes().size(), std::size_t(1));
        QCOMPARE(colourWrites().front(), colourPacket(0x12, 0x34, 0x56, 33, true));
        QCOMPARE(hidsim::storedColour(0), colourWrites().front());
    }

    // A burst of changes before the event loop turns goes out as one packet
    // with the newest values.
    void burstSendsNewest()
    {
        auto w = readyWindow();
        QVERIFY(w);
        for (int i = 1; i <= 10; ++i)
            w->queueLightSettings(QColor(i * 10, 0, 255 - i), i * 5, i % 2 == 0);
        QTRY_VERIFY_WITH_TIMEOUT(!colourWrites().empty() && lightIdle(*w), 10000);
        QTest::qWait(100);
        const auto sent = colourWrites();
        QCOMPARE(sent.size(), std::size_t(1));
        QCOMPARE(sent.front(), colourPacket(100, 0, 245, 50, true));
    }

    // Changes during a running send: exactly one more send follows, with the
    // newest values.
    void changesDuringSendGiveOneMore()
    {
        auto w = readyWindow("device; write-delay 300");
        QVERIFY(w);
        w->queueLightSettings(QColor(1, 1, 1), 10, true);
        QTRY_VERIFY_WITH_TIMEOUT(Access::lightSendInFlight(*w), 10000);
        for (int i = 2; i <= 6; ++i)
            w->queueLightSettings(QColor(i, i, i), i * 10, true);
        QVERIFY(Access::lightSendPending(*w));
        QTRY_VERIFY_WITH_TIMEOUT(colourWrites().size() >= 2 && lightIdle(*w), 15000);
        QTest::qWait(400);
        const auto sent = colourWrites();
        QCOMPARE(sent.size(), std::size_t(2));
        QCOMPARE(sent[0], colourPacket(1, 1, 1, 10, true));
        QCOMPARE(sent[1], colourPacket(6, 6, 6, 60, true));
    }

    // Disconnected: the values are kept, nothing is started or written, and
    // connecting later sends nothing by itself.
    void disconnectedStoresOnly()
    {
        LogRecorder log;
        hidsim::reset();
        MainLayoutWidget w;
        MainLayoutWidgetTestAccess::stopStatusTimer(w);
        w.queueLightSettings(QColor(9, 8, 7), 42, false);
        QCOMPARE(Access::pendingLightColor(w), QColor(9, 8, 7));
        QCOMPARE(Access::pendingLightBrightness(w), 42);
        QCOMPARE(Access::pendingLightOn(w), false);
        QCOMPARE(log.count(QStringLiteral("设备未连接，无法发送灯光命令")), 1);
        QVERIFY(!Access::lightSendInFlight(w));
        QCOMPARE(Access::runningWorkers(w), 0);

        hidsim::addDevice(hidsim::knobDevice());
        QVERIFY(connectWindow(w));
        QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("后台配置读取结束")), 15000);
        QTest::qWait(100);
        QVERIFY(colourWrites().empty());
    }

    // A failed send is logged and toasted once; a later change is sent again.
    void failedSendToastsOnce()
    {
        auto w = readyWindow();
        QVERIFY(w);
        LogRecorder log;
        hidsim::setFailAllWrites(0, 2, true);
        w->queueLightSettings(QColor(255, 0, 0), 80, true);
        QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("灯光命令发送失败")) && lightIdle(*w), 10000);
        QTest::qWait(100);
        QCOMPARE(toastCount(log), 1);
        auto *title = w->findChild<QLabel *>(QStringLiteral("toastTitle"));
        QVERIFY(title);
        QCOMPARE(title->text(), uiText(QStringLiteral("灯光命令发送失败")));
        QVERIFY(hidsim::storedColour(0).empty());

        hidsim::setFailAllWrites(0, 2, false);
        w->queueLightSettings(QColor(0, 255, 0), 80, true);
        QTRY_VERIFY_WITH_TIMEOUT(!hidsim::storedColour(0).empty() && lightIdle(*w), 10000);
        QTest::qWait(100);
        QCOMPARE(toastCount(log), 1);
        QCOMPARE(hidsim::storedColour(0), colourPacket(0, 255, 0, 80, true));
    }
};

QTEST_MAIN(TestLighting)
#include "tst_lighting.moc"
