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

    void placement_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QPoint>("current");
        QTest::addColumn<bool>("center");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("origin");
        const QRect fhd(0, 0, 1920, 1080);
        const QRect laptop(0, 0, 1366, 768);
        const QString x11 = QStringLiteral("xcb");
        const QString wl = QStringLiteral("wayland");
        const QMargins none;
        // X11 without a window manager: exactly as before.
        QTest::newRow("x11 bare 1080p")
            << fhd << fhd << none << x11 << QPoint() << true << QSize(1920, 1080) << QPoint(0, 0);
        QTest::newRow("x11 bare 768p")
            << laptop << laptop << none << x11 << QPoint() << true << QSize(1365, 768) << QPoint(0, 0);
        // A decorating window manager: the frame fits too, and the panel it reports.
        QTest::newRow("x11 frame") << fhd << fhd << QMargins(1, 23, 1, 1) << x11 << QPoint() << true
                                   << QSize(1877, 1056) << QPoint(20, 0);
        QTest::newRow("x11 panel and frame")
            << fhd << QRect(0, 32, 1920, 1048) << QMargins(4, 30, 4, 4) << x11 << QPoint() << true
            << QSize(1802, 1014) << QPoint(55, 32);
        QTest::newRow("x11 frame kept in place")
            << fhd << fhd << QMargins(1, 23, 1, 1) << x11 << QPoint(300, 200) << false << QSize(1877, 1056)
            << QPoint(41, 0);
        // Wayland reports the whole screen: a panel's worth stays free at the top.
        QTest::newRow("wayland 1080p")
            << fhd << fhd << none << wl << QPoint() << true << QSize(1824, 1026) << QPoint(48, 54);
        QTest::newRow("wayland 768p") << laptop << laptop << none << QStringLiteral("wayland-egl") << QPoint()
                                      << true << QSize(1296, 729) << QPoint(35, 39);
        QTest::newRow("wayland with frame") << fhd << fhd << QMargins(0, 37, 0, 0) << wl << QPoint() << true
                                            << QSize(1758, 989) << QPoint(81, 54);
        QTest::newRow("wayland kept below the panel")
            << fhd << fhd << none << wl << QPoint(-40, 0) << false << QSize(1824, 1026) << QPoint(0, 54);
        // A Wayland platform that does report a work area keeps it.
        QTest::newRow("wayland work area") << fhd << QRect(0, 32, 1920, 1048) << none << wl << QPoint()
                                           << true << QSize(1863, 1048) << QPoint(28, 32);
        // Large screens keep their steps, measured against what is left.
        QTest::newRow("x11 4k frame")
            << QRect(0, 0, 3840, 2160) << QRect(0, 0, 3840, 2135) << QMargins(2, 30, 2, 2) << x11 << QPoint()
            << true << QSize(2877, 1618) << QPoint(479, 242);
        QTest::newRow("second screen pulled in")
            << QRect(1920, 0, 1366, 768) << QRect(1920, 0, 1366, 740) << QMargins(1, 23, 1, 1) << x11
            << QPoint(3000, 500) << false << QSize(1272, 716) << QPoint(2012, 0);
    }

    void placement()
    {
        QFETCH(QRect, screen);
        QFETCH(QRect, available);
        QFETCH(QMargins, frame);
        QFETCH(QString, platform);
        QFETCH(QPoint, current);
        QFETCH(bool, center);
        QFETCH(QSize, size);
        QFETCH(QPoint, origin);
        const WindowPlacement placement =
            placeWindowOnScreen(screen, available, frame, platform, current, center);
        QCOMPARE(placement.size, size);
        QCOMPARE(placement.origin, origin);
        // The whole frame lies inside the area left for windows.
        const QRect whole(placement.origin, placement.size.grownBy(frame));
        QVERIFY(usableScreenArea(screen, available, platform).contains(whole));
    }
};

QTEST_APPLESS_MAIN(TestWindowSizing)
#include "tst_windowsizing.moc"
