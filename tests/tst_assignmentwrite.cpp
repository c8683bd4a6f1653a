#include "protocol/actionnames.h"
#include "protocol/assignmentwrite.h"
#include "protocol/keyvocabulary.h"
#include "protocol/knobdocument.h"
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

// A document as the window builds it, step by step: "2:Ctrl+" adds the action
// of a name to physical key 2, "2+04" the key value 0x04 (modifiers in the
// high byte), "2@0,,120" sets delays (empty: unchanged).
KnobDocument documentOf(const QString &steps)
{
    KnobDocument d;
    for (const QString &step : steps.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QList<KnobAction> &actions = d.keys[std::size_t(step.at(0).digitValue() - 1)];
        const char kind = step.at(1).toLatin1();
        const QString rest = step.mid(2);
        const uint value = rest.toUInt(nullptr, 16);
        if (kind == '@') {
            const QStringList delays = rest.split(QLatin1Char(','));
            for (int i = 0; i < delays.size(); ++i)
                if (!delays[i].isEmpty())
                    actions[i].delayMs = delays[i].toInt();
            continue;
        }
        const ActionNameResult named = actionFromName(rest, true);
        KnobAction a = kind == '+' ? KnobAction::key(static_cast<unsigned char>(value >> 8),
                                                     static_cast<unsigned char>(value & 0xFF))
                       : named.ok  ? named.action
                                   : KnobAction::named(rest);
        a.delayMs = KnobAction::defaultDelay(int(actions.size()));
        actions << a;
    }
    return d;
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
        QTest::addColumn<QString>("steps");
        QTest::addColumn<Packet>("expected");
        QTest::newRow("modifier alone takes its index but no delay")
            << "2+04 2:Ctrl+ 2+05 2@0,50,120"
            << bytes("03 FD 04 01 01 00 03 | 00 00 04 | 00 00 F1 | 00 78 05");
        QTest::newRow("delays capped and floored")
            << "2+04 2+05 2+06 2@-3,10,70000"
            << bytes("03 FD 04 01 01 00 03 | 00 00 04 | 00 32 05 | EA 60 06");
        QTest::newRow("trailing modifier")
            << "2:Shift+A 2:Ctrl+" << bytes("03 FD 04 01 01 00 03 | 00 00 F2 | 00 00 04 | 00 00 F1");
        QTest::newRow("interleaved order, plain high-byte mask") // V with Ctrl in the high byte
            << "2+119 2:! 2+05 2@,100,200"
            << bytes("03 FD 04 01 01 00 05 | 00 00 F1 | 00 00 19 | 00 00 F2 | 00 64 1E | 00 C8 05");
        QTest::newRow("name with neither mask nor key")
            << "2:Hello 2+05" << bytes("03 FD 04 01 01 00 01 | 00 32 05");
    }
    void packedRecords()
    {
        QFETCH(QString, steps);
        QFETCH(Packet, expected);
        const AssignmentWritePlan plan = planAssignmentWrite(documentOf(steps));
        QCOMPARE(plan.knobs.size(), 1);
        QCOMPARE(plan.knobs.first().mode, WriteMode::Packed);
        QCOMPARE(keyPacketOf(plan, 2), expected);
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
        QString steps;
        for (int i = 0; i < keys.size(); ++i) {
            const auto usage = static_cast<unsigned short>(0x04 + i);
            steps += keys[i] == QLatin1Char('+') ? " 3:Ctrl+" + keyCodeToString(usage, true)
                                                 : QStringLiteral(" 3+%1").arg(usage, 0, 16);
        }
        const AssignmentWritePlan plan = planAssignmentWrite(documentOf(steps));
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
        const AssignmentWriteResult r = executeAssignmentWrite(plan, link.io());
        QVERIFY(r.ok);
        QCOMPARE(r.truncatedKnobKeys, truncated ? QList<int>{3} : QList<int>{});
        QCOMPARE(link.sent.front().second, p);
    }

    void sequences_data()
    {
        QTest::addColumn<QString>("steps");
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
        QTest::newRow("five defaults, one by one")
            << "1:音量- 2:音量+ 3:屏幕亮度- 4:屏幕亮度+ 5:静音" << QList<int>{} << true << defaultsEvents;
        QTest::newRow("packed key packet fails: no end packet, next key still written")
            << "2+04 4:Win+Tab" << QList<int>{0} << false
            << QStringList{"k2 03 FD 04 01 x", "k4 03 FD 06 01", "pause 100", "k4 03 FD FE FF", "pause 50"};
        QTest::newRow("packed end packet fails")
            << "2+04 4:Win+Tab" << QList<int>{1} << false
            << QStringList{"k2 03 FD 04 01", "pause 100", "k2 03 FD FE FF x", "pause 50",
                           "k4 03 FD 06 01", "pause 100", "k4 03 FD FE FF",   "pause 50"};
        QTest::newRow("media among keys: plain first, then names; a failure still sends the rest")
            << "1+04 1:音量+ 1+05 2+04" << QList<int>{0} << false
            << QStringList{"k1 03 FD 02 01 x", "pause 50",  "k1 03 FD 02 01", "pause 50",
                           "k1 03 FD 02 01",   "pause 50",  "pause 50",       "k1 03 FD FE FF",
                           "k2 03 FD 04 01",   "pause 100", "k2 03 FD FE FF", "pause 50"};
        QTest::newRow("lighting: three parts 10 ms apart")
            << "5:LED模式2" << QList<int>{} << true
            << QStringList{"k5 03 FE B0 00", "pause 10", "k5 03 FE B0 01", "pause 10",
                           "k5 03 FE B0 02", "pause 50", "pause 50",       "k5 03 FD FE FF"};
        QTest::newRow("lighting part 0 fails: parts 1 and 2 are not sent")
            << "5:LED模式2" << QList<int>{0} << false
            << QStringList{"k5 03 FE B0 00 x", "pause 50", "pause 50", "k5 03 FD FE FF"};
        QTest::newRow("unknown lighting name: nothing sent for it, write failed")
            << "5:Ctrl+ 5:LED模式9" << QList<int>{} << false
            << QStringList{"k5 03 FD 03 01", "pause 50", "pause 50", "pause 50", "k5 03 FD FE FF"};
        QTest::newRow("all empty") << "" << QList<int>{} << true << QStringList{};
        QTest::newRow("over Bluetooth nothing is paced, the order is the same")
            << "1+04 3+05 unpaced" << QList<int>{} << true
            << QStringList{"k1 03 FD 02 01", "k1 03 FD FE FF", "k3 03 FD 05 01", "k3 03 FD FE FF"};
    }
    void sequences()
    {
        QFETCH(QString, steps);
        QFETCH(QList<int>, failing);
        QFETCH(bool, ok);
        QFETCH(QStringList, events);
        QTest::failOnWarning(QRegularExpression(QStringLiteral("^(?!✗).*")));
        FakeLink link;
        link.failing = failing;
        const bool paced = !steps.endsWith(QLatin1String("unpaced"));
        const AssignmentWriteResult r = executeAssignmentWrite(
            planAssignmentWrite(documentOf(steps.remove(QLatin1String("unpaced")))), link.io(paced));
        QCOMPARE(link.events, events);
        QCOMPARE(r.ok, ok);
    }

    // One-by-one packets carry no delays, even when the delay page holds some.
    void oneByOneIgnoresDelays()
    {
        FakeLink link;
        QVERIFY(
            executeAssignmentWrite(planAssignmentWrite(documentOf("4:Ctrl+C 4:撤销 4@500,900")), link.io())
                .ok);
        QCOMPARE(link.sent.size(), std::size_t(3));
        QCOMPARE(link.sent[0].second, bytes("03 FD 06 01 01 00 02 | 00 00 F1 | 00 00 06"));
        QCOMPARE(link.sent[1].second, bytes("03 FD 06 01 04 00 02 | 00 00 F4 | 00 00 1D"));
    }
};

QTEST_APPLESS_MAIN(TestAssignmentWrite)
#include "tst_assignmentwrite.moc"
