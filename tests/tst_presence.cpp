// Finding and losing the device by polling, and the lifetime of scan workers.
#include "support/devicetestsupport.h"

#include <QTest>

using Access = MainLayoutWidgetTestAccess;

class TestPresence : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QCOMPARE(hidsim::openHandleCount(), 0); }

    void unplugTearsDownAndScanningResumes()
    {
        const int dev = resetWithKnob();
        {
            MainLayoutWidget w;
            QVERIFY(connectWindow(w));
            LogRecorder log;
            hidsim::unplug(dev);
            QTRY_VERIFY_WITH_TIMEOUT(!Access::isConnected(w), 3000);
            QVERIFY(!Access::device(w));
            QCOMPARE(log.count(QStringLiteral("[liveness] 句柄写探测失败，判定断开: No such device")), 1);
            QVERIFY(log.contains(QStringLiteral("[disconnect] 设备已断开，m_device 已置空")));
            QCOMPARE(hidsim::openHandleCount(), 0);

            const int scans = hidsim::enumerateCount();
            QTRY_VERIFY_WITH_TIMEOUT(hidsim::enumerateCount() >= scans + 2, 5000);
            hidsim::replug(dev);
            QTRY_VERIFY_WITH_TIMEOUT(Access::isConnected(w), 5000);
            QVERIFY(log.contains(QStringLiteral("[timer] 连接成功: path=")));
            QVERIFY(log.contains(QStringLiteral("  制造商: \"VELTRANIX\""))); // a separate, quoted item
            QCOMPARE(hidsim::openHandleCount(), 1);
        }
    }

    void connectUnplugCyclesLeakNothing()
    {
        const int dev = resetWithKnob();
        MainLayoutWidget w;
        QVERIFY(connectWindow(w));
        unsigned long long generation = Access::generation(w);
        for (int cycle = 0; cycle < 3; ++cycle) {
            hidsim::unplug(dev);
            QTRY_VERIFY_WITH_TIMEOUT(!Access::isConnected(w), 3000);
            QCOMPARE(hidsim::openHandleCount(), 0);
            hidsim::replug(dev);
            QTRY_VERIFY_WITH_TIMEOUT(Access::isConnected(w), 5000);
            QCOMPARE(hidsim::openHandleCount(), 1);
            QVERIFY(Access::generation(w) >= generation + 2); // cleared once, set once
            generation = Access::generation(w);
        }
    }

    void scansNeverOverlap()
    {
        hidsim::reset(); // nothing attached
        hidsim::setEnumerateDelay(1500);
        MainLayoutWidget w;
        QTRY_VERIFY_WITH_TIMEOUT(Access::probeInFlight(w), 3000);
        {
            LogRecorder log;
            w.autoConnectDevice(); // a scan is running: does nothing
            QVERIFY(!log.contains(QStringLiteral("尝试自动连接设备...")));
        }
        QTRY_VERIFY_WITH_TIMEOUT(hidsim::enumerateCount() >= 3, 10000);
        QCOMPARE(hidsim::maxConcurrentEnumerations(), 1);
        hidsim::setEnumerateDelay(0);
    }

    void configReadSuppressesLiveness()
    {
        const int dev = resetWithKnob();
        MainLayoutWidget w;
        QVERIFY(connectWindow(w));
        // Let the read that every connection starts finish first: its completion
        // would clear the flag this test sets by hand.
        QTRY_VERIFY_WITH_TIMEOUT(hidsim::readRequestCount(dev) >= 1, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isConfigReadInProgress(), 10000);
        Access::setConfigReadInProgress(w, true);
        const double since = hidsim::nowMs();
        hidsim::unplug(dev);
        QTest::qWait(2500);
        QVERIFY(Access::isConnected(w));
        QVERIFY(writesSince(since).empty());
        Access::setConfigReadInProgress(w, false);
        QTRY_VERIFY_WITH_TIMEOUT(!Access::isConnected(w), 3000);
    }

    void exclusiveFailureSkipsTwoTicks()
    {
        const int dev = resetWithKnob();
        for (int i = 0; i < 3; ++i)
            hidsim::setOpenError(dev, i, "Device or resource busy (exclusive)");
        LogRecorder log;
        MainLayoutWidget w;
        Access::stopStatusTimer(w);
        // The start-up scan reports the busy device in its own words.
        QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("自动连接失败(exclusive)，重试中...")), 5000);
        QCOMPARE(Access::exclusiveCooldownTicks(w), 0); // only the timer path backs off

        const int before = hidsim::enumerateCount();
        for (int i = 0; i < 10; ++i)
            Access::tick(w);
        QVERIFY(Access::probeInFlight(w));
        QTRY_VERIFY_WITH_TIMEOUT(!Access::probeInFlight(w), 3000);
        QCOMPARE(hidsim::enumerateCount(), before + 1);
        QVERIFY(!Access::device(w));
        QVERIFY(!Access::probeWorkerBusy(w));
        QCOMPARE(Access::exclusiveCooldownTicks(w), 2);
        Access::tick(w);
        Access::tick(w);
        QCOMPARE(Access::exclusiveCooldownTicks(w), 0);
        for (int i = 0; i < 9; ++i)
            Access::tick(w);
        QVERIFY(!Access::probeInFlight(w));
        Access::tick(w);
        QVERIFY(Access::probeInFlight(w));
        QTRY_VERIFY_WITH_TIMEOUT(!Access::probeInFlight(w), 3000);
    }

    void windowDestroyedWhileWorkerHoldsHandle()
    {
        const int dev = resetWithKnob();
        hidsim::FirmwareOptions slow;
        slow.writeDelayMs = 400;
        hidsim::setFirmwareOptions(dev, slow);
        LogRecorder log;
        auto w = std::make_unique<MainLayoutWidget>();
        Access::stopStatusTimer(*w);
        w->autoConnectDevice();
        QTRY_VERIFY_WITH_TIMEOUT(hidsim::openHandleCount() == 1, 3000);
        w.reset();
        QCOMPARE(hidsim::openHandleCount(), 0);
        QTest::qWait(100);
        QVERIFY(!log.contains(QStringLiteral("已选择可写接口")));
        QVERIFY(!log.contains(QStringLiteral("自动连接失败")));
    }

    void logoPressesSwitchIdsOnlyWhileDisconnected()
    {
        hidsim::reset();
        hidsim::addDevice(hidsim::knobDevice(0x514C, 0x8850));
        MainLayoutWidget w;
        Access::stopStatusTimer(w);
        LogRecorder log;
        for (int i = 0; i < 9; ++i)
            Access::pressLogo(w);
        QVERIFY(Access::useDefaultDeviceIds(w));
        Access::pressLogo(w);
        QVERIFY(!Access::useDefaultDeviceIds(w));
        QVERIFY(log.contains(QStringLiteral("VID/PID 已切换为: VID=0x514c PID=0x8850")));
        QTRY_VERIFY_WITH_TIMEOUT(Access::isConnected(w), 5000);
        for (int i = 0; i < 20; ++i)
            Access::pressLogo(w);
        QVERIFY(!Access::useDefaultDeviceIds(w));
    }

    void disconnectWithoutHandleStillResets()
    {
        hidsim::reset();
        MainLayoutWidget w;
        Access::stopStatusTimer(w);
        Access::setConfigReadInProgress(w, true);
        LogRecorder log;
        const unsigned long long generation = Access::generation(w);
        w.disconnectDevice();
        QCOMPARE(Access::generation(w), generation + 1);
        QVERIFY(log.contains(QStringLiteral("[disconnect] 设备已断开，m_device 已置空")));
        QVERIFY(!Access::probeWorkerBusy(w));
    }
};

QTEST_MAIN(TestPresence)
#include "tst_presence.moc"
