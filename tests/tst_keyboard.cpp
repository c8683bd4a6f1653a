#include "protocol/assignmentwrite.h"
#include "ui/pages/KeyboardWidget.h"
#include "ui/pages/SimKeyButton.h"

#include <QSignalSpy>
#include <QTest>

class TestKeyboard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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

        page.resize(776, 248);
        QTRY_COMPARE(page.keyButton("esc")->size(), QSize(29, 29));
        QCOMPARE(page.keyButton("esc")->maximumFontPixelSize(), 10);
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
        KnobKeyModel gesture;
        gesture.keyCodes = keyCodes;
        gesture.combinations = combinations;
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
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
