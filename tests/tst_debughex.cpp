// Typed hex lines of the debug console to 65-byte reports.
#include "protocol/debughex.h"

#include "support/packetbytes.h"

#include <QTest>

Q_DECLARE_METATYPE(Packet)

namespace {

QString repeatedPair(const char *pair, int times)
{
    return QString::fromLatin1(pair).repeated(times);
}

} // namespace

class TestDebugHex : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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

QTEST_GUILESS_MAIN(TestDebugHex)
#include "tst_debughex.moc"
