// Every report the program builds, byte by byte, and the typed hex lines of
// the debug console.
#include "protocol/debughex.h"
#include "protocol/keyvocabulary.h"
#include "protocol/packets.h"

#include "support/packetbytes.h"

#include <QTest>

Q_DECLARE_METATYPE(Packet)

namespace {

QString repeatedPair(const char *pair, int times)
{
    return QString::fromLatin1(pair).repeated(times);
}

} // namespace

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

    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("typedBytes");
        QTest::addColumn<Packet>("packet");
        QTest::addColumn<QString>("badPair");

        const Packet example = bytes("03 FA 19 00 01");
        QTest::newRow("spaced") << "03 FA 19 00 01" << true << 5 << example << "";
        QTest::newRow("continuous") << "03FA190001" << true << 5 << example << "";
        QTest::newRow("lower case, tabs, line breaks") << " 03\tfa19 \n00 01 " << true << 5 << example << "";
        QTest::newRow("one digit") << "3" << true << 1 << bytes("03") << "";
        QTest::newRow("odd last digit") << "03F" << true << 2 << bytes("03 0F") << "";
        QTest::newRow("exactly a report") << repeatedPair("AB", 65) << true << 65 << Packet(65, 0xAB) << "";
        QTest::newRow("one byte too many is cut")
            << repeatedPair("AB", 65) + "CD" << true << 66 << Packet(65, 0xAB) << "";

        QTest::newRow("bad pair stops everything") << "03 FG" << false << 0 << Packet() << "FG";
        QTest::newRow("bad pair after good ones") << "0102GG03" << false << 0 << Packet() << "GG";
        QTest::newRow("bad odd last digit") << "03 FF G" << false << 0 << Packet() << "G";
        QTest::newRow("sign is not a digit") << "+1 02" << false << 0 << Packet() << "+1";
        QTest::newRow("0x prefix is not a byte") << "0x03" << false << 0 << Packet() << "0x";
        QTest::newRow("full-width digits")
            << QString::fromUtf16(u"０３") << false << 0 << Packet() << QString::fromUtf16(u"０３");
        QTest::newRow("empty") << "" << false << 0 << Packet() << "";
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, typedBytes);
        QFETCH(Packet, packet);
        QFETCH(QString, badPair);

        const DebugHexPacket r = parseDebugHex(text);
        QCOMPARE(r.ok, ok);
        QCOMPARE(r.badPair, badPair);
        if (ok) {
            QCOMPARE(r.typedBytes, typedBytes);
            QCOMPARE(int(r.packet.size()), kReportSize);
            Packet expected = packet;
            expected.resize(kReportSize, 0);
            QCOMPARE(r.packet, expected);
        } else {
            // Nothing of a rejected line may be sent.
            QVERIFY(r.packet.empty());
        }
    }

    void hexBytes_data()
    {
        QTest::addColumn<Packet>("packet");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << Packet() << "";
        QTest::newRow("one") << Packet{0x03} << "03";
        // Unlike the log form there is no line break after 16 bytes.
        QTest::newRow("a whole report on one line") << Packet(65, 0xFF) << repeatedPair("FF ", 64) + "FF";
    }

    void hexBytes()
    {
        QFETCH(Packet, packet);
        QFETCH(QString, text);
        QCOMPARE(packetToHexLine(packet), text);
    }
};

QTEST_APPLESS_MAIN(TestPackets)
#include "tst_packets.moc"
