// The road of one configuration through the real window, its knob session and
// the simulated knob: the device holds a configuration, the window reads it into the model,
// the labels, the delay page and the lighting page; physical key 2 gets the
// key A from the keyboard page; Save; the device holds the new assignment;
// unplugged and plugged in again, the window reads back the same.
#include "device/KnobSession.h"
#include "support/configtestsupport.h"
#include "support/devicetestsupport.h"

#include "protocol/keyvocabulary.h"
#include "protocol/uitext.h"
#include "ui/pages/BrightnessSliderWidget.h"
#include "ui/pages/ColorPickerWidget.h"
#include "ui/pages/KeyboardWidget.h"
#include "ui/pages/SimKeyButton.h"
#include "ui/pages/ToggleSwitchWidget.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

namespace Access = knobview;

// "1:05|Ctrl+V;2:..." - plain key usages, then names, of every physical key.
QString describeModel(const MainLayoutWidget &w)
{
    QStringList keys;
    for (int k = 1; k <= 5; ++k) {
        QStringList codes;
        for (unsigned short c : Access::keyCodes(w, k))
            codes << QStringLiteral("%1").arg(c, 2, 16, QLatin1Char('0')).toUpper();
        keys << QStringLiteral("%1:%2|%3")
                    .arg(k)
                    .arg(codes.join(QLatin1Char(' ')), Access::combinations(w, k).join(QLatin1Char(' ')));
    }
    return keys.join(QLatin1Char(';'));
}

QString lightState(const MainLayoutWidget &w)
{
    LightWidget *page = Access::lightPage(w);
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
    return out.join(QLatin1Char(';')) + QLatin1Char(' ') + lightState(w);
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

} // namespace

class TestRoad : public QObject
{
    Q_OBJECT

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
            << "1:05|Ctrl+V;2:04|;3:|音量+;4:|撤销;5:|鼠标左键"
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
            << "1:|! Alt+;2:05|Shift+A;3:|Ctrl+鼠标向上;4:|网页后退;5:|重做"
            << "0,50"
            << "#0000ff/10/off";
        QTest::newRow("eighteen keys, capped delays, swipe")
            << "device;" + nineteenKeys() +
                   ";assignment 3 03 FD 05 01 03 04 04 00 00 03;"
                   "assignment 5 03 FD 03 01 01 00 02 FF FF 29 FF FF 2A;"
                   "colour 03 FD 00 06 10 20 30 32 01"
            << "1:04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15|;2:|;3:|向上划屏;4:|;5:29 2A|"
            << "100,100,100,100,100,100,100,100,100,100,100,100,100,100,100,100,100,100"
            << "#102030/50/on";
        QTest::newRow("Procreate fallback and an unnamed key")
            << "device; assignment 2 03 FD 04 01 01 00 01 00 00 6C;"
               "assignment 4 03 FD 06 01 04 00 02 00 00 F4 00 00 1E"
            << "1:|;2:6C|;3:|;4:|Win+1;5:|"
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
        KnobSession session;
        QSignalSpy readEnds(&session, &KnobSession::configReadFinished);
        QSignalSpy saved(&session, &KnobSession::saveFinished);
        MainLayoutWidget w(&session);
        w.resize(1920, 1080);
        w.show();
        const QString lightBefore = lightState(w);
        session.start();
        QVERIFY(connectSession(session, 15000));
        QTRY_COMPARE_WITH_TIMEOUT(readEnds.size(), 1, 15000);

        // Read: model, labels, delay page, lighting page.
        QCOMPARE(describeModel(w), model);
        QStringList delays1;
        for (int v = 0; v < Access::displayNames(w, 1).size(); ++v)
            delays1 << QString::number(Access::delayPage(w)->delayForVirtualKey(1, v));
        QCOMPARE(delays1.join(QLatin1Char(',')), key1Delays);
        for (int k = 1; k <= 5; ++k) {
            auto *label = w.findChild<QLabel *>(QStringLiteral("knobKeyLabel%1").arg(k));
            QVERIFY(label);
            QVERIFY2(labelShows(label, Access::displayNames(w, k)), qPrintable(label->text()));
        }
        QCOMPARE(lightState(w), light.isEmpty() ? lightBefore : light);
        QCOMPARE(w.selectedKnobKey(), 0);

        // Edit: physical key 2, then A on the keyboard page.
        auto *label2 = w.findChild<QLabel *>(QStringLiteral("knobKeyLabel2"));
        QTest::mousePress(label2, Qt::LeftButton);
        QTest::mouseRelease(label2, Qt::LeftButton);
        QCOMPARE(w.selectedKnobKey(), 2);
        auto *keyboard = w.findChild<KeyboardWidget *>();
        QVERIFY(keyboard && keyboard->keyButton(QStringLiteral("a")));
        const int before = int(Access::displayNames(w, 2).size());
        QTest::mouseClick(keyboard->keyButton(QStringLiteral("a")), Qt::LeftButton);
        QCOMPARE(int(Access::displayNames(w, 2).size()), before + 1);
        QCOMPARE(Access::keyCodes(w, 2).last(), 0x04);
        const QString edited = shown(w);

        // Save: the device holds key 2 with A as its last key.
        auto *save = w.findChild<QPushButton *>(QStringLiteral("saveButton"));
        QVERIFY(save);
        QTest::mouseClick(save, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(saved.size(), 1, 30000);
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("toastTitle"))->text(),
                 uiText(QStringLiteral("保存成功")));
        const auto stored = hidsim::storedAssignments(0);
        QVERIFY(stored.count(2));
        const hidsim::Packet &p2 = stored.at(2);
        QCOMPARE(int(p2[4]), 1);
        QVERIFY(p2[6] >= 1);
        QCOMPARE(int(p2[9 + 3 * (p2[6] - 1)]), 0x04);

        // Unplug and plug in again: the same configuration comes back.
        hidsim::unplug(0);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isDeviceConnected(), 15000);
        QVERIFY(Access::modelEmpty(w));
        hidsim::replug(0);
        QTRY_COMPARE_WITH_TIMEOUT(readEnds.size(), 2, 20000);
        QCOMPARE(shown(w), edited);
    }
};

QTEST_MAIN(TestRoad)
#include "tst_road.moc"
