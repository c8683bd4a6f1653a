// The pages on their own: every button of the list pages sends the action it
// shows (a button wired to the wrong name binds the wrong action without
// anything else noticing), the keyboard page in both layouts, and what a
// press, a drag or typed text does on the lighting and delay pages, and what
// a setting from the device does not.
#include "protocol/actionnames.h"
#include "protocol/assignmentwrite.h"
#include "protocol/knobstoragerules.h"
#include "ui/KnobEditor.h"
#include "ui/pages/BrightnessSliderWidget.h"
#include "ui/pages/ColorPickerWidget.h"
#include "ui/pages/CombinationWidget.h"
#include "ui/pages/DelayWidget.h"
#include "ui/pages/KeyboardWidget.h"
#include "ui/pages/LightWidget.h"
#include "ui/pages/MouseWidget.h"
#include "ui/pages/MultimediaWidget.h"
#include "ui/pages/PaintedButton.h"
#include "ui/pages/ProcreateWidget.h"
#include "ui/pages/ToggleSwitchWidget.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

class TestPageControls : public QObject
{
    Q_OBJECT

    // Every button sends the action its label names, one the knob can store,
    // and is marked only while the gesture holds it; no two send the same name.
    template <typename Page, typename Signal> void everyButtonSendsWhatItShows(Signal signal)
    {
        Page page;
        QSignalSpy spy(&page, signal);
        QSet<QString> sent;
        for (PaintedButton *b : page.template findChildren<PaintedButton *>()) {
            b->click();
            QCOMPARE(spy.count(), int(sent.size()) + 1);
            const QString name = spy.last().at(0).toString();
            const QString label = b->text().replace(QStringLiteral("&&"), QStringLiteral("&"));
            const ActionNameResult shown = actionFromName(label, false), bound = actionFromName(name, false);
            QVERIFY2(shown.ok && bound.ok && shown.action.id() == bound.action.id(), qPrintable(label));
            QVERIFY2(!sent.contains(name), qPrintable(label));
            QVERIFY2(checkGestureStorage({bound.action}).ok(), qPrintable(name));
            QVERIFY(!b->isSelected());
            page.setMarkedNames({name});
            QVERIFY(b->isSelected());
            sent << name;
        }
        QVERIFY(!sent.isEmpty());
    }

private Q_SLOTS:
    void listPages()
    {
        everyButtonSendsWhatItShows<CombinationWidget>(&CombinationWidget::combinationClicked);
        everyButtonSendsWhatItShows<MultimediaWidget>(&MultimediaWidget::multimediaClicked);
        everyButtonSendsWhatItShows<MouseWidget>(&MouseWidget::mouseClicked);
        everyButtonSendsWhatItShows<ProcreateWidget>(&ProcreateWidget::procreateKeyClicked);
    }

    // On the smallest pages every name fits its button whole, on one line or two.
    void smallPagesCutNoName()
    {
        ProcreateWidget procreate;
        CombinationWidget combination;
        KeyboardWidget keyboard;
        for (QWidget *page : std::initializer_list<QWidget *>{&procreate, &combination, &keyboard}) {
            page->resize(776, 248);
            page->show();
            for (PaintedButton *b : page->findChildren<PaintedButton *>()) {
                b->ensurePolished();
                QVERIFY2(!b->shownText().contains(QChar(0x2026)), qPrintable(b->text()));
            }
        }
    }

    void printScrollPauseByLayout()
    {
        KeyboardWidget page;
        page.resize(1552, 496);
        QSignalSpy spy(&page, &KeyboardWidget::keyClicked);
        for (const char *id : {"print", "scroll", "pause"})
            page.keyButton(id)->click();
        page.setMacLayout(true);
        for (const char *id : {"print", "scroll", "pause"})
            page.keyButton(id)->click();
        QCOMPARE(spy.count(), 6);
        const int expected[] = {0x46, 0x47, 0x48, 0x69, 0x6A, 0x6B};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(spy.at(i).at(0).value<uint16_t>(), uint16_t(expected[i]));
        QCOMPARE(page.keyButton("print")->text(), QStringLiteral("F14"));
        QVERIFY(page.keyButton("print")->isFixedFontSize());
    }

