#include "protocol/assignmentwrite.h"
#include "protocol/keyvocabulary.h"
#include "protocol/uitext.h"
#include "ui/pages/pagevocabulary.h"

#include "support/packetbytes.h"
#include <QLoggingCategory>
#include <QRegularExpression>

#include <QTest>

namespace {

QString head(const Packet &p, int n = 7)
{
    QStringList parts;
    for (int i = 0; i < n && i < int(p.size()); ++i)
        parts << QStringLiteral("%1").arg(p[i], 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(' '));
}

// Records every send and pause; sends listed in `failing` (by order, from 0) fail.
struct FakeLink
{
    QStringList events;
    std::vector<std::pair<int, Packet>> sent;
    QList<int> failing;
    int sendIndex = 0;

    AssignmentWriteIo io(bool paced = true)
    {
        AssignmentWriteIo io;
        io.send = [this](const Packet &p, int knobKey) {
            const bool fail = failing.contains(sendIndex++);
            events << QStringLiteral("k%1 %2%3")
                          .arg(knobKey)
                          .arg(head(p, 4), fail ? QStringLiteral(" x") : QString());
            sent.emplace_back(knobKey, p);
            return fail ? -1 : int(p.size());
        };
        if (paced)
            io.pause = [this](int ms) { events << QStringLiteral("pause %1").arg(ms); };
        return io;
    }
};

// Adds virtual keys to a physical key the way the window does.
void addPlain(KnobModelSnapshot &s, int k, unsigned short v)
{
    s.keys[k - 1].keyCodes << v;
    s.keys[k - 1].displayNames << uiText(keyCodeToString(v, s.isMacLayout));
}

void addName(KnobModelSnapshot &s, int k, const QString &name)
{
    s.keys[k - 1].combinations << name;
    s.keys[k - 1].displayNames << uiText(name);
}

void setAction(KnobModelSnapshot &s, int k, const QString &name)
{
    s.keys[k - 1] = KnobKeyModel();
    addName(s, k, name);
}

KnobModelSnapshot defaults()
{
    KnobModelSnapshot s;
    const char16_t *names[] = {u"音量-", u"音量+", u"屏幕亮度-", u"屏幕亮度+", u"静音"};
    for (int k = 1; k <= 5; ++k)
        setAction(s, k, QString::fromUtf16(names[k - 1]));
    return s;
}

Packet keyPacketOf(const AssignmentWritePlan &plan, int knobKey)
{
    for (const KnobWritePlan &k : plan.knobs) {
        if (k.knobKey == knobKey && !k.sends.isEmpty())
            return k.sends.first().packets.front();
    }
    return Packet();
}

} // namespace

