#include "ui/DraggableWidgets.h"
#include "ui/KnobDialWidget.h"
#include "ui/mainlayoutgeometry.h"

#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>
#include <QTest>

using namespace layout;

class TestMainLayoutGeometry : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void tabWidthsAndBar()
    {
        // Short texts: the base widths hold.
        const QVector<int> narrowTexts(7, 10);
        const QVector<int> full = tabWidths(1.0, 7, narrowTexts);
        QCOMPARE(full, (QVector<int>{110, 120, 112, 100, 100, 100, 127}));
        QCOMPARE(tabRowWidth(1.0, full), 769 + 8 * 6);
        // With the debug tab the count and the gap count grow.
        QCOMPARE(tabWidths(1.0, 8, narrowTexts).size(), 8);
        QCOMPARE(tabWidths(1.0, 8, narrowTexts).last(), 86);
        // A long text widens its tab to text + icon + gap + padding.
        QVector<int> texts = narrowTexts;
        texts[1] = 150;
        QCOMPARE(tabWidths(1.0, 7, texts)[1], 150 + 16 + 6 + 8);
        // At half size every minimum comes into play.
        QCOMPARE(tabWidths(0.5, 7, QVector<int>(7, 0)), (QVector<int>{55, 60, 56, 50, 50, 50, 63}));
        QCOMPARE(tabWidths(0.5, 7, QVector<int>(7, 40))[3], 40 + 12 + 4 + 8);
        QCOMPARE(tabWidths(0.1, 7, QVector<int>(7, 0))[0], 40);
        QCOMPARE(tabFontPixelSize(0.5), 10);
        QCOMPARE(tabRect(0, 0.25, {50}, QSize(100, 26)).height(), 18);
    }

    void tabRects()
    {
        const QVector<int> widths{10, 20};
        // 70 free units in 3 gaps: 24, 23, 23.
        QCOMPARE(tabRect(0, 1.0, widths, QSize(100, 52)), QRect(24, 8, 10, 36));
        QCOMPARE(tabRect(1, 1.0, widths, QSize(100, 52)), QRect(57, 8, 20, 36));
        QCOMPARE(tabRect(7, 1.0, widths, QSize(100, 52)), QRect(57, 8, 20, 36));
        QCOMPARE(tabRect(-3, 1.0, widths, QSize(100, 52)), QRect(24, 8, 10, 36));
        // A bar narrower than the tabs: no gaps, top never negative.
        QCOMPARE(tabRect(1, 1.0, widths, QSize(20, 10)), QRect(10, 0, 20, 36));
        // Real widths fill the bar exactly with equal gaps.
        const QVector<int> full = tabWidths(1.0, 7, QVector<int>(7, 0));
        const int bar = tabRowWidth(1.0, full);
        QCOMPARE(tabRect(6, 1.0, full, QSize(bar, 52)).right(), bar - 6 - 1);
    }

    void statusRow()
    {
        const StatusRowGeometry g = statusRowGeometry(QSize(370, 116), 100);
        QCOMPARE(g.fontPx, 16);
        QCOMPARE(g.dot, QRect(121, 37, 16, 16));
        QCOMPARE(g.text, QRect(145, 31, 104, 28));
        const StatusRowGeometry small = statusRowGeometry(QSize(185, 60), 50);
        QCOMPARE(small.fontPx, 8); // 16 * 60 / 116 = 8.27
        QCOMPARE(small.dot.size(), QSize(8, 8));
    }

    void knobArea()
    {
        QCOMPARE(knobKeyLabelRect(1, 300), QRect(16, 16, 74, 29));
        QCOMPARE(knobKeyLabelRect(2, 300), QRect(210, 16, 74, 29));
        QCOMPARE(knobKeyLabelRect(3, 300), QRect(16, 255, 74, 29));
        QCOMPARE(knobKeyLabelRect(4, 300), QRect(210, 255, 74, 29));
        QCOMPARE(knobKeyLabelRect(5, 300), QRect(113, 135, 74, 29));
        QCOMPARE(knobKeyLabelRect(2, 150), QRect(105, 8, 37, 14));
        QCOMPARE(knobKeyLabelRect(0, 300), QRect());
        QCOMPARE(knobKeyLabelRect(6, 300), QRect());

        const KnobSelectionStyle s = knobSelectionStyle(300);
        QCOMPARE(s.radius, 4);
        QCOMPARE(s.fontPx, 12);
        QCOMPARE(s.border, 2);
        const KnobSelectionStyle small = knobSelectionStyle(150);
        QCOMPARE(small.radius, 2);
        QCOMPARE(small.fontPx, 8);
        QCOMPARE(small.border, 1);
        QCOMPARE(knobSelectionStyle(0).fontPx, 12);

        QCOMPARE(cleanIconPos(QRect(210, 16, 74, 29), QSize(22, 22)), QPoint(273, 5));

        const DialLayout dial = dialLayout(300);
        QCOMPARE(dial.pictureSide, 201);
        QCOMPARE(dial.geometry, QRect(33, 33, 233, 233));
        QCOMPARE(dialLayout(0).pictureSide, 1);
    }

    void bubble()
    {
        const QRect knob(810, 172, 300, 300);
        const QSize container(1920, 1080);
        // Keys 1 and 3 sit left of the knob, 2, 4 and 5 right of it.
        QCOMPARE(bubbleGeometry(1, knob, 202, 20, 1920, container), QRect(608, 157, 154, 90));
        QCOMPARE(bubbleGeometry(4, knob, 441, 20, 1920, container), QRect(1158, 396, 154, 90));
        QCOMPARE(bubbleGeometry(5, knob, 321, 200, 1920, container), QRect(1158, 213, 154, 216));
        // Clamped inside the container.
        QCOMPARE(bubbleGeometry(1, QRect(10, 0, 300, 300), 5, 20, 1920, container).topLeft(), QPoint(0, 0));
        QCOMPARE(bubbleGeometry(2, QRect(1800, 1000, 300, 300), 1070, 20, 1920, container).topLeft(),
                 QPoint(1766, 990));
        const BubbleMetrics m = bubbleMetrics(960);
        QCOMPARE(m.width, 100);
        QCOMPARE(m.minHeight, 60);
        QCOMPARE(m.gap, 24);
    }

    void dialAnimation_data()
    {
        QTest::addColumn<int>("knobKey");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("duration");
        QTest::newRow("1 turns left")
            << 1 << QStringList{"dialRotation:-90", "pause", "dialRotation:0", "pause"}
            << 650 + 100 + 650 + 3000;
        QTest::newRow("4 press turn right")
            << 4 << QStringList{"dialScale:0.86", "pause", "dialRotation:90", "pause", "dialRotation:0",
                                "dialScale:1",    "pause"}
            << 280 + 100 + 650 + 100 + 650 + 340 + 3000;
        QTest::newRow("5 press only")
            << 5 << QStringList{"dialScale:0.86", "pause", "dialScale:1", "pause"} << 280 + 100 + 340 + 3000;
    }

    void dialAnimation()
    {
        QFETCH(int, knobKey);
        QFETCH(QStringList, steps);
        QFETCH(int, duration);
        KnobDialWidget dial;
        QScopedPointer<QSequentialAnimationGroup> group(createKnobDialAnimation(&dial, knobKey, nullptr));
        QVERIFY(group);
        QCOMPARE(group->loopCount(), -1);
        QStringList actual;
        int total = 0;
        for (int i = 0; i < group->animationCount(); ++i) {
            auto *a = group->animationAt(i);
            total += a->duration();
            if (auto *p = qobject_cast<QPropertyAnimation *>(a))
                actual << QString::fromLatin1(p->propertyName()) + QLatin1Char(':') +
                              QString::number(p->endValue().toDouble());
            else
                actual << QStringLiteral("pause");
        }
        QCOMPARE(actual, steps);
        QCOMPARE(total, duration);
    }

    void noDialAnimationOutsideKeys()
    {
        KnobDialWidget dial;
        QVERIFY(!createKnobDialAnimation(&dial, 0, nullptr));
        QVERIFY(!createKnobDialAnimation(&dial, 6, nullptr));
        QVERIFY(!createKnobDialAnimation(nullptr, 1, nullptr));
    }

    void stackCornersAreClipped()
    {
        DraggableStackedWidget stack(QStringLiteral("ContentStack"));
        stack.resize(200, 100);
        QVERIFY(stack.mask().isEmpty());
        stack.setCornerRadius(12);
        QVERIFY(!stack.mask().contains(QPoint(0, 0)));
        QVERIFY(stack.mask().contains(QPoint(100, 50)));
        QVERIFY(!stack.mask().contains(QPoint(199, 99)));
        stack.setCornerRadius(0);
        QVERIFY(stack.mask().isEmpty());
    }
};

QTEST_MAIN(TestMainLayoutGeometry)
#include "tst_mainlayoutgeometry.moc"