    void layoutSwitch()
    {
        KeyboardWidget page;
        page.show();
        page.resize(1552, 496);
        QTRY_COMPARE(page.picture()->size(), QSize(1552, 496));
        QVERIFY(page.keyButton("fn")->isHidden());
        QCOMPARE(page.keyButton("ctrl_left")->pos(), QPoint(0, 343));
        QVERIFY(page.keyButton("f1")->topIconSvg().isEmpty());
        page.setLitUsages({0x04, 0x46}); // A, and Print, which is F14 on the Mac layout

        page.setMacLayout(true);
        QVERIFY(!page.keyButton("fn")->isHidden());
        QCOMPARE(page.keyButton("ctrl_left")->pos(), QPoint(96, 343));
        QCOMPARE(page.keyButton("f1")->topIconSvg(), QStringLiteral(":/asset/key/brightness_down.svg"));
        QCOMPARE(page.keyButton("win_left")->text(), QStringLiteral("option"));
        QVERIFY(page.keyButton("a")->isSelected()); // survives the switch
        QVERIFY(!page.keyButton("print")->isSelected());

        page.setMacLayout(false);
        QVERIFY(page.keyButton("fn")->isHidden());
        QCOMPARE(page.keyButton("ctrl_left")->pos(), QPoint(0, 343));
        QVERIFY(page.keyButton("f12")->topIconSvg().isEmpty());
    }

    // A gesture lights its keys and modifiers, nothing else: an action whose
    // code is also a key usage (Mute is 0xE2, Alt L's usage) lights nothing.
    void gestureLightsItsKeysOnly_data()
    {
        QTest::addColumn<QList<unsigned short>>("keyCodes");
        QTest::addColumn<QStringList>("combinations");
        QTest::addColumn<QStringList>("lit");
        QTest::newRow("keys and a combination")
            << QList<unsigned short>{0x05, 0x0119} << QStringList{"Ctrl+V"}
            << QStringList{"b", "ctrl_left", "v"};
        QTest::newRow("symbol and right modifier") << QList<unsigned short>{} << QStringList{"!", "RightAlt+"}
                                                   << QStringList{"1", "alt_right", "shift_left"};
        QTest::newRow("mute") << QList<unsigned short>{} << QStringList{"静音"} << QStringList{};
    }

