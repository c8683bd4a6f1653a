// What the user is told when the knob fails at each point of a save or a
// configuration read, driven through the real window and session against the
// simulated knob: never "saved" for a device that did not get everything, no
// hidapi call on a closed handle, no leaked handle, and the edits survive for
// a second Save.
#include "protocol/uitext.h"
#include "support/windowrig.h"
#include "tests/fakes/hidsim/hidsim.h"

namespace {

constexpr int kVendorInterface = 2;
constexpr int kWait = 15000;

// Physical key 1: A B; physical key 3: C. Both packed keyboard reports.
bool edit(WindowRig &rig)
{
    if (!rig.select(1))
        return false;
    rig.clickKey(0x04);
    rig.clickKey(0x05);
    if (!rig.select(3))
        return false;
    rig.clickKey(0x06);
    return true;
}

bool modelHoldsEdits(const WindowRig &rig)
{
    const KnobModel &m = rig.window.knobModel();
    return m.key(1).keyCodes == QList<unsigned short>{0x04, 0x05} &&
           m.key(3).keyCodes == QList<unsigned short>{0x06} && m.key(2).isEmpty();
}

std::vector<hidsim::WriteRecord> acceptedWrites()
{
    std::vector<hidsim::WriteRecord> out;
    for (hidsim::WriteRecord &r : hidsim::writes())
        if (r.result >= 0 && !(r.bytes.size() > 1 && r.bytes[1] == 0xFF))
            out.push_back(std::move(r));
    return out;
}

bool isEndPacket(const hidsim::Packet &p)
{
    return p.size() > 3 && p[1] == 0xFD && p[2] == 0xFE && p[3] == 0xFF;
}

// Where a save of the edits above puts its reports ("firstKey", "firstCopy",
// "firstEnd", "lastKey": indices among the accepted writes), found by a clean run.
struct SaveLayout
{
    QMap<QString, int> at;
    std::map<int, hidsim::Packet> stored;
};

SaveLayout cleanSaveLayout()
{
    hidsim::reset();
    const int device = hidsim::addDevice(hidsim::knobDevice());
    WindowRig rig;
    SaveLayout layout;
    if (!rig.connect() || !edit(rig))
        return layout;
    hidsim::clearWrites();
    if (!rig.save())
        return layout;
    const std::vector<hidsim::WriteRecord> writes = acceptedWrites();
    for (int i = 0; i < int(writes.size()); ++i) {
        const hidsim::Packet &p = writes[i].bytes;
        if (isEndPacket(p))
            layout.at.insert(QStringLiteral("firstEnd"), layout.at.value(QStringLiteral("firstEnd"), i));
        else if (hidsim::physicalKeyForCommandCode(p[2]) != 0)
            layout.at.insert(layout.at.contains(QStringLiteral("firstKey")) ? QStringLiteral("firstCopy")
                                                                            : QStringLiteral("firstKey"),
                             layout.at.value(QStringLiteral("firstCopy"), i));
        if (p[2] == hidsim::currentCommandCode(3))
            layout.at.insert(QStringLiteral("lastKey"), i);
    }
    layout.stored = hidsim::storedAssignments(device);
    return layout;
}

} // namespace

class FaultMatrix : public QObject
{
    Q_OBJECT

private:
    SaveLayout m_layout;

private Q_SLOTS:
    void initTestCase()
    {
        m_layout = cleanSaveLayout();
        const QMap<QString, int> &at = m_layout.at;
        QCOMPARE(at.value(QStringLiteral("firstKey"), -1), 0);
        QVERIFY(at.value(QStringLiteral("firstCopy")) > 0);
        QVERIFY(at.value(QStringLiteral("firstEnd")) > at.value(QStringLiteral("firstCopy")));
        QVERIFY(at.value(QStringLiteral("lastKey")) > at.value(QStringLiteral("firstEnd")));
        QCOMPARE(int(m_layout.stored.size()), 2);
    }

