// The debug console's read-back against the simulated knob: answers in order,
// the count and silence limits, a link that goes away mid-read and a window
// that closes mid-read.
#include "device/HidrawLink.h"
#include "device/debugreadback.h"
#include "device/hidscan.h"
#include "device/packetutil.h"
#include "tests/fakes/hidsim/hidsim.h"

#include "support/packetbytes.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

Q_DECLARE_METATYPE(DebugReadBackResult::End)

namespace {

const char *const kThreeStored = "device vid=05ac pid=022c;"
                                 "assignment 1 03 FD 02 01 01 00 01 00 00 04;"
                                 "assignment 2 03 FD 04 01 01 00 01 00 00 05;"
                                 "colour 03 FD 00 06 FF 80 00 64 01";
// What happens to the link while the answers come in.
enum class Event
{
    None,
    DisconnectAfterFirst,          // the disconnect path closes the handle after answer 1
    DisconnectFromAnotherThread,   // the same, racing from another thread
    ReplugAfterFirst,              // after answer 1 a new link (a new handle) takes its place
    UnplugAfterFirst,              // the device vanishes before anyone notices
    WindowClosesFromAnotherThread, // the owner shuts down while nothing arrives
};

// The owner's side of the link as the session keeps it.
struct Link
{
    HidrawLink transport;
    std::atomic<bool> closing{false};

    void disconnect() { transport.close(); }
};

hid_device *openKnob()
{
    const HidScanResult found = scanHidInterfaces(targetVendorId(true), targetProductId(true), false);
    return found.handle;
}

bool writeReadRequest(hid_device *device)
{
    const Packet request = buildReadRequestPacket();
    return hid_write(device, request.data(), request.size()) == int(request.size());
}

} // namespace

class TestDebugReadBack : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readBack_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("event");
        QTest::addColumn<int>("firstWaitMs");
        QTest::addColumn<DebugReadBackResult::End>("end");
        QTest::addColumn<int>("reports");
        QTest::addColumn<QString>("errorText");
        using R = DebugReadBackResult;
        const auto row = [](const char *name, const char *extra, int requests, Event event, int firstWaitMs,
                            R::End end, int reports, const char *errorText = "") {
            QTest::newRow(name) << QString(kThreeStored) + extra << requests << int(event) << firstWaitMs
                                << end << reports << errorText;
        };
        row("fewer than ten end on silence", "", 1, Event::None, 1500, R::Silence, 4);
        row("stops at ten", "", 3, Event::None, 1500, R::Done, 10);
        row("silent device", ";silent", 1, Event::None, 300, R::Silence, 0);
        row("disconnect between reads", "", 1, Event::DisconnectAfterFirst, 1500, R::LinkGone, 1);
        row("disconnect racing the reads", ";answer-pace 50 400", 1, Event::DisconnectFromAnotherThread, 1500,
            R::LinkGone, 1);
        row("replug between reads", "", 1, Event::ReplugAfterFirst, 1500, R::LinkGone, 1);
        row("unplug not yet noticed", "", 1, Event::UnplugAfterFirst, 1500, R::ReadError, 1,
            "No such device");
        // Far longer than the wait below: only the owner's shutdown can end it in time.
        row("window closes while waiting", ";silent", 1, Event::WindowClosesFromAnotherThread, 600000,
            R::LinkGone, 0);
    }

    void readBack()
    {
        QFETCH(QString, scenario);
        QFETCH(int, requests);
        QFETCH(int, event);
        QFETCH(int, firstWaitMs);
        QFETCH(DebugReadBackResult::End, end);
        QFETCH(int, reports);
        QFETCH(QString, errorText);
        const Event what = Event(event);

        QVERIFY(hidsim::loadScenario(scenario.toStdString()));
        Link link;
        hid_device *const device = openKnob();
        QVERIFY(device);
        for (int i = 0; i < requests; ++i)
            QVERIFY(writeReadRequest(device));
        const unsigned long long sentOn = link.transport.install(device);
        const auto stillCurrent = [&link] { return !link.closing; };

        std::vector<Packet> seen;
        std::atomic<int> seenCount{0};
        const auto onReport = [&](const Packet &p) {
            seen.push_back(p);
            ++seenCount;
            if (seen.size() != 1)
                return;
            if (what == Event::DisconnectAfterFirst)
                link.disconnect();
            else if (what == Event::ReplugAfterFirst) {
                hid_device *again = openKnob(); // a new link, with answers of its own on the way
                writeReadRequest(again);
                link.transport.install(again);
            } else if (what == Event::UnplugAfterFirst)
                hidsim::unplug(0);
        };

        DebugReadBackLimits limits;
        limits.readSliceMs = 50;
        limits.firstReportWaitMs = firstWaitMs;
        limits.silenceAfterReportMs = 1000;

        std::promise<DebugReadBackResult> done;
        std::future<DebugReadBackResult> result = done.get_future();
        std::thread worker([&] {
            done.set_value(readDebugResponses(link.transport, sentOn, stillCurrent, onReport, limits));
        });

        if (what == Event::DisconnectFromAnotherThread) {
            QTRY_VERIFY_WITH_TIMEOUT(seenCount.load() >= 1, 5000);
            link.disconnect();
        } else if (what == Event::WindowClosesFromAnotherThread) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            link.closing = true;
        }

        const bool finished = result.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
        if (!finished)
            qFatal("the read-back did not end");
        worker.join();
        const DebugReadBackResult r = result.get();

        QCOMPARE(r.end, end);
        QCOMPARE(r.reports, reports);
        QCOMPARE(int(seen.size()), reports);
        if (end != DebugReadBackResult::ReadError)
            QVERIFY(r.errorText.isEmpty());
        else if (!errorText.isEmpty())
            QCOMPARE(r.errorText, errorText);
        QCOMPARE(hidsim::closedHandleCalls(), 0);

        // The answers come through whole and in the order the device sent them.
        const std::vector<Packet> expectedOrder = {bytes("03 FD 02 01 01 00 01 00 00 04"),
                                                   bytes("03 FD 04 01 01 00 01 00 00 05"),
                                                   bytes("03 FD 00 06 FF 80 00 64 01"), bytes("03 FD FE FF")};
        if (scenario == QLatin1String(kThreeStored)) {
            for (std::size_t i = 0; i < seen.size(); ++i)
                QCOMPARE(seen[i], expectedOrder[i % expectedOrder.size()]);
        }

        link.disconnect();
        QCOMPARE(hidsim::openHandleCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDebugReadBack)
#include "tst_debugreadback.moc"