class TestAssignmentWrite : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The write logs every report in full; keep the test output readable.
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false")); }

    void packedRecords_data()
    {
        QTest::addColumn<int>("scenario");
        QTest::addColumn<Packet>("expected");
        QTest::newRow("modifier alone takes its index but no delay")
            << 0 << bytes("03 FD 04 01 01 00 03 | 00 00 04 | 00 00 F1 | 00 78 05");
        QTest::newRow("delays capped and floored")
            << 1 << bytes("03 FD 04 01 01 00 03 | 00 00 04 | 00 32 05 | EA 60 06");
        QTest::newRow("trailing modifier")
            << 2 << bytes("03 FD 04 01 01 00 03 | 00 00 F2 | 00 00 04 | 00 00 F1");
        QTest::newRow("unmatched display entry is skipped")
            << 3 << bytes("03 FD 04 01 01 00 03 | 00 00 04 | 00 00 F1 | 00 32 1D");
        QTest::newRow("interleaved order, plain high-byte mask")
            << 4 << bytes("03 FD 04 01 01 00 05 | 00 00 F1 | 00 00 19 | 00 00 F2 | 00 64 1E | 00 C8 05");
        QTest::newRow("layout switched after adding") << 5 << bytes("03 FD 04 01 01 00 01 | 00 00 E0");
        QTest::newRow("name with neither mask nor key") << 6 << bytes("03 FD 04 01 01 00 01 | 00 32 05");
        QTest::newRow("keys missing from the display list are kept")
            << 7 << bytes("03 FD 04 01 01 00 03 | 00 00 04 | 00 32 05 | 00 00 F1");
    }
    void packedRecords()
    {
        QFETCH(int, scenario);
        QFETCH(Packet, expected);
        KnobModelSnapshot s;
        auto &d = s.keys[1].delays;
        switch (scenario) {
        case 0:
            addPlain(s, 2, 0x04);
            addName(s, 2, QStringLiteral("Ctrl+"));
            addPlain(s, 2, 0x05);
            d[0] = 0, d[1] = 50, d[2] = 120;
            break;
        case 1:
            addPlain(s, 2, 0x04);
            addPlain(s, 2, 0x05);
            addPlain(s, 2, 0x06);
            d[0] = -3, d[1] = 10, d[2] = 70000;
            break;
        case 2:
            addName(s, 2, QStringLiteral("Shift+A"));
            addName(s, 2, QStringLiteral("Ctrl+"));
            break;
        case 3:
            addPlain(s, 2, 0x04);
            s.keys[1].displayNames << QStringLiteral("stale");
            addName(s, 2, QStringLiteral("Ctrl+Z"));
            break;
        case 4:
            addPlain(s, 2, 0x0119); // V with Ctrl in the high byte
            addName(s, 2, QStringLiteral("!"));
            addPlain(s, 2, 0x05);
            d[1] = 100, d[2] = 200;
            break;
        case 5:
            s.isMacLayout = false;
            addPlain(s, 2, 0xE0); // added as "Ctl L"
            s.isMacLayout = true; // now named "control"
            break;
        case 6:
            addName(s, 2, QStringLiteral("Hello"));
            addPlain(s, 2, 0x05);
            break;
        case 7:
            addPlain(s, 2, 0x04);
            s.keys[1].keyCodes << 0x05;
            s.keys[1].combinations << QStringLiteral("Ctrl+");
            break;
        }
        const AssignmentWritePlan plan = planAssignmentWrite(s);
        QCOMPARE(plan.knobs.size(), 1);
        QCOMPARE(plan.knobs.first().mode, WriteMode::Packed);
        QCOMPARE(keyPacketOf(plan, 2), expected);
        QCOMPARE(plan.knobs.first().unorderedKeys.size(), scenario == 7 ? 2 : 0);
    }

    // At most 19 records fit and the cut keeps whole keys only. Keys are
    // written as "+" for a Ctrl+letter combination (two records) and "." for a
    // plain letter (one record).
    void recordLimit_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("lastKeyByte"); // key byte of the last record written
        QTest::newRow("18 combinations: the cut at 19 falls inside a pair")
            << QString(18, QLatin1Char('+')) << 36 << 18 << 0x04 + 8;
        QTest::newRow("20 plain keys keep 19") << QString(20, QLatin1Char('.')) << 20 << 19 << 0x04 + 18;
        QTest::newRow("18 plain then a combination: the pair is dropped whole")
            << QString(18, QLatin1Char('.')) + QLatin1Char('+') << 20 << 18 << 0x04 + 17;
        QTest::newRow("17 plain then a combination ends exactly at 19")
            << QString(17, QLatin1Char('.')) + QLatin1Char('+') << 19 << 19 << 0x04 + 17;
    }
    void recordLimit()
    {
        QFETCH(QString, keys);
        QFETCH(int, records);
        QFETCH(int, written);
        QFETCH(int, lastKeyByte);
        KnobModelSnapshot s;
        for (int i = 0; i < keys.size(); ++i) {
            const auto usage = static_cast<unsigned short>(0x04 + i);
            if (keys[i] == QLatin1Char('+'))
                addName(s, 3, QStringLiteral("Ctrl+") + keyCodeToString(usage, s.isMacLayout));
            else
                addPlain(s, 3, usage);
        }
        const AssignmentWritePlan plan = planAssignmentWrite(s);
        QCOMPARE(plan.knobs.size(), 1);
        QCOMPARE(plan.knobs.first().recordCount, records);
        QCOMPARE(plan.knobs.first().writtenRecordCount, written);
        const bool truncated = written < records;
        QCOMPARE(plan.truncatedKnobKeys(), truncated ? QList<int>{3} : QList<int>{});

        const Packet p = keyPacketOf(plan, 3);
        QCOMPARE(int(p.size()), kReportSize);
        QCOMPARE(int(p[6]), written);
        QCOMPARE(int(p[7 + 3 * (written - 1) + 2]), lastKeyByte);
        // Nothing of the dropped records leaks past the count.
        for (std::size_t i = 7 + 3 * std::size_t(written); i < p.size(); ++i)
            QCOMPARE(int(p[i]), 0);

        FakeLink link;
        if (truncated)
            QTest::ignoreMessage(
                QtWarningMsg,
                qPrintable(
                    QStringLiteral("警告: 按键序列超长，已截断 (%1 -> %2)").arg(records).arg(written)));
        const AssignmentWriteResult r = executeAssignmentWrite(plan, link.io());
        QVERIFY(r.ok);
        QCOMPARE(r.truncatedKnobKeys, truncated ? QList<int>{3} : QList<int>{});
        QCOMPARE(link.sent.front().second, p);
    }

    void sequences_data()
    {
        QTest::addColumn<int>("scenario");
        QTest::addColumn<QList<int>>("failing");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("events");
        const QStringList defaultsEvents = [] {
            const char *media[] = {"03 FD 02 01", "03 FD 04 01", "03 FD 05 01", "03 FD 06 01", "03 FD 03 01"};
            QStringList e;
            for (int k = 1; k <= 5; ++k)
                e << QStringLiteral("k%1 %2").arg(k).arg(QLatin1String(media[k - 1])) << "pause 50"
                  << "pause 50" << QStringLiteral("k%1 03 FD FE FF").arg(k);
            return e;
        }();
        QTest::newRow("five defaults, one by one") << 0 << QList<int>{} << true << defaultsEvents;
        QTest::newRow("media among keys: plain first, then names")
            << 1 << QList<int>{} << true
            << QStringList{"k1 03 FD 02 01", "pause 50",  "k1 03 FD 02 01", "pause 50",
                           "k1 03 FD 02 01", "pause 50",  "pause 50",       "k1 03 FD FE FF",
                           "k2 03 FD 04 01", "pause 100", "k2 03 FD FE FF", "pause 50"};
        QTest::newRow("packed key packet fails: no end packet, next key still written")
            << 2 << QList<int>{0} << false
            << QStringList{"k2 03 FD 04 01 x", "k4 03 FD 06 01", "pause 100", "k4 03 FD FE FF", "pause 50"};
        QTest::newRow("packed end packet fails")
            << 2 << QList<int>{1} << false
            << QStringList{"k2 03 FD 04 01", "pause 100", "k2 03 FD FE FF x", "pause 50",
                           "k4 03 FD 06 01", "pause 100", "k4 03 FD FE FF",   "pause 50"};
        QTest::newRow("one-by-one failure still sends the rest and the end")
            << 1 << QList<int>{0} << false
            << QStringList{"k1 03 FD 02 01 x", "pause 50",  "k1 03 FD 02 01", "pause 50",
                           "k1 03 FD 02 01",   "pause 50",  "pause 50",       "k1 03 FD FE FF",
                           "k2 03 FD 04 01",   "pause 100", "k2 03 FD FE FF", "pause 50"};
        QTest::newRow("lighting: three parts 10 ms apart")
            << 3 << QList<int>{} << true
            << QStringList{"k5 03 FE B0 00", "pause 10", "k5 03 FE B0 01", "pause 10",
                           "k5 03 FE B0 02", "pause 50", "pause 50",       "k5 03 FD FE FF"};
        QTest::newRow("lighting part 0 fails: parts 1 and 2 are not sent")
            << 3 << QList<int>{0} << false
            << QStringList{"k5 03 FE B0 00 x", "pause 50", "pause 50", "k5 03 FD FE FF"};
        QTest::newRow("unknown lighting name: nothing sent for it, write failed")
            << 4 << QList<int>{} << false
            << QStringList{"k5 03 FD 03 01", "pause 50", "pause 50", "pause 50", "k5 03 FD FE FF"};
        QTest::newRow("all empty") << 5 << QList<int>{} << true << QStringList{};
        QTest::newRow("over Bluetooth nothing is paced, the order is the same")
            << 6 << QList<int>{} << true
            << QStringList{"k1 03 FD 02 01", "k1 03 FD FE FF", "k3 03 FD 05 01", "k3 03 FD FE FF"};
    }
    void sequences()
    {
        QFETCH(int, scenario);
        QFETCH(QList<int>, failing);
        QFETCH(bool, ok);
        QFETCH(QStringList, events);
        KnobModelSnapshot s;
        switch (scenario) {
        case 0:
            s = defaults();
            break;
        case 1:
            addPlain(s, 1, 0x04);
            addName(s, 1, QStringLiteral("音量+"));
            addPlain(s, 1, 0x05);
            addPlain(s, 2, 0x04);
            break;
        case 2:
            addPlain(s, 2, 0x04);
            addName(s, 4, QStringLiteral("Win+Tab"));
            break;
        case 3:
            setAction(s, 5, QStringLiteral("LED模式2"));
            break;
        case 4:
            addName(s, 5, QStringLiteral("Ctrl+"));
            addName(s, 5, QStringLiteral("LED模式9"));
            break;
        case 6:
            addPlain(s, 1, 0x04);
            addPlain(s, 3, 0x05);
            break;
        default:
            break;
        }
        QTest::failOnWarning(QRegularExpression(QStringLiteral("^(?!✗).*")));
        FakeLink link;
        link.failing = failing;
        const AssignmentWriteResult r =
            executeAssignmentWrite(planAssignmentWrite(s), link.io(scenario != 6));
        QCOMPARE(link.events, events);
        QCOMPARE(r.ok, ok);
    }

    // One-by-one packets carry no delays, even when the delay page holds some.
    void oneByOneIgnoresDelays()
    {
        KnobModelSnapshot s;
        addName(s, 4, QStringLiteral("Ctrl+C"));
        addName(s, 4, QStringLiteral("撤销"));
        s.keys[3].delays[0] = 500;
        s.keys[3].delays[1] = 900;
        FakeLink link;
        QVERIFY(executeAssignmentWrite(planAssignmentWrite(s), link.io()).ok);
        QCOMPARE(link.sent.size(), std::size_t(3));
        QCOMPARE(link.sent[0].second, bytes("03 FD 06 01 01 00 02 | 00 00 F1 | 00 00 06"));
        QCOMPARE(link.sent[1].second, bytes("03 FD 06 01 04 00 02 | 00 00 F4 | 00 00 1D"));
    }
};

QTEST_APPLESS_MAIN(TestAssignmentWrite)
#include "tst_assignmentwrite.moc"
