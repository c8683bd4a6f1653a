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
        page.keyButton("a")->click();

        page.setMacLayout(true);
        QVERIFY(!page.keyButton("fn")->isHidden());
        QCOMPARE(page.keyButton("ctrl_left")->pos(), QPoint(96, 343));
        QCOMPARE(page.keyButton("f1")->topIconSvg(), QStringLiteral(":/asset/key/brightness_down.svg"));
        QCOMPARE(page.keyButton("win_left")->text(), QStringLiteral("option"));
        QVERIFY(page.keyButton("a")->isSelected()); // survives the switch

        page.setMacLayout(false);
        QVERIFY(page.keyButton("fn")->isHidden());
        QCOMPARE(page.keyButton("ctrl_left")->pos(), QPoint(0, 343));
        QVERIFY(page.keyButton("f12")->topIconSvg().isEmpty());

        page.resize(776, 248);
        QTRY_COMPARE(page.keyButton("esc")->size(), QSize(29, 29));
        QCOMPARE(page.keyButton("esc")->maximumFontPixelSize(), 10);
    }

    void selectionMoves()
    {
        KeyboardWidget page;
        page.keyButton("a")->click();
        page.keyButton("b")->click();
        QVERIFY(!page.keyButton("a")->isSelected());
        QVERIFY(page.keyButton("b")->isSelected());
        page.clearSelection();
        QVERIFY(!page.keyButton("b")->isSelected());
        QVERIFY(!page.selectedButton());
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
