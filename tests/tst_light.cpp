#include "ui/pages/BrightnessSliderWidget.h"
#include "ui/pages/ColorPickerWidget.h"
#include "ui/pages/LightWidget.h"
#include "ui/pages/ToggleSwitchWidget.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class TestLight : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
};

QTEST_MAIN(TestLight)
#include "tst_light.moc"
