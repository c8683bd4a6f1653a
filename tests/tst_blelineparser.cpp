#include "device/blelineparser.h"
#include "device/blewire.h"

#include "support/packetbytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(Packet)
Q_DECLARE_METATYPE(BleHelperMessage::Type)

namespace {

using T = BleHelperMessage::Type;

QString hexOf(const Packet &p)
{
    return packetToHexLine(p);
}

// A compact rendering of a message, so one table column can state everything
// a row expects of it.
QString describe(const BleHelperMessage &m)
{
    switch (m.type) {
    case T::Connected:
        return QStringLiteral("connected|%1|%2").arg(m.address, m.deviceId);
    case T::GattUuids:
        return QStringLiteral("gatt|%1").arg(m.writeUuid);
    case T::WriteReady:
        return QStringLiteral("write_ready");
    case T::WriteOk:
        return QStringLiteral("write_ok|%1").arg(m.query ? "true" : "false");
    case T::HardwareProbe:
        return QStringLiteral("probe|%1").arg(m.online ? "true" : "false");
    case T::Notify:
        return QStringLiteral("notify|%1").arg(m.packet.empty() ? QStringLiteral("-") : hexOf(m.packet));
    case T::SessionDisconnected:
        return QStringLiteral("disconnected");
    case T::Error:
        return QStringLiteral("error|%1").arg(m.message);
    }
    return {};
}

QString notifyLine(const QString &data)
{
    return QStringLiteral("{\"type\":\"notify\",\"data\":\"%1\"}\n").arg(data);
}

} // namespace

class TestBleLineParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Chunks go in one after the other; the messages of all chunks come out.
    void chunking_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("one line") << QList<QByteArray>{"{\"type\":\"write_ready\"}\n"}
                                  << QStringList{"write_ready"};
        QTest::newRow("nothing before the newline")
            << QList<QByteArray>{"{\"type\":\"write_ready\"}"} << QStringList{};
        QTest::newRow("blank and white-space lines")
            << QList<QByteArray>{"\n\n   \r\n", "\t{\"type\":\"session_disconnected\"}  \r\n\n"}
            << QStringList{"disconnected"};
        QTest::newRow("not JSON is skipped, the next line still counts")
            << QList<QByteArray>{"Traceback (most recent call last):\n", "[1,2]\n",
                                 "{\"type\":\"write_ready\"}\n"}
            << QStringList{"write_ready"};
        QTest::newRow("unknown and missing type")
            << QList<QByteArray>{"{\"type\":\"scan_result\",\"name\":\"x\"}\n{\"address\":\"a\"}\n"
                                 "{\"type\":\"write_ready\"}\n"}
            << QStringList{"write_ready"};
        QTest::newRow("missing fields read as empty and false")
            << QList<QByteArray>{"{\"type\":\"connected\"}\n{\"type\":\"write_ok\"}\n"
                                 "{\"type\":\"hardware_probe\",\"online\":\"yes\"}\n{\"type\":\"gatt_uuids\"}"
                                 "\n"}
            << QStringList{"connected||", "write_ok|false", "probe|false", "gatt|"};
        QTest::newRow("gatt uuid trimmed")
            << QList<QByteArray>{"{\"type\":\"gatt_uuids\",\"write_uuid\":\"  abcd-01 \"}\n"}
            << QStringList{"gatt|abcd-01"};

        const Packet assignment = bytes("03 FD 11 01 01 00 01 | 00 00 04", 64);
        const Packet padded = bytes("03 FD 11 01 01 00 01 | 00 00 04", 65);
        QTest::newRow("64-byte notify padded to 65")
            << QList<QByteArray>{notifyLine(hexOf(assignment)).toUtf8()}
            << QStringList{"notify|" + hexOf(padded)};
        QTest::newRow("lower-case tokens and extra white space")
            << QList<QByteArray>{notifyLine("  03   fd  11 " + QString(" 00").repeated(61) + " ").toUtf8()}
            << QStringList{"notify|" + hexOf(bytes("03 FD 11"))};
        QTest::newRow("longer notify cut to 65")
            << QList<QByteArray>{notifyLine(hexOf(bytes("03 FD 11 01", 70))).toUtf8()}
            << QStringList{"notify|" + hexOf(bytes("03 FD 11 01"))};
        QTest::newRow("token above 255 drops the line")
            << QList<QByteArray>{notifyLine("03 FD 100 " + hexOf(bytes("00", 61))).toUtf8()} << QStringList{};
        QTest::newRow("short notify is not a configuration packet")
            << QList<QByteArray>{notifyLine("03 FD FE FF").toUtf8()} << QStringList{"notify|-"};
        QTest::newRow("63 bytes is not a configuration packet")
            << QList<QByteArray>{notifyLine(hexOf(bytes("03 FD 11", 63))).toUtf8()}
            << QStringList{"notify|-"};
        QTest::newRow("other class is not a configuration packet")
            << QList<QByteArray>{notifyLine(hexOf(bytes("03 FE 11", 64))).toUtf8()}
            << QStringList{"notify|-"};
        QTest::newRow("notify without data")
            << QList<QByteArray>{"{\"type\":\"notify\"}\n"} << QStringList{"notify|-"};
    }
    void chunking()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QStringList, expected);
        BleLineParser parser;
        QStringList actual;
        for (const QByteArray &chunk : chunks) {
            const QList<BleHelperMessage> messages = parser.feed(chunk);
            for (const BleHelperMessage &m : messages)
                actual << describe(m);
        }
        QCOMPARE(actual, expected);
    }

    void remainderAtExit_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QByteArray>("remainder");
        QTest::newRow("last line without newline")
            << QByteArray("{\"type\":\"write_ready\"}\n  {\"type\":\"write_ok\"} ")
            << QByteArray("{\"type\":\"write_ok\"}");
        QTest::newRow("everything ended") << QByteArray("{\"type\":\"write_ready\"}\n") << QByteArray();
        QTest::newRow("only white space") << QByteArray("x\n \t ") << QByteArray();
    }
    void remainderAtExit()
    {
        QFETCH(QByteArray, output);
        QFETCH(QByteArray, remainder);
        BleLineParser parser;
        parser.appendChunk(output);
        QCOMPARE(parser.takeRemainder(), remainder);
        QVERIFY(!parser.hasPendingData());
        QCOMPARE(parser.takeRemainder(), QByteArray());
    }

    // A helper that streams without ever ending a line must not make the
    // buffer grow: the long line is dropped, the lines after it still count.
    void oversizedLineIsBounded_data()
    {
        QTest::addColumn<int>("chunkSize");
        QTest::addColumn<bool>("endInSameChunk");
        QTest::newRow("many small chunks") << 1000 << false;
        QTest::newRow("one huge chunk with its newline") << 200000 << true;
        QTest::newRow("one huge chunk, newline later") << 200000 << false;
    }
    void oversizedLineIsBounded()
    {
        QFETCH(int, chunkSize);
        QFETCH(bool, endInSameChunk);
        BleLineParser parser;
        const int total = 3 * BleLineParser::kMaxPendingBytes;
        int sent = 0;
        while (sent < total) {
            QByteArray chunk(chunkSize, 'x');
            if (endInSameChunk && sent + chunkSize >= total)
                chunk += "\n";
            QVERIFY(parser.feed(chunk).isEmpty());
            sent += chunkSize;
        }
        QVERIFY(!parser.hasPendingData() || endInSameChunk);
        QList<BleHelperMessage> after =
            parser.feed(QByteArray(endInSameChunk ? "" : "tail of the long line\n") +
                        "{\"type\":\"write_ok\",\"query\":true}\n");
        QCOMPARE(after.size(), 1);
        QCOMPARE(describe(after.first()), QStringLiteral("write_ok|true"));
        QCOMPARE(parser.oversizedLineCount(), 1);
        QVERIFY(!parser.hasPendingData());
        QCOMPARE(parser.takeRemainder(), QByteArray());
    }

    void normalise_data()
    {
        QTest::addColumn<Packet>("in");
        QTest::addColumn<Packet>("out");
        QTest::newRow("65 bytes keep the report number, lose the last byte")
            << bytes("03 FD 02 01 01 00 01 00 00 04", 65) << bytes("03 FD 02 01 01 00 01 00 00 04", 64);
        Packet full(65, 0xAB);
        QTest::newRow("last byte really goes") << full << Packet(64, 0xAB);
        QTest::newRow("10 bytes padded with 54 zeros")
            << bytes("03 FD 00 06 FF 80 00 64 01 07", 0) << bytes("03 FD 00 06 FF 80 00 64 01 07", 64);
        QTest::newRow("empty") << Packet() << Packet(64, 0x00);
        QTest::newRow("exactly 64 untouched") << Packet(64, 0x11) << Packet(64, 0x11);
    }
    void normalise()
    {
        QFETCH(Packet, in);
        QFETCH(Packet, out);
        QCOMPARE(normaliseBlePacket(in), out);
    }

    void batchArguments()
    {
        const std::vector<Packet> packets{bytes("03 FD 02 01 01 00 01 00 00 04"), bytes("03 FD 04 01 01"),
                                          bytes("03 FD FE FF")};
        const QStringList args = bleBatchWriteArguments(QStringLiteral("AA:BB:CC:DD:EE:FF"), packets);
        QCOMPARE(args.size(), 2 + 3 * 2 + 2);
        QCOMPARE(args.mid(0, 2), (QStringList{"connect", "AA:BB:CC:DD:EE:FF"}));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(args.at(2 + 2 * i), QStringLiteral("--write-packet"));
            const QString hex = args.at(3 + 2 * i);
            QCOMPARE(hex.size(), 191);
            QCOMPARE(parseBleHexTokens(hex).value(), normaliseBlePacket(packets[std::size_t(i)]));
        }
        QVERIFY(args.at(3).startsWith(QLatin1String("03 FD 02 01 01 00 01 00 00 04 00")));
        QCOMPARE(args.mid(8), (QStringList{"--listen", "0.15"}));
        QCOMPARE(bleAutoConnectArguments(),
                 (QStringList{"connect", "auto", "--query", "--auto", "--listen", "12"}));
    }

    void queryAndEndPacket()
    {
        Packet expected(64, 0xFF);
        expected[0] = 0x03;
        QCOMPARE(bleConfigQueryPacket(), expected);
        QVERIFY(isBleConfigEndNotification(bytes("03 FD FE FF", 64)));
        QVERIFY(isBleConfigEndNotification(bytes("03 03 FD FE FF", 66)));
        QVERIFY(isBleConfigEndNotification(bytes("03 FD FE FF", 0)));
        QVERIFY(!isBleConfigEndNotification(bytes("03 FD FE", 0)));
        QVERIFY(!isBleConfigEndNotification(bytes("03 FD 11 01 01", 64)));
    }

    void writeAcknowledged_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<bool>("normalExit");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("ok");
        QTest::newRow("compact, exit 0") << QByteArray("{\"type\":\"write_ok\"}\n") << true << 0 << true;
        QTest::newRow("among other lines")
            << QByteArray("debug: x\n{\"type\":\"connected\"}\n{\"type\":\"write_ok\",\"n\":3}\n") << true
            << 0 << true;
        QTest::newRow("spaces around the colon")
            << QByteArray("{\"type\" : \"write_ok\"}\n") << true << 0 << false;
        QTest::newRow("exit code 1") << QByteArray("{\"type\":\"write_ok\"}\n") << true << 1 << false;
        QTest::newRow("crashed") << QByteArray("{\"type\":\"write_ok\"}\n") << false << 0 << false;
        QTest::newRow("error only") << QByteArray("{\"type\":\"error\",\"message\":\"write_ok\"}") << true
                                    << 0 << false;
    }
    void writeAcknowledged()
    {
        QFETCH(QByteArray, output);
        QFETCH(bool, normalExit);
        QFETCH(int, exitCode);
        QFETCH(bool, ok);
        QCOMPARE(isBleBatchWriteAcknowledged(output, normalExit, exitCode), ok);
    }
};

QTEST_APPLESS_MAIN(TestBleLineParser)
#include "tst_blelineparser.moc"