    void gestureLightsItsKeysOnly()
    {
        QFETCH(QList<unsigned short>, keyCodes);
        QFETCH(QStringList, combinations);
        QFETCH(QStringList, lit);
        QList<KnobAction> gesture;
        for (unsigned short c : keyCodes)
            gesture << KnobAction::key(static_cast<unsigned char>(c >> 8), static_cast<unsigned char>(c));
        for (const QString &name : combinations)
            gesture << actionFromName(name, true).action;
        KeyboardWidget page;
        page.setLitUsages({0x04});
        page.setLitUsages(keyboardUsagesOf(gesture));
        QStringList shown;
        for (const KeyboardKeyDef &d : keyboardKeyDefs()) {
            if (page.keyButton(d.id)->isSelected())
                shown << d.id;
        }
        shown.sort();
        QCOMPARE(shown, lit);
        // Lit is what the key paints, not only what it says: its text turns lime.
        const auto paintsLime = [&page](const QString &id) {
            const QImage image = page.keyButton(id)->grab().toImage();
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.green() > 200 && c.red() > 150 && c.blue() < 120)
                        return true;
                }
            }
            return false;
        };
        for (const QString &id : {QStringLiteral("b"), QStringLiteral("1"), QStringLiteral("q")})
            QCOMPARE(paintsLime(id), lit.contains(id));
    }

    void pickerInput()
    {
        ColorPickerWidget p;
        p.resize(570, 371);
        QSignalSpy spy(&p, &ColorPickerWidget::colorChanged);
        p.setColor(QColor(128, 128, 128));
        QCOMPARE(p.hue(), 0.0);
        QCOMPARE(p.saturation(), 0.0);
        QCOMPARE(spy.count(), 0);

        QTest::mousePress(&p, Qt::LeftButton, {}, QPoint(540, 30));
        QCOMPARE(p.dragMode(), 2);
        QTest::mouseMove(&p, QPoint(540, 9000));
        QCOMPARE(p.hue(), 359.0);
        QTest::mouseRelease(&p, Qt::LeftButton, {}, QPoint(540, 9000));
        QCOMPARE(p.dragMode(), 0);
        QCOMPARE(spy.count(), 2);

        p.setEnabled(false);
        QTest::mousePress(&p, Qt::LeftButton, {}, QPoint(100, 100));
        QCOMPARE(spy.count(), 2);
        p.setEnabled(true);
        QTest::mousePress(&p, Qt::LeftButton, {}, QPoint(100, 100));
        QCOMPARE(p.dragMode(), 1);
        p.setEnabled(false);
        QTest::mouseRelease(&p, Qt::LeftButton, {}, QPoint(100, 100));
        QCOMPARE(p.dragMode(), 1); // a disabled picker leaves the mode alone
    }

    // The brightness follows the press and the drag, from track end to track
    // start, only while the slider is enabled.
    void sliderDragNeedsEnabledPress()
    {
        BrightnessSliderWidget s;
        s.resize(244, 28);
        s.setEnabled(false);
        QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(222, 14));
        QCOMPARE(s.value(), 50);
        s.setEnabled(true);
        QTest::mousePress(&s, Qt::LeftButton, {}, QPoint(222, 14));
        QCOMPARE(s.value(), 100);
        QTest::mouseMove(&s, QPoint(22, 14));
        QCOMPARE(s.value(), 0);
        QTest::mouseRelease(&s, Qt::LeftButton, {}, QPoint(22, 14));
    }

    void silentSettings()
    {
        LightWidget page;
        page.show(); // hidden widgets defer their resize events
        QSignalSpy spy(&page, &LightWidget::lightSettingsChanged);
        QVERIFY(!page.colorPicker()->isEnabled());
        page.setLightSettings(Qt::red, 150, true);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(page.brightnessSlider()->value(), 100);
        QVERIFY(page.toggleSwitch()->isOn());
        QVERIFY(page.colorPicker()->isEnabled());
        QVERIFY(page.maxBrightnessButton()->isEnabled());
        QVERIFY(!page.toggleSwitch()->signalsBlocked());

        page.maxBrightnessButton()->click(); // already 100
        QCOMPARE(spy.count(), 0);
        page.brightnessSlider()->setValue(40);
        QCOMPARE(spy.count(), 1);
        page.maxBrightnessButton()->click();
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.last().at(1).toInt(), 100);
        QCOMPARE(spy.last().at(0).value<QColor>().rgb(), QColor(Qt::red).rgb());

        page.toggleSwitch()->setOn(false);
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy.last().at(2).toBool(), false);
        QVERIFY(!page.brightnessSlider()->isEnabled());
        QCOMPARE(page.brightnessSlider()->value(), 100);
    }

    void typedInput()
    {
        DelayWidget page;
        KnobEditor editor;
        page.setEditor(&editor);
        page.setSelectedKnobKey(1);
        for (unsigned short usage : {0x04, 0x05, 0x06})
            editor.addKeyCode(1, usage);
        auto type = [&page](int slot, const QString &text) {
            page.delayField(slot)->setText(text);
            page.applyDelayInput(slot);
        };
        type(0, "20");
        QCOMPARE(page.delayForVirtualKey(1, 0), 20);
        // Through the keys: an emptied field is not acceptable to its validator, yet Enter restores it.
        page.delayField(0)->clear();
        QTest::keyClick(page.delayField(0), Qt::Key_Return);
        QCOMPARE(page.delayField(0)->text(), QStringLiteral("20"));
        QCOMPARE(page.delayForVirtualKey(1, 0), 20);
        type(1, "20");
        QCOMPARE(page.delayForVirtualKey(1, 1), 50);
        type(1, "99999999999"); // beyond any integer
        QCOMPARE(page.delayForVirtualKey(1, 1), 60000);
        type(2, "999999");
        QCOMPARE(page.delayForVirtualKey(1, 2), 60000);
        QVERIFY(!page.plusButton(2)->isEnabled());
        type(2, "");
        QCOMPARE(page.delayForVirtualKey(1, 2), 60000);
        QCOMPARE(page.delayField(2)->text(), QStringLiteral("60000"));
        // Slots beyond the count are not edited.
        type(5, "900");
        QCOMPARE(page.delayForVirtualKey(1, 5), 50);
        QVERIFY(!page.delayField(5)->isEnabled());
    }

    void stepsAndLimits()
    {
        DelayWidget page;
        KnobEditor editor;
        page.setEditor(&editor);
        page.setSelectedKnobKey(2);
        for (int i = 0; i < 18; ++i)
            editor.addKeyCode(2, 0x04);
        QVERIFY(!page.minusButton(0)->isEnabled());
        QVERIFY(!page.minusButton(5)->isEnabled());
        page.plusButton(5)->click();
        QCOMPARE(page.delayForVirtualKey(2, 5), 51);
        QVERIFY(page.minusButton(5)->isEnabled());
        page.minusButton(5)->click();
        page.minusButton(5)->click();
        QCOMPARE(page.delayForVirtualKey(2, 5), 50);
        QCOMPARE(page.delayForVirtualKey(1, 5), 50); // other keys untouched
    }

    void noSelection()
    {
        DelayWidget page;
        KnobEditor editor;
        page.setEditor(&editor);
        editor.addKeyCode(1, 0x04);
        editor.setDelay(1, 0, 777);
        for (int s = 0; s < 18; ++s) {
            QCOMPARE(page.delayField(s)->text(), s == 0 ? QStringLiteral("0") : QStringLiteral("50"));
            QVERIFY(!page.delayField(s)->isEnabled());
            QVERIFY(!page.plusButton(s)->isEnabled());
        }
        page.delayField(0)->setText("5");
        page.applyDelayInput(0);
        QCOMPARE(page.delayForVirtualKey(1, 0), 777);
    }
};

QTEST_MAIN(TestPageControls)
#include "tst_pagecontrols.moc"
