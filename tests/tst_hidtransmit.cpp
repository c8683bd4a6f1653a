// sendPacketWithResult against the simulated device: what reaches the wire, in
// which order, and what the caller is told.
#include "support/devicetestsupport.h"

#include <QTest>

using Access = MainLayoutWidgetTestAccess;
using hidsim::Packet;

namespace {

Packet assignment(unsigned char code, unsigned char length = 65)
{
    Packet p(length, 0);
    p[0] = 0x03;
    p[1] = 0xFD;
    p[2] = code;
    p[3] = 0x01;
    p[4] = 0x01;
    p[6] = 0x01;
    p[9] = 0x04;
    return p;
}

Packet withByte0(Packet p, unsigned char b)
{
    p[0] = b;
    return p;
}

} // namespace

class TestHidTransmit : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainLayoutWidget> m_window;
    int m_dev = -1;
    double m_since = 0;

private Q_SLOTS:
    void init()
    {
        m_dev = resetWithKnob();
        m_window = std::make_unique<MainLayoutWidget>();
        QVERIFY(connectWindow(*m_window));
        // No liveness probes or scans in the record from here on.
        Access::stopStatusTimer(*m_window);
        m_since = hidsim::nowMs();
    }
    void cleanup()
    {
        m_window.reset();
        QCOMPARE(hidsim::openHandleCount(), 0);
    }

    void copyFollowsPacketAndFirstSuccessWins_data()
    {
        QTest::addColumn<int>("knobKey");
        QTest::addColumn<int>("failFirst"); // writes the vendor interface refuses
        QTest::addColumn<int>("expectedWrites");
        QTest::newRow("both accepted") << 3 << 0 << 2;
        QTest::newRow("packet fails, copy succeeds: no retry") << 3 << 1 << 2;
        QTest::newRow("no key selected: packet alone") << 0 << 0 << 1;
    }
    void copyFollowsPacketAndFirstSuccessWins()
    {
        QFETCH(int, knobKey);
        QFETCH(int, failFirst);
        QFETCH(int, expectedWrites);
        Access::setSelectedKnobKey(*m_window, knobKey);
        hidsim::setFailFirstWrites(m_dev, 2, failFirst);
        const Packet p = assignment(0x05);
        QCOMPARE(m_window->sendPacketWithResult(p), 65);

        const auto w = writesSince(m_since);
        QCOMPARE(int(w.size()), expectedWrites);
        QCOMPARE(w[0].bytes, p);
        if (expectedWrites == 2) {
            Packet copy = p;
            copy[2] = 0x13;
            QCOMPARE(w[1].bytes, copy);
            QVERIFY(w[0].timeMs <= w[1].timeMs);
        }
    }

    void retriesInOrderUntilOneLayoutIsAccepted_data()
    {
        QTest::addColumn<unsigned>("reject");
        QTest::addColumn<int>("expectedResult");
        QTest::addColumn<int>("expectedWrites");
        // packet, copy, packet id 0, packet 64 bytes, copy id 0, copy 64 bytes
        QTest::newRow("id 0 accepted") << unsigned(hidsim::Layout65) << 65 << 3;
        QTest::newRow("only 64 bytes accepted")
            << unsigned(hidsim::Layout65 | hidsim::LayoutReportIdZero) << 64 << 4;
        QTest::newRow("nothing accepted")
            << unsigned(hidsim::Layout65 | hidsim::LayoutReportIdZero | hidsim::Layout64) << -1 << 6;
    }
    void retriesInOrderUntilOneLayoutIsAccepted()
    {
        QFETCH(unsigned, reject);
        QFETCH(int, expectedResult);
        QFETCH(int, expectedWrites);
        Access::setSelectedKnobKey(*m_window, 3);
        hidsim::setRejectLayouts(m_dev, 2, reject);
        LogRecorder log;
        const Packet p = assignment(0x05);
        Packet copy = p;
        copy[2] = 0x13;
        QCOMPARE(m_window->sendPacketWithResult(p), expectedResult);

        const std::vector<Packet> ladder = {p,
                                            copy,
                                            withByte0(p, 0x00),
                                            Packet(p.begin() + 1, p.end()),
                                            withByte0(copy, 0x00),
                                            Packet(copy.begin() + 1, copy.end())};
        const auto w = writesSince(m_since);
        QCOMPARE(int(w.size()), expectedWrites);
        for (std::size_t i = 0; i < w.size(); ++i)
            QCOMPARE(w[i].bytes, ladder[i]);
        QVERIFY(log.contains(QStringLiteral("同步写入兼容COMMAND 0X13")));
        QVERIFY(log.contains(QStringLiteral("发送错误: Broken pipe")));
        QVERIFY(log.contains(QStringLiteral("尝试兼容报告格式重试...")));
        if (expectedResult < 0)
            QVERIFY(log.contains(QStringLiteral("所有兼容重试失败")));
    }

    void sixtyFourBytePacketGetsOnlyTheIdZeroRetry()
    {
        hidsim::setFailAllWrites(m_dev, 2, true);
        Packet lighting(64, 0);
        lighting[0] = 0x03;
        lighting[1] = 0xFE;
        lighting[2] = 0xB0;
        QCOMPARE(m_window->sendPacketWithResult(lighting), -1);
        const auto w = writesSince(m_since);
        QCOMPARE(w.size(), std::size_t(2));
        QCOMPARE(w[1].bytes, withByte0(lighting, 0x00));
    }

    void notConnectedWritesNothing()
    {
        m_window->disconnectDevice();
        QVERIFY(!Access::device(*m_window));
        LogRecorder log;
        QCOMPARE(m_window->sendPacketWithResult(assignment(0x05)), -1);
        QVERIFY(writesSince(m_since).empty());
        QVERIFY(log.contains(QStringLiteral("错误: 设备未连接")));
    }

    void bluetoothBatchCollectsWithoutWriting()
    {
        m_window->disconnectDevice();
        Access::setBluetoothLink(*m_window, true);
        Access::setSelectedKnobKey(*m_window, 2);
        const Packet p = assignment(0x04);
        QCOMPARE(m_window->sendPacketWithResult(p), 65);
        const auto batch = Access::bluetoothBatch(*m_window);
        QCOMPARE(batch.size(), std::size_t(2));
        QCOMPARE(batch[1][2], 0x12);
        QVERIFY(writesSince(m_since).empty());
        m_window->disconnectDevice();
    }
};

QTEST_MAIN(TestHidTransmit)
#include "tst_hidtransmit.moc"
