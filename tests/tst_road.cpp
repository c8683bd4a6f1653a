// The road of one configuration through the real window, its knob session and
// the simulated knob: the device holds a configuration, the window reads it into the model,
// the labels, the delay page and the lighting page; physical key 2 gets the
// key A from the keyboard page; Save; the device holds the new assignment;
// unplugged and plugged in again, the window reads back the same.
//
// And what the user is told when the knob fails at each point of a save or a
// configuration read on that road: never "saved" for a device that did not get
// everything, no hidapi call on a closed handle, no leaked handle, and the
// edits survive for a second Save.
#include "support/configtestsupport.h"
#include "support/packetbytes.h"
#include "support/windowrig.h"
#include "tests/fakes/hidsim/hidsim.h"

#include "protocol/KnobFirmware.h"
#include "protocol/keyvocabulary.h"
#include "ui/ChoiceOverlay.h"
#include "ui/actiontext.h"
#include "ui/pages/BrightnessSliderWidget.h"
#include "ui/pages/ColorPickerWidget.h"
#include "ui/pages/PaintedButton.h"
#include "ui/pages/ToggleSwitchWidget.h"

namespace {

namespace Access = knobview;

// "1:key:0x05 media:mute;2:..." - the actions of every physical key by id.
QString describeModel(const MainLayoutWidget &w)
{
    QStringList keys;
    for (int k = 1; k <= 5; ++k)
        keys << QString::number(k) + QLatin1Char(':') + Access::ids(w, k).join(QLatin1Char(' '));
    return keys.join(QLatin1Char(';'));
}

QString lightState(LightWidget *page)
{
    if (!page)
        return QString();
    return QStringLiteral("%1/%2/%3")
        .arg(page->colorPicker()->currentColor().name())
        .arg(page->brightnessSlider()->value())
        .arg(page->toggleSwitch()->isOn() ? QStringLiteral("on") : QStringLiteral("off"));
}

// What the user sees of the configuration: names in order with their
// delays, and the light.
QString shown(const MainLayoutWidget &w)
{
    QStringList out;
    DelayWidget *delays = Access::delayPage(w);
    for (int k = 1; k <= 5; ++k) {
        QStringList parts;
        const QStringList names = Access::displayNames(w, k);
        for (int v = 0; v < names.size(); ++v)
            parts << QStringLiteral("%1@%2").arg(names[v]).arg(delays ? delays->delayForVirtualKey(k, v)
                                                                      : -1);
        out << parts.join(QLatin1Char(','));
    }
    return out.join(QLatin1Char(';')) + QLatin1Char(' ') + lightState(Access::lightPage(w));
}

// The physical-key label shows the joined names, elided when they do not fit.
bool labelShows(const QLabel *label, const QStringList &names)
{
    const QString full = textBoxDisplayText(names.join(QLatin1Char(' ')));
    const QString text = label->text();
    if (names.isEmpty())
        return text.isEmpty();
    if (text == full)
        return true;
    return text.endsWith(QChar(0x2026)) && full.startsWith(text.chopped(1));
}

QString nineteenKeys()
{
    QString s = QStringLiteral("assignment 1 03 FD 02 01 01 00 13");
    for (int i = 0; i < 19; ++i)
        s += QStringLiteral(" 00 64 %1").arg(0x04 + i, 2, 16, QLatin1Char('0'));
    return s;
}

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
    const KnobDocument &d = knobview::document(rig.window);
    return d.keys[0] == QList<KnobAction>{KnobAction::key(0, 0x04), KnobAction::key(0, 0x05, 50)} &&
           d.keys[2] == QList<KnobAction>{KnobAction::key(0, 0x06)} && d.keys[1].isEmpty();
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
        else if (KnobFirmware::physicalKeyForCommandCode(p[2]) != 0)
            layout.at.insert(layout.at.contains(QStringLiteral("firstKey")) ? QStringLiteral("firstCopy")
                                                                            : QStringLiteral("firstKey"),
                             layout.at.value(QStringLiteral("firstCopy"), i));
        if (p[2] == KnobFirmware::currentCommandCode(3))
            layout.at.insert(QStringLiteral("lastKey"), i);
    }
    layout.stored = hidsim::storedAssignments(device);
    return layout;
}

} // namespace

class TestRoad : public QObject
{
    Q_OBJECT

    SaveLayout m_layout;

private Q_SLOTS:
    void road_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("key1Delays");
        QTest::addColumn<QString>("light");

