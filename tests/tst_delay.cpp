#include "ui/pages/DelayWidget.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestDelay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typedInput()
    {
        DelayWidget page;
        page.setSelectedKnobKey(1);
        page.setVirtualKeyCount(1, 3);
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
        page.setDelayForVirtualKey(1, 5, 300);
        type(5, "900");
        QCOMPARE(page.delayForVirtualKey(1, 5), 300);
        QVERIFY(!page.delayField(5)->isEnabled());
    }

    void stepsAndLimits()
    {
        DelayWidget page;
        page.setSelectedKnobKey(2);
        page.setVirtualKeyCount(2, 18);
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
        page.setDelayForVirtualKey(1, 0, 777);
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

QTEST_MAIN(TestDelay)
#include "tst_delay.moc"
