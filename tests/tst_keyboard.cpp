#include "ui/pages/KeyboardWidget.h"
#include "ui/pages/SimKeyButton.h"

#include <QSignalSpy>
#include <QTest>

class TestKeyboard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void designLayout()
    {
        const KeyboardLayout win = keyboardLayout(QSize(1552, 496), false);
        QCOMPARE(win.layer, QRect(16, 78, 1520, 406));
        QCOMPARE(win.keys.size(), 104);
        QCOMPARE(win.keys.value("ctrl_left"), QRect(0, 343, 88, 59));
        QCOMPARE(win.keys.value("f1").x(), 59 + 34);
        QCOMPARE(win.keys.value("print").x(), 1050);
        QCOMPARE(win.keys.value("insert").x(), 1051);
        QCOMPARE(win.keys.value("del").x(), 1051);
        QCOMPARE(win.keys.value("up"), QRect(1051 + 67, 276, 59, 59));
        QCOMPARE(win.keys.value("down").x(), win.keys.value("up").x());
        QCOMPARE(win.keys.value("right").x(), 1051 + 2 * 67);
        QCOMPARE(win.keys.value("plus_big"), QRect(1260 + 3 * 67, 142, 59, 126));
        QCOMPARE(win.keys.value("num0_big"), QRect(1260, 343, 126, 59));
        // Rows of the main block share one width.
        QCOMPARE(win.keys.value("ctrl_right").right() + 1, 1035);
        QCOMPARE(win.keys.value("shift_right").right() + 1, 1035);
        QCOMPARE(win.fontRange.maximum, 16);

        const KeyboardLayout mac = keyboardLayout(QSize(1552, 496), true);
        QCOMPARE(mac.keys.value("fn"), QRect(0, 343, 88, 59));
        QCOMPARE(mac.keys.value("ctrl_left").x(), 96);
        QCOMPARE(mac.keys.value("space").width(), 315);
        QCOMPARE(mac.keys.value("ctrl_right").right() + 1, 1035);
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

    void hotspots()
    {
        KeyboardLabel label;
        label.resize(1552, 496);
        label.setHotspots(keyboardHotspots());
        QSignalSpy spy(&label, &KeyboardLabel::keyClicked);
        // "1" hotspot at (72, 140).
        QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(80, 150));
        QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(84, 154));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<uint16_t>(), uint16_t(0x1E));
        // Moved 10 px (|dx| + |dy|): not a click.
        QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(80, 150));
        QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(86, 154));
        QCOMPARE(spy.count(), 1);
        // Earlier entry wins when two overlap.
        QList<KeyHotspot> two = {{QRectF(0, 0, 50, 50), 0x04, "A"}, {QRectF(10, 10, 50, 50), 0x05, "B"}};
        label.setHotspots(two);
        QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(spy.last().at(0).value<uint16_t>(), uint16_t(0x04));
        // Half-size label maps back to picture coordinates.
        label.resize(776, 248);
        QCOMPARE(label.mapToSvgCoordinates(QPoint(100, 50)), QPointF(200, 100));
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
