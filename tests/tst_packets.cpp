#include "protocol/keyvocabulary.h"
#include "protocol/packets.h"

#include "support/packetbytes.h"

#include <QTest>

Q_DECLARE_METATYPE(Packet)

class TestPackets : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    // Every builder against the byte layout the firmware reads.
    void layouts_data()
    {
        QTest::addColumn<Packet>("actual");
        QTest::addColumn<Packet>("expected");
        const auto row = [](const char *name, const Packet &actual, const char *expected) {
            QTest::newRow(name) << actual << bytes(expected);
        };
        const unsigned char k1 = commandCodeForKnobKey(1), k2 = commandCodeForKnobKey(2),
                            k3 = commandCodeForKnobKey(3), k4 = commandCodeForKnobKey(4),
                            k5 = commandCodeForKnobKey(5);
        row("Ctrl+V on key 1", buildStandardKeyPacket(k1, 0x19, 0x01),
            "03 FD 02 01 01 00 02 | 00 00 F1 | 00 00 19");
        row("Shift+Alt+F5 on key 5", buildStandardKeyPacket(k5, 0x3E, 0x06),
            "03 FD 03 01 01 00 03 | 00 00 F2 | 00 00 F3 | 00 00 3E");
        row("modifier alone", buildStandardKeyPacket(k1, 0, 0x01), "03 FD 02 01 01 00 01 | 00 00 F1");
        row("only the low byte of the key", buildStandardKeyPacket(k2, 0x0104, 0),
            "03 FD 04 01 01 00 01 | 00 00 04");
        row("all eight modifiers and a key", buildStandardKeyPacket(k3, 0x04, 0xFF),
            "03 FD 05 01 01 00 09 | 00 00 F1 | 00 00 F2 | 00 00 F3 | 00 00 F4 | 00 00 F5 | 00 00 F6 "
            "| 00 00 F7 | 00 00 F8 | 00 00 04");
        row("browser on key 1", buildMultimediaKeyPacket(k1, 0x0223),
            "03 FD 02 01 02 00 02 00 00 23 02 00 02 00");
        row("my computer", buildMultimediaKeyPacket(k4, 0x0194), "03 FD 06 01 02 00 02 00 00 94 01 00 01 00");
        row("refresh", buildMultimediaKeyPacket(k4, 0x0027), "03 FD 06 01 02 00 02 00 00 27 00 00 02 00");
        row("treble is one entry", buildMultimediaKeyPacket(k4, 0x0153), "03 FD 06 01 02 00 01 00 00 53 01");
        row("left button on key 3", buildMouseKeyPacket(k3, QStringLiteral("鼠标左键")),
            "03 FD 05 01 03 01 04 00 00 00 00 00 01");
        row("wheel down", buildMouseKeyPacket(k1, QStringLiteral("鼠标滚轮-")),
            "03 FD 02 01 03 01 04 00 00 00 00 00 00 00 00 00 00 00 00 00 00 FF");
        row("Alt+wheel down", buildMouseKeyPacket(k1, QStringLiteral("Alt+鼠标向下")),
            "03 FD 02 01 03 01 04 00 00 F3 00 00 00 00 00 00 00 00 00 00 00 FF");
        row("shift+wheel up", buildMouseKeyPacket(k1, QStringLiteral("shift+鼠标向上")),
            "03 FD 02 01 03 01 04 00 00 F2 00 00 00 00 00 00 00 00 00 00 00 01");
        row("like", buildMouseKeyPacket(k1, QStringLiteral("点赞")),
            "03 FD 02 01 03 04 04 00 00 05 00 00 00");
        row("redo on key 4", buildProcreateKeyPacket(k4, QStringLiteral("重做")),
            "03 FD 06 01 04 00 03 | 00 00 F2 | 00 00 F4 | 00 00 1D");
        row("quick menu", buildProcreateKeyPacket(k2, QStringLiteral("速选菜单")),
            "03 FD 04 01 04 00 01 | 00 00 2C");
        row("brightness capped", buildColorPacket(1, 2, 3, 130, false), "03 FD 00 06 01 02 03 64 00");
        row("brightness floored", buildColorPacket(1, 2, 3, -5, true), "03 FD 00 06 01 02 03 00 01");
        Packet readRequest(kReportSize, 0xFF);
        readRequest[0] = 0x03;
        QTest::newRow("read request") << buildReadRequestPacket() << readRequest;
        row("records: big-endian delays",
            buildKeyRecordsPacket(k2, KeyboardAssignment, {{0, 0x04}, {0, 0xF1}, {120, 0x05}, {60000, 0x06}}),
            "03 FD 04 01 01 00 04 | 00 00 04 | 00 00 F1 | 00 78 05 | EA 60 06");
    }
    void layouts()
    {
        QFETCH(Packet, actual);
        QFETCH(Packet, expected);
        QCOMPARE(actual, expected);
    }

    void refusals()
    {
        QVERIFY(buildStandardKeyPacket(0x02, 0, 0).empty());
        QVERIFY(buildMouseKeyPacket(0x02, QStringLiteral("鼠标侧键")).empty());
        QVERIFY(buildMouseKeyPacket(0x02, QStringLiteral("Left Click")).empty());
        QVERIFY(buildProcreateKeyPacket(0x02, QStringLiteral("Undo")).empty());
        QVERIFY(buildLightModePackets(0xF6).empty());
        QVERIFY(buildLightModePackets(0xEF).empty());
    }

    void lightModeParts()
    {
        const std::vector<Packet> parts =
            buildLightModePackets(combinationToKeyCode(QStringLiteral("LED模式3")));
        QCOMPARE(parts.size(), std::size_t(3));
        for (unsigned char n = 0; n < 3; ++n) {
            const Packet &p = parts[n];
            QCOMPARE(int(p.size()), kLightModeReportSize);
            QCOMPARE(Packet(p.begin(), p.begin() + 5),
                     (Packet{0x03, 0xFE, 0xB0, n, static_cast<unsigned char>(n == 0 ? 3 : 0)}));
            QCOMPARE(Packet(p.begin() + 5, p.begin() + 53),
                     Packet(parts[0].begin() + 5, parts[0].begin() + 53));
            QCOMPARE(Packet(p.begin() + 53, p.end()), Packet(11, 0));
        }
        QCOMPARE(int(buildLightModePackets(0xF0)[0][4]), 0);
    }

    void recordsBeyondNineteenDoNotFit()
    {
        QList<KeyWithDelay> records;
        for (int i = 0; i < 25; ++i)
            records.append({50, static_cast<unsigned char>(0x04 + i)});
        const Packet p = buildKeyRecordsPacket(0x02, KeyboardAssignment, records);
        QCOMPARE(int(p.size()), kReportSize);
        QCOMPARE(int(p[6]), 19);
        QCOMPARE(int(p[63]), 0x04 + 18);
        QCOMPARE(int(p[64]), 0);
    }
};

QTEST_APPLESS_MAIN(TestPackets)
#include "tst_packets.moc"
