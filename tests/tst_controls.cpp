#include "ui/pages/BrightnessSliderWidget.h"
#include "ui/pages/ToggleSwitchWidget.h"
#include "ui/pages/pagerules.h"

#include <QSignalSpy>
#include <QTest>

class TestControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sliderValueFromPosition_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("width");
        QTest::addColumn<double>("sx");
        QTest::addColumn<int>("value");
        // half = 22, right = 222, track 200 px.
        QTest::newRow("left of track") << -40.0 << 244 << 1.0 << 0;
        QTest::newRow("track start") << 22.0 << 244 << 1.0 << 0;
        QTest::newRow("middle") << 122.0 << 244 << 1.0 << 50;
        QTest::newRow("half rounds up") << 22.5 << 244 << 1.0 << 1; // x rounds to 23 -> 0.5 -> 1
        QTest::newRow("track end") << 222.0 << 244 << 1.0 << 100;
        QTest::newRow("past the end") << 900.0 << 244 << 1.0 << 100;
        QTest::newRow("narrower than handle") << 30.0 << 40 << 1.0 << 0;
        QTest::newRow("scaled handle") << 61.0 << 122 << 0.5 << 50; // half 11, right 111
    }
    void sliderValueFromPosition()
    {
        QFETCH(double, x);
        QFETCH(int, width);
        QFETCH(double, sx);
        QFETCH(int, value);
        QCOMPARE(sliderValueFromPos(x, width, sx), value);
    }

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

    void delayRules()
    {
        // The clamping of typed text is checked through the delay page.
        QCOMPARE(delayFromInput(1, QStringLiteral("99999999999"), 70), 70);
        QCOMPARE(delayDecremented(0, 0), 0);
        QCOMPARE(delayDecremented(5, 50), 50);
        QCOMPARE(delayIncremented(60000), 60000);
        QCOMPARE(delayIncremented(59999), 60000);
    }
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
