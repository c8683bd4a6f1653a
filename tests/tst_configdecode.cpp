// Key names to codes and back: what a save writes for a name, and what a
// read makes of the device's packets.
#include "protocol/KnobFirmware.h"
#include "protocol/actionfilenames.h"
#include "protocol/actionnames.h"
#include "protocol/assignmentwrite.h"
#include "protocol/configdecode.h"
#include "protocol/keyvocabulary.h"
#include "protocol/knobdocument.h"

#include "support/packetbytes.h"

#include <QTest>

Q_DECLARE_METATYPE(Packet)

namespace {

// "Ctrl+V@0,#A@500": the actions by name (plain keys by their display names,
// prefixed with '#') with their delays as the editor keeps them.
QString describe(const QList<KnobAction> &actions, bool mac)
{
    QStringList out;
    for (int i = 0; i < actions.size(); ++i) {
        const KnobAction &a = actions[i];
        const bool isPlain = a.kind == KnobAction::Key && a.modifiers == 0;
        out << QStringLiteral("%1%2@%3")
                   .arg(isPlain ? QStringLiteral("#") : QString(),
                        isPlain                       ? actionFileName(keyCodeToString(a.usage, mac))
                        : a.kind == KnobAction::Named ? a.sourceName
                                                      : actionDisplayName(a, mac))
                   .arg(clampedDelay(i, a.delayMs));
    }
    return out.join(QLatin1Char(','));
}

// A keyboard packet for key 1 holding `count` plain A keys, 500 ms apart.
Packet plainKeys(int count)
{
    Packet p = bytes("03 FD 02 01 01 00");
    p[6] = static_cast<unsigned char>(count);
    for (int i = 0; i < count && 9 + 3 * i < kReportSize; ++i) {
        p[7 + 3 * i] = 0x01;
        p[8 + 3 * i] = 0xF4;
        p[9 + 3 * i] = 0x04;
    }
    return p;
}

} // namespace