    void saveFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("mayClaimSuccess");
        const auto row = [](const char *name, const char *fault, const char *where, bool success) {
            QTest::newRow(name) << QString::fromLatin1(fault) << QString::fromLatin1(where) << success;
        };
        row("refused from the first key", "refuse", "firstKey", false);
        row("refused from its compatibility copy", "refuse", "firstCopy", false);
        row("refused from the end packet", "refuse", "firstEnd", false);
        row("refused at the last key", "refuse", "lastKey", false);
        // The copy or a retry layout still carries the report: success is the truth then.
        row("short first key", "short", "firstKey", true);
        row("short end packet", "short", "firstEnd", true);
        row("unplug at the first key", "unplug", "firstKey", false);
        row("unplug at the end packet", "unplug", "firstEnd", false);
        row("unplug at the last key", "unplug", "lastKey", false);
        row("replug during the save", "replug", "firstEnd", false);
    }

    void saveFaults()
    {
        QFETCH(QString, fault);
        QFETCH(QString, where);
        QFETCH(bool, mayClaimSuccess);
        const int at = m_layout.at.value(where);
        const bool unplug = fault == QLatin1String("unplug") || fault == QLatin1String("replug");
        hidsim::reset();
        const int device = hidsim::addDevice(hidsim::knobDevice());
        {
            WindowRig rig;
            QVERIFY(rig.connect());
            QVERIFY(edit(rig));
            hidsim::clearWrites();
            if (fault == QLatin1String("refuse"))
                hidsim::setFailWritesFrom(device, kVendorInterface, at);
            else if (fault == QLatin1String("short"))
                hidsim::setShortWriteAt(device, kVendorInterface, at);
            else
                hidsim::setUnplugAtWrite(device, at);
            if (fault == QLatin1String("replug"))
                hidsim::scheduleReplug(device, 30);
            const bool ok = rig.save();
            const bool deviceHasAll = hidsim::storedAssignments(device) == m_layout.stored;
            // Told the truth: "saved" only when the device holds every key.
            if (ok) {
                QVERIFY(mayClaimSuccess);
                QVERIFY(deviceHasAll);
                QCOMPARE(rig.toastTitle(), uiText(QStringLiteral("保存成功")));
            } else {
                QCOMPARE(rig.toastTitle(), uiText(QStringLiteral("保存失败")));
            }

            // Whatever happened to the link, the edits are there for a second Save.
            hidsim::setInterfaceFaults(device, kVendorInterface, hidsim::InterfaceConfig{});
            if (unplug) {
                if (!hidsim::isPlugged(device))
                    hidsim::replug(device);
                QSignalSpy read(&rig.session, &KnobSession::configReadFinished);
                // The liveness probe notices the dead handle; a scan finds the knob again.
                rig.session.checkConnectedDeviceAlive();
                QVERIFY(!rig.session.isConnected());
                rig.session.connectNow();
                QVERIFY(read.wait(kWait));
            }
            QVERIFY2(modelHoldsEdits(rig), "the user's edits were lost");
            QVERIFY(rig.save());
            QCOMPARE(hidsim::storedAssignments(device), m_layout.stored);
            QCOMPARE(hidsim::closedHandleCalls(), 0);
        }
        QCOMPARE(hidsim::openHandleCount(), 0);
    }

    void readFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("answers");
        // The stored configuration answers with three packets and the end packet.
        for (int n : {0, 1, 3}) {
            QTest::newRow(qPrintable(QStringLiteral("read error after %1").arg(n)))
                << QStringLiteral("error") << n;
            QTest::newRow(qPrintable(QStringLiteral("unplug after %1").arg(n)))
                << QStringLiteral("unplug") << n;
        }
        for (int n : {1, 3})
            QTest::newRow(qPrintable(QStringLiteral("silent after %1").arg(n)))
                << QStringLiteral("silent") << n;
    }

    void readFaults()
    {
        QFETCH(QString, fault);
        QFETCH(int, answers);
        hidsim::reset();
        const int device = hidsim::addDevice(hidsim::knobDevice());
        hidsim::preloadAssignment(device, 1,
                                  hidsim::Packet{0x03, 0xFD, 0x02, 0x01, 0x01, 0x00, 0x01, 0x00, 0x00, 0x04});
        hidsim::preloadAssignment(device, 2,
                                  hidsim::Packet{0x03, 0xFD, 0x04, 0x01, 0x01, 0x00, 0x01, 0x00, 0x00, 0x05});
        hidsim::preloadColour(device, hidsim::Packet{0x03, 0xFD, 0x00, 0x06, 0xFF, 0x80, 0x00, 0x64, 0x01});
        hidsim::FirmwareOptions slow;
        // Slow enough that an unplug right after an answer lands before the end packet.
        slow.answerIntervalMs = fault == QLatin1String("unplug") ? 250 : 40;
        if (fault == QLatin1String("silent"))
            slow.answerLimit = answers;
        hidsim::setFirmwareOptions(device, slow);
        if (fault == QLatin1String("error"))
            hidsim::setFailReadAfterAnswers(device, kVendorInterface, answers);
        {
            WindowRig rig;
            QSignalSpy &finished = rig.reads;
            QSignalSpy packets(&rig.session, &KnobSession::configPacketRead);
            QSignalSpy link(&rig.session, &KnobSession::connectionChanged);
            rig.session.connectNow();
            QVERIFY(QTest::qWaitFor([&] { return rig.session.isConnected(); }, kWait));
            if (fault == QLatin1String("unplug")) {
                QVERIFY(QTest::qWaitFor([&] { return packets.count() >= answers; }, kWait));
                hidsim::unplug(device);
                QVERIFY(QTest::qWaitFor([&] { return finished.count() > 0 || link.count() == 2; }, kWait));
                // What a device that is gone sent is never reported as a read.
                for (const QList<QVariant> &f : finished)
                    QVERIFY(!f.at(0).toBool());
                // An unplug before any answer fails the read; the liveness probe takes the link down.
                rig.session.checkConnectedDeviceAlive();
                QVERIFY(!rig.session.isConnected());
                QCOMPARE(link.count(), 2);
                QVERIFY(rig.window.knobModel().key(1).isEmpty());
            } else {
                QVERIFY(!finished.isEmpty() || finished.wait(kWait));
                const bool ok = finished.at(0).at(0).toBool();
                QCOMPARE(packets.count(), answers);
                // An error before any answer fails the read; after answers it ends it.
                QCOMPARE(ok, !(fault == QLatin1String("error") && answers == 0));
                QVERIFY(rig.session.isConnected());
            }
            QCOMPARE(hidsim::closedHandleCalls(), 0);
        }
        QCOMPARE(hidsim::openHandleCount(), 0);
    }
};

QTEST_MAIN(FaultMatrix)
#include "tst_faultmatrix.moc"
