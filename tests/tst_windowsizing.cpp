#include "app/windowsizing.h"

#include <QTest>

class TestWindowSizing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sizeRule_data()
    {
        QTest::addColumn<QSize>("available");
        QTest::addColumn<QSize>("expected");
        // Small screens: the largest 16:9 area that fits.
        QTest::newRow("1440x875 width-bound") << QSize(1440, 875) << QSize(1440, 810);
        QTest::newRow("1920x1055 height-bound") << QSize(1920, 1055) << QSize(1875, 1055);
        QTest::newRow("1366x768 truncates") << QSize(1366, 768) << QSize(1365, 768);
        // About 1080p: exactly the design size.
        QTest::newRow("1920x1080") << QSize(1920, 1080) << QSize(1920, 1080);
        QTest::newRow("2560x1415 still 1080p") << QSize(2560, 1415) << QSize(1920, 1080);
        QTest::newRow("2559x1439") << QSize(2559, 1439) << QSize(1920, 1080);
        // Large screens: three quarters of the width, or the full height.
        QTest::newRow("3840x2135") << QSize(3840, 2135) << QSize(2880, 1620);
        QTest::newRow("3440x1415 ultrawide") << QSize(3440, 1415) << QSize(2515, 1415);
        QTest::newRow("2560x1440") << QSize(2560, 1440) << QSize(1920, 1080);
        // Degenerate areas are raised to 1 instead of dividing by zero.
        QTest::newRow("zero area") << QSize(0, 0) << QSize(1, 0);
        QTest::newRow("zero height") << QSize(1000, 0) << QSize(1, 1);
    }

    void sizeRule()
    {
        QFETCH(QSize, available);
        QFETCH(QSize, expected);
        QCOMPARE(windowSizeForAvailableArea(available), expected);
    }

    void position_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("current");
        QTest::addColumn<bool>("center");
        QTest::addColumn<QPoint>("expected");
        const QRect area(0, 25, 1920, 1055);
        QTest::newRow("centre") << area << QSize(1875, 1055) << QPoint(500, 500) << true << QPoint(22, 25);
        QTest::newRow("centre odd remainder")
            << QRect(0, 0, 101, 101) << QSize(50, 50) << QPoint() << true << QPoint(25, 25);
        QTest::newRow("keep inside") << area << QSize(800, 450) << QPoint(300, 200) << false
                                     << QPoint(300, 200);
        QTest::newRow("pushed in from right/bottom")
            << area << QSize(800, 450) << QPoint(1500, 900) << false << QPoint(1120, 630);
        QTest::newRow("pushed in from left/top")
            << area << QSize(800, 450) << QPoint(-40, 0) << false << QPoint(0, 25);
        QTest::newRow("larger than area sticks top-left")
            << area << QSize(2000, 1200) << QPoint(300, 300) << false << QPoint(0, 25);
        QTest::newRow("larger centred sticks top-left")
            << QRect(1920, 0, 1366, 728) << QSize(1920, 1080) << QPoint() << true << QPoint(1920, 0);
        QTest::newRow("second screen offset") << QRect(1920, 0, 2560, 1400) << QSize(1920, 1080)
                                              << QPoint(100, 100) << false << QPoint(1920, 100);
    }

    void position()
    {
        QFETCH(QRect, area);
        QFETCH(QSize, window);
        QFETCH(QPoint, current);
        QFETCH(bool, center);
        QFETCH(QPoint, expected);
        QCOMPARE(windowPositionInsideArea(area, window, current, center), expected);
    }
};

QTEST_APPLESS_MAIN(TestWindowSizing)
#include "tst_windowsizing.moc"