        QTest::newRow("every packet type")
            << "device; assignment 1 03 FD 02 01 01 00 03 00 00 F1 00 00 19 01 F4 05;"
               "assignment 2 03 FD 04 01 01 00 01 00 00 04;"
               "assignment 3 03 FD 05 01 02 00 01 00 00 E9;"
               "assignment 4 03 FD 06 01 04 00 02 00 00 F4 00 00 1D;"
               "assignment 5 03 FD 03 01 03 01 04 00 00 00 00 00 01;"
               "colour 03 FD 00 06 FF 80 00 64 01"
            << "1:key:0x19+ctrl key:0x05;2:key:0x04;3:media:volume-up;4:procreate:undo;5:mouse:left-click"
            << "0,500"
            << "#ff8000/100/on";
        QTest::newRow("older codes, modifiers, extra report byte")
            << "device; legacy-codes; extra-report-byte;"
               "assignment 1 03 FD 02 01 01 00 03 00 00 F2 00 00 1E 00 00 F3;"
               "assignment 2 03 FD 04 01 01 00 03 00 00 F2 03 E8 04 00 C8 05;"
               "assignment 3 03 FD 05 01 03 01 04 00 00 F1 00 00 00 00 00 00 00 00 00 00 00 01;"
               "assignment 4 03 FD 06 01 02 00 02 00 00 24 00 00 02;"
               "assignment 5 03 FD 03 01 04 00 03 00 00 F2 00 00 F4 00 00 1D;"
               "colour 03 FD 00 06 00 00 FF 0A 00"
            << "1:key:0x1e+shift mods:alt;2:key:0x04+shift "
               "key:0x05;3:mouse:ctrl-wheel-up;4:media:web-back;5:procreate:redo"
            << "0,50"
            << "#0000ff/10/off";
        QTest::newRow("eighteen keys, capped delays, swipe")
            << "device;" + nineteenKeys() +
                   ";assignment 3 03 FD 05 01 03 04 04 00 00 03;"
                   "assignment 5 03 FD 03 01 01 00 02 FF FF 29 FF FF 2A;"
                   "colour 03 FD 00 06 10 20 30 32 01"
            << "1:key:0x04 key:0x05 key:0x06 key:0x07 key:0x08 key:0x09 key:0x0a key:0x0b key:0x0c key:0x0d "
               "key:0x0e key:0x0f key:0x10 key:0x11 key:0x12 key:0x13 key:0x14 "
               "key:0x15;2:;3:mouse:swipe-up;4:;5:key:0x29 key:0x2a"
            << "100,100,100,100,100,100,100,100,100,100,100,100,100,100,100,100,100,100"
            << "#102030/50/on";
        QTest::newRow("Procreate fallback and an unnamed key")
            << "device; assignment 2 03 FD 04 01 01 00 01 00 00 6C;"
               "assignment 4 03 FD 06 01 04 00 02 00 00 F4 00 00 1E"
            << "1:;2:key:0x6c;3:;4:key:0x1e+gui;5:"
            << ""
            << "";
    }
    void road()
    {
        QFETCH(QString, scenario);
        QFETCH(QString, model);
        QFETCH(QString, key1Delays);
        QFETCH(QString, light);

        QVERIFY(hidsim::loadScenario(scenario.toStdString()));
        WindowRig rig;
        MainLayoutWidget &w = rig.window;
        w.resize(1920, 1080);
        w.show();
        LightWidget untouched;
        rig.session.start();
        QVERIFY(rig.connect());
        QCOMPARE(knobview::selectedKey(w), 0);

        // Read: model, labels, delay page, lighting page.
        QCOMPARE(describeModel(w), model);
        QStringList delays1;
        for (int v = 0; v < Access::displayNames(w, 1).size(); ++v)
            delays1 << QString::number(Access::delayPage(w)->delayForVirtualKey(1, v));
        QCOMPARE(delays1.join(QLatin1Char(',')), key1Delays);
        for (int k = 1; k <= 5; ++k)
            QVERIFY2(labelShows(rig.knobLabel(k), Access::displayNames(w, k)),
                     qPrintable(rig.knobLabel(k)->text()));
        QCOMPARE(lightState(Access::lightPage(w)), light.isEmpty() ? lightState(&untouched) : light);

        // Edit: physical key 2, then A on the keyboard page.
        QVERIFY(rig.select(2));
        auto *keyboard = w.findChild<KeyboardWidget *>();
        QVERIFY(keyboard && keyboard->keyButton(QStringLiteral("a")));
        const int before = int(Access::displayNames(w, 2).size());
        QTest::mouseClick(keyboard->keyButton(QStringLiteral("a")), Qt::LeftButton);
        QCOMPARE(int(Access::displayNames(w, 2).size()), before + 1);
        QCOMPARE(Access::ids(w, 2).constLast(), QStringLiteral("key:0x04"));
        const QString edited = shown(w);

        // Save: the device holds key 2 with A as its last key.
        QVERIFY(rig.save());
        QCOMPARE(rig.toastTitle(), QStringLiteral("Settings saved"));
        const auto stored = hidsim::storedAssignments(0);
        QVERIFY(stored.count(2));
        const hidsim::Packet &p2 = stored.at(2);
        QCOMPARE(int(p2[4]), 1);
        QVERIFY(p2[6] >= 1);
        QCOMPARE(int(p2[9 + 3 * (p2[6] - 1)]), 0x04);

        // Unplug and plug in again: the same configuration comes back.
        hidsim::unplug(0);
        QVERIFY(rig.stepUntil([&] { return !rig.session.isConnected(); }));
        QVERIFY(Access::modelEmpty(w));
        hidsim::replug(0);
        QVERIFY(rig.stepUntil([&] { return rig.reads.size() == 2; }));
        QCOMPARE(shown(w), edited);
    }

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
            hidsim::InterfaceConfig faults;
            (fault == QLatin1String("refuse") ? faults.failWritesFrom : faults.shortWriteAt) = at;
            if (unplug)
                hidsim::setUnplugAtWrite(device, at);
            else
                hidsim::setInterfaceFaults(device, kVendorInterface, faults);
            if (fault == QLatin1String("replug"))
                hidsim::scheduleReplug(device, 30);
            const bool ok = rig.save();
            const bool deviceHasAll = hidsim::storedAssignments(device) == m_layout.stored;
            // Told the truth: "saved" only when the device holds every key.
            if (ok) {
                QVERIFY(mayClaimSuccess);
                QVERIFY(deviceHasAll);
                QCOMPARE(rig.toastTitle(), QStringLiteral("Settings saved"));
            } else {
                QCOMPARE(rig.toastTitle(), QStringLiteral("Save failed"));
            }

            // Whatever happened to the link, the edits are there for a second Save.
            hidsim::setInterfaceFaults(device, kVendorInterface, hidsim::InterfaceConfig{});
            if (unplug) {
                hidsim::replug(device);
                QSignalSpy read(&rig.session, &KnobSession::configReadFinished);
                // The liveness probe notices the dead handle; a scan finds the knob again.
                rig.livenessPeriod();
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

    // Edits kept across an unplug stay unsaved (the marker, the close
    // question) and come back on the same knob only; another knob asks first.
    void keptEditsAcrossUnplug_data()
    {
        QTest::addColumn<bool>("sameKnob");
        QTest::addColumn<int>("answer"); // the button pressed on the question; -1: none expected
        QTest::addColumn<bool>("restored");
        QTest::addColumn<bool>("unsaved");
        QTest::newRow("same knob") << true << -1 << true << true;
        QTest::newRow("another knob, not now") << false << 0 << false << true;
        QTest::newRow("another knob, discard") << false << 1 << false << false;
        QTest::newRow("another knob, use them") << false << 2 << true << true;
    }
    void keptEditsAcrossUnplug()
    {
        QFETCH(bool, sameKnob);
        QFETCH(int, answer);
        QFETCH(bool, restored);
        QFETCH(bool, unsaved);
        hidsim::reset();
        const int device = hidsim::addDevice(hidsim::knobDevice());
        WindowRig rig;
        QVERIFY(rig.connect());
        QVERIFY(edit(rig));
        hidsim::unplug(device);
        rig.livenessPeriod();
        QVERIFY(!rig.session.isConnected());
        QVERIFY2(knobview::unsavedEdits(rig.window), "the kept edits lost their marker");
        QVERIFY2(!rig.window.close(), "closing did not ask");
        const auto question = [&rig] { return rig.window.findChild<ChoiceOverlay *>(); };
        QVERIFY(question());
        question()->findChildren<QPushButton *>().first()->click();
        QTRY_VERIFY(!question());

        if (sameKnob)
            hidsim::replug(device);
        else
            hidsim::addDevice(hidsim::knobDevice());
        const qsizetype reads = rig.reads.size();
        rig.session.connectNow();
        QVERIFY(QTest::qWaitFor([&] { return rig.reads.size() > reads; }, kWait));
        QCOMPARE(question() != nullptr, answer >= 0);
        if (answer >= 0) {
            QVERIFY(!modelHoldsEdits(rig));
            question()->findChildren<QPushButton *>().at(answer)->click();
        }
        QCOMPARE(modelHoldsEdits(rig), restored);
        QCOMPARE(knobview::unsavedEdits(rig.window), unsaved);
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
        hidsim::preloadAssignment(device, 1, bytes("03 FD 02 01 01 00 01 00 00 04", 0));
        hidsim::preloadAssignment(device, 2, bytes("03 FD 04 01 01 00 01 00 00 05", 0));
        hidsim::preloadColour(device, bytes("03 FD 00 06 FF 80 00 64 01", 0));
        hidsim::FirmwareOptions slow;
        // Slow enough that an unplug right after an answer lands before the end packet.
        slow.answerIntervalMs = fault == QLatin1String("unplug") ? 250 : 40;
        if (fault == QLatin1String("silent"))
            slow.answerLimit = answers;
        hidsim::setFirmwareOptions(device, slow);
        hidsim::InterfaceConfig faults;
        faults.failReadAfterAnswers = fault == QLatin1String("error") ? answers : -1;
        hidsim::setInterfaceFaults(device, kVendorInterface, faults);
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
                rig.livenessPeriod();
                QVERIFY(!rig.session.isConnected());
                QCOMPARE(link.count(), 2);
                QVERIFY(knobview::document(rig.window).keys[0].isEmpty());
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

QTEST_MAIN(TestRoad)
#include "tst_road.moc"
