// The simulated device itself: later tests trust its firmware model and faults.
#include "tests/fakes/hidsim/hidsim.h"

#include <hidapi.h>

#include <QTest>

using hidsim::Packet;

namespace {

Packet packet65(std::initializer_list<unsigned char> head)
{
    Packet p(65, 0);
    std::copy(head.begin(), head.end(), p.begin());
    return p;
}

std::vector<Packet> readAll(hid_device *h)
{
    std::vector<Packet> out;
    unsigned char buffer[65];
    for (;;) {
        const int r = hid_read_timeout(h, buffer, sizeof buffer, 300);
        if (r <= 0)
            break;
        out.emplace_back(buffer, buffer + r);
    }
    return out;
}

hid_device *openVendor(int device)
{
    hid_device_info *list = hid_enumerate(0x05AC, 0x022C);
    hid_device *h = nullptr;
    int index = 0;
    for (hid_device_info *i = list; i; i = i->next, ++index)
        if (index == 2 + device * 3)
            h = hid_open_path(i->path);
    hid_free_enumeration(list);
    return h;
}

} // namespace

class TestHidSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { hidsim::reset(); }
    void cleanup() { QCOMPARE(hidsim::openHandleCount(), 0); }

    void readRequestAnswersStoredPacketsThenEnd_data()
    {
        QTest::addColumn<bool>("extraByte");
        QTest::addColumn<bool>("legacyAnswers");
        QTest::newRow("plain") << false << false;
        QTest::newRow("extra report byte") << true << false;
        QTest::newRow("older codes") << false << true;
    }
    void readRequestAnswersStoredPacketsThenEnd()
    {
        QFETCH(bool, extraByte);
        QFETCH(bool, legacyAnswers);
        const int dev = hidsim::addDevice(hidsim::knobDevice());
        hidsim::FirmwareOptions fw;
        fw.extraReportByte = extraByte;
        fw.answerWithLegacyCodes = legacyAnswers;
        hidsim::setFirmwareOptions(dev, fw);
        hid_device *h = openVendor(dev);
        QVERIFY(h);

        // Key 3 written with its older code, key 1 with the current one, then a colour.
        const Packet key3 = packet65({0x03, 0xFD, 0x13, 0x01, 0x01, 0x00, 0x01, 0x00, 0x00, 0x04});
        const Packet key1 = packet65({0x03, 0xFD, 0x02, 0x01, 0x01, 0x00, 0x01, 0x00, 0x00, 0x05});
        const Packet colour = packet65({0x03, 0xFD, 0x00, 0x06, 0xFF, 0x00, 0x00, 0x64, 0x01});
        for (const Packet &p : {key3, key1, colour})
            QCOMPARE(hid_write(h, p.data(), p.size()), 65);
        QCOMPARE(hidsim::storedAssignments(dev).size(), std::size_t(2));

        Packet request(65, 0xFF);
        request[0] = 0x03;
        QCOMPARE(hid_write(h, request.data(), request.size()), 65);
        const std::vector<Packet> answers = readAll(h);
        QCOMPARE(answers.size(), std::size_t(4));

        const std::size_t skip = extraByte ? 1 : 0;
        auto code = [&](std::size_t i) { return answers[i][skip + 2]; };
        QCOMPARE(answers[0][skip], 0x03);
        if (extraByte)
            QCOMPARE(answers[0][0], 0x03);
        QCOMPARE(code(0), legacyAnswers ? 0x10 : 0x02); // key 1 first
        QCOMPARE(code(1), legacyAnswers ? 0x13 : 0x05); // then key 3
        QCOMPARE(answers[2][skip + 3], 0x06);           // the colour packet
        QCOMPARE(answers[3][skip + 1], 0xFD);           // end packet 03 FD FE FF
        QCOMPARE(answers[3][skip + 2], 0xFE);
        QCOMPARE(answers[3][skip + 3], 0xFF);
        hid_close(h);
    }

    void unplugKillsHandlesAndHidesDevice()
    {
        const int dev = hidsim::addDevice(hidsim::knobDevice());
        hid_device *h = openVendor(dev);
        QVERIFY(h);
        hidsim::unplug(dev);
        const Packet probe = packet65({0x03, 0xFD, 0xFE, 0xFF});
        QCOMPARE(hid_write(h, probe.data(), probe.size()), -1);
        unsigned char buffer[65];
        QCOMPARE(hid_read_timeout(h, buffer, sizeof buffer, 10), -1);
        QVERIFY(!hid_enumerate(0x05AC, 0x022C));
        // A replug does not revive a handle of the old node.
        hidsim::replug(dev);
        QCOMPARE(hid_write(h, probe.data(), probe.size()), -1);
        hid_close(h);
        hid_device *again = openVendor(dev);
        QVERIFY(again);
        QCOMPARE(hid_write(again, probe.data(), probe.size()), 65);
        hid_close(again);
    }
};

QTEST_APPLESS_MAIN(TestHidSim)
#include "tst_hidsim.moc"