class TestConfigDecode : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Assignment packets of every type: which physical key, which virtual keys.
    void assignments_data()
    {
        QTest::addColumn<Packet>("packet");
        QTest::addColumn<bool>("mac");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("knobKey");
        QTest::addColumn<QString>("expected");

        const int A = DecodedConfigPacket::Assignment;
        const int U = DecodedConfigPacket::UnknownAction;
        const int I = DecodedConfigPacket::Ignored;
        const auto row = [](const char *name, const char *hex, bool mac, int kind, int knobKey,
                            const char *expected, int size = kReportSize) {
            QTest::newRow(name) << bytes(hex, size) << mac << kind << knobKey << QString::fromUtf8(expected);
        };

        row("shift plus", "03 FD 05 01 01 00 02 | 00 00 F2 | 00 00 2E", false, A, 3, "+@0");
        row("ctrl+win+v", "03 FD 02 01 01 00 03 | 00 00 F1 | 00 00 F4 | 00 00 19", true, A, 1,
            "Ctrl+Win+V@0");
        row("right modifiers", "03 FD 02 01 01 00 03 | 00 00 F5 | 00 00 F8 | 00 00 04", false, A, 1,
            "RightCtrl+RightWin+A@0");
        // The prefix record's delay is not the key's delay.
        row("prefix delay unused", "03 FD 02 01 01 00 03 | 00 00 04 | 07 D0 F1 | 00 C8 05", false, A, 1,
            "#A@0,Ctrl+B@200");
        row("delay floor 50 after first", "03 FD 02 01 01 00 02 | 00 0A 04 | 00 0A 05", false, A, 1,
            "#A@10,#B@50");
        row("fn and unnamed", "03 FD 02 01 01 00 03 | 00 00 F9 | 00 00 6C | 00 00 32", false, A, 1,
            "#fn@0,#K6C@50,#K32@50");
        row("mac modifier usage", "03 FD 02 01 01 00 01 | 00 00 E2", true, A, 1, "#command@0");
        row("count beyond packet", "03 FD 02 01 01 00 FF | 00 00 04", false, A, 1, "#A@0,#K00@50", 13);
        row("zero records", "03 FD 02 01 01 00 00", false, A, 1, "");

        // Trailing modifiers: a lone modifier at the end has a name only for one bit.
        row("trail win windows", "03 FD 02 01 01 00 02 | 00 00 04 | 00 00 F4", false, A, 1, "#A@0,Win+@50");
        row("trail gui mac", "03 FD 02 01 01 00 01 | 00 00 F4", true, A, 1, "Command@0");
        row("trail shift both", "03 FD 02 01 01 00 01 | 00 00 F2", true, A, 1, "Shift+@0");
        row("trail right alt win", "03 FD 02 01 01 00 01 | 00 00 F7", false, A, 1, "RightAlt+@0");
        // The knob replays every trailing modifier, so all of them are kept.
        row("trail two bits", "03 FD 02 01 01 00 03 | 00 00 04 | 00 00 F1 | 00 00 F2", false, A, 1,
            "#A@0,Ctrl+Shift+@50");
        row("ctrl alt win alone", "03 FD 02 01 01 00 03 | 00 00 F1 | 00 00 F3 | 00 00 F4", false, A, 1,
            "Ctrl+Alt+Win+@0");
        row("ctrl alt win a", "03 FD 02 01 01 00 04 | 00 00 F1 | 00 00 F3 | 00 00 F4 | 00 00 04", false, A, 1,
            "Ctrl+Alt+Win+A@0");

        // Media: only the first entry is read.
        row("media back other second", "03 FD 04 01 02 00 02 | 00 00 24 | 00 00 07", false, A, 2,
            "网页后退@0");
        row("media unknown", "03 FD 04 01 02 00 01 | 00 00 99", false, U, 2, "");
        row("media short", "03 FD 04 01 02 00 01 00 00", false, U, 2, "", 0);

        // Mouse.
        row("wheel down", "03 FD 05 01 03 01 04 00 00 00 00 00 00 | 00 00 00 00 00 00 00 00 FF", false, A, 3,
            "鼠标滚轮-@0");
        row("ctrl wheel up", "03 FD 05 01 03 01 04 00 00 F1 00 00 00 | 00 00 00 00 00 00 00 00 01", false, A,
            3, "Ctrl+鼠标向上@0");
        row("wheel needs 22 bytes", "03 FD 05 01 03 01 04 00 00 00 00 00 00 00", false, U, 3, "", 21);
        row("mouse bad byte 6", "03 FD 05 01 03 01 05 00 00 00 00 00 01", false, U, 3, "");
        row("swipe up", "03 FD 06 01 03 04 04 00 00 03", false, A, 4, "向上划屏@0");
        row("touch unknown", "03 FD 06 01 03 04 04 00 00 09", false, U, 4, "");
        row("mouse 12 bytes", "03 FD 06 01 03 01 04 00 00 00 00 00", false, U, 4, "", 12);

        // Command codes: both sets, and what is ignored.
        row("older code 0x11", "03 FD 11 01 01 00 01 | 00 00 04", false, A, 5, "#A@0");
        row("code 0x07", "03 FD 07 01 01 00 01 | 00 00 04", false, I, 0, "");
        row("type 5", "03 FD 02 01 05 00 01 | 00 00 04", false, I, 0, "");
        row("six bytes", "03 FD 02 01 01 00", false, I, 0, "", 0);
        row("not FD", "03 FE 02 01 01 00 01 | 00 00 04", false, I, 0, "");
        row("end packet", "03 FD FE FF", false, I, 0, "");
    }
    void assignments()
    {
        QFETCH(Packet, packet);
        QFETCH(bool, mac);
        QFETCH(int, kind);
        QFETCH(int, knobKey);
        QFETCH(QString, expected);
        const DecodedConfigPacket d = decodeConfigPacket(packet);
        QCOMPARE(int(d.kind), kind);
        QCOMPARE(d.knobKey, knobKey);
        QCOMPARE(describe(d.actions, mac), expected);
    }

    void procreateFallback()
    {
        QVERIFY(!decodeConfigPacket(bytes("03 FD 13 01 04 00 02 | 00 00 F4 | 00 00 1D")).procreateFallback);
        QVERIFY(decodeConfigPacket(bytes("03 FD 13 01 04 00 02 | 00 00 F4 | 00 00 1E")).procreateFallback);
    }

    // What the window saves, the knob stores and a read brings back must save
    // as the same bytes again, modifiers bound alone at the end included.
    void trailingModifiersSurviveTheKnob_data()
    {
        QTest::addColumn<bool>("mac");
        QTest::addColumn<QStringList>("names"); // after a plain A unless the first is "-"
        QTest::newRow("A Ctrl+ Shift+") << false << QStringList{"Ctrl+", "Shift+"};
        QTest::newRow("A control option mac") << true << QStringList{"control", "option"};
        QTest::newRow("Ctrl+ Alt+ Win+ alone") << false << QStringList{"-", "Ctrl+", "Alt+", "Win+"};
        QTest::newRow("A Win+") << false << QStringList{"Win+"};
    }
    void trailingModifiersSurviveTheKnob()
    {
        QFETCH(bool, mac);
        QFETCH(QStringList, names);
        KnobDocument document;
        document.isMacLayout = mac;
        if (names.first() == QLatin1String("-"))
            names.removeFirst();
        else
            document.keys[1] << KnobAction::key(0, 0x04);
        for (const QString &n : names)
            document.keys[1] << actionFromName(n, mac).action;
        const std::vector<Packet> wire = wireOf(document);
        KnobFirmware knob;
        for (const Packet &p : wire)
            knob.receive(p.data(), p.size());
        const KnobDocument back = decodeConfiguration(knob.answers(), mac);
        QVERIFY(!back.keys[1].isEmpty());
        QCOMPARE(wireOf(back), wire);
    }

    void eighteenKeyLimit_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("kept");
        QTest::newRow("17") << 17 << 17;
        QTest::newRow("18") << 18 << 18;
        QTest::newRow("19") << 19 << 18;
        QTest::newRow("18 then a lone modifier") << -19 << 18; // no trailing name past the limit
    }
    void eighteenKeyLimit()
    {
        QFETCH(int, records);
        QFETCH(int, kept);
        Packet p = plainKeys(std::abs(records));
        if (records < 0)
            p[9 + 3 * 18] = 0xF1; // Ctrl alone
        const DecodedConfigPacket d = decodeConfigPacket(p);
        QCOMPARE(d.actions.size(), kept);
        QCOMPARE(d.actions.last().delayMs, 500);
        QCOMPARE(d.actions.last().kind, KnobAction::Key);
    }

    void colour_data()
    {
        QTest::addColumn<Packet>("packet");
        QTest::addColumn<QString>("colour"); // empty: not a colour packet
        QTest::addColumn<int>("brightness");
        QTest::addColumn<bool>("on");
        QTest::newRow("orange on") << bytes("03 FD 00 06 FF 80 00 64 01") << "#ff8000" << 100 << true;
        QTest::newRow("off") << bytes("03 FD 00 06 01 02 03 05 00") << "#010203" << 5 << false;
        QTest::newRow("any non-zero is on") << bytes("03 FD 00 06 00 00 00 32 07") << "#000000" << 50 << true;
        QTest::newRow("brightness over 100")
            << bytes("03 FD 00 06 00 00 FF C8 01") << "#0000ff" << 100 << true;
        QTest::newRow("exactly 9 bytes") << bytes("03 FD 00 06 10 20 30 40 01", 0) << "#102030" << 64 << true;
        QTest::newRow("8 bytes") << bytes("03 FD 00 06 10 20 30 40", 0) << "" << 0 << false;
        QTest::newRow("other setting") << bytes("03 FD 00 07 10 20 30 40 01") << "" << 0 << false;
    }
    void colour()
    {
        QFETCH(Packet, packet);
        QFETCH(QString, colour);
        QFETCH(int, brightness);
        QFETCH(bool, on);
        const DecodedConfigPacket d = decodeConfigPacket(packet);
        QCOMPARE(d.kind, colour.isEmpty() ? DecodedConfigPacket::Ignored : DecodedConfigPacket::Colour);
        if (colour.isEmpty())
            return;
        QCOMPARE(d.light.colorName(), colour);
        QCOMPARE(d.light.brightness, brightness);
        QCOMPARE(d.light.on, on);
    }

    void normalise_data()
    {
        QTest::addColumn<Packet>("raw");
        QTest::addColumn<Packet>("expected");
        QTest::newRow("extra report byte 65")
            << bytes("03 03 FD 02 01 01 00 01 00 00 04") << bytes("03 FD 02 01 01 00 01 00 00 04");
        QTest::newRow("extra report byte 66") << bytes("03 03 FD 02 01", 66) << bytes("03 FD 02 01", 65);
        QTest::newRow("64 bytes unchanged") << bytes("03 FD 02 01", 64) << bytes("03 FD 02 01", 64);
        QTest::newRow("03 03 other") << bytes("03 03 FE") << bytes("03 03 FE");
    }
    void normalise()
    {
        QFETCH(Packet, raw);
        QFETCH(Packet, expected);
        QCOMPARE(normaliseConfigResponse(raw), expected);
    }

    // Name -> key code, mask and type, as the packet writers see them.
    void parse_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("type");
        QTest::newRow("Ctrl+Shift+A") << "Ctrl+Shift+A" << 0x04 << 0x03 << int(Standard);
        QTest::newRow("F13") << "F13" << 0x68 << 0 << int(Standard);
        QTest::newRow("shifted symbol") << "!" << 0x1E << 0x02 << int(Standard);
        QTest::newRow("Ctrl+ alone") << "Ctrl+" << 0 << 0x01 << int(ModifierOnly);
        QTest::newRow("all four") << "Ctrl+Alt+Shift+Win+" << 0 << 0x0F << int(ModifierOnly);
        QTest::newRow("unknown") << "Hello" << 0 << 0 << int(Standard);
        QTest::newRow("refresh shares the code of 0") << "网页刷新" << 0x27 << 0 << int(Multimedia);
        QTest::newRow("browser") << "打开浏览器" << 0x223 << 0 << int(Multimedia);
        QTest::newRow("middle button shares 0xE9") << "鼠标中键" << 0xE9 << 0 << int(Mouse);
        QTest::newRow("Ctrl+mouse up is mouse") << "Ctrl+鼠标向上" << 0xEF << 0x01 << int(Mouse);
        QTest::newRow("shift+mouse down") << "shift+鼠标向下" << 0xF9 << 0 << int(Mouse);
        QTest::newRow("swipe") << "向下划屏" << 0xFD << 0 << int(Mouse);
        QTest::newRow("light off") << "关闭灯光" << 0xF0 << 0 << int(Light);
        QTest::newRow("LED mode 5") << "LED模式5" << 0xF5 << 0 << int(Light);
        QTest::newRow("unknown LED name") << "LED模式9" << 0 << 0 << int(Light);
        QTest::newRow("exact Procreate key") << "打开色彩面板" << 0 << 0 << int(Procreate);
        QTest::newRow("containing 打开色彩 only") << "打开色彩" << 0 << 0 << int(Multimedia);
        QTest::newRow("Procreate by substring") << "撤销一步" << 0 << 0 << int(Procreate);
        QTest::newRow("English text is no table key") << "Undo" << 0 << 0 << int(Standard);
    }
    void parse()
    {
        QFETCH(QString, name);
        QFETCH(int, code);
        QFETCH(int, mask);
        QFETCH(int, type);
        const unsigned short actual = combinationToKeyCode(name);
        QCOMPARE(int(actual), code);
        QCOMPARE(int(combinationToModifierMask(name)), mask);
        QCOMPARE(getKeyType(name, actual), type);
    }

    // No two symbols share a usage: a read names the symbol that was saved.
    void everyShiftedSymbolRoundTrips()
    {
        for (const ShiftedSymbol &s : shiftedSymbols()) {
            const QString name = QString::fromLatin1(s.symbol);
            QCOMPARE(int(combinationToKeyCode(name)), int(s.usage));
            QCOMPARE(int(combinationToModifierMask(name)), 0x02);
            QCOMPARE(shiftedSymbolForUsage(s.usage), name);
        }
    }
};

QTEST_APPLESS_MAIN(TestConfigDecode)
#include "tst_configdecode.moc"
