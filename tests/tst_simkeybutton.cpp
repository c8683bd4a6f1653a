#include "ui/pages/SimKeyButton.h"
#include "ui/pages/pagerules.h"

#include <QTest>

class TestSimKeyButton : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void padding_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("padding");
        QTest::newRow("62") << 62 << 2;
        QTest::newRow("63") << 63 << 4;
        QTest::newRow("88") << 88 << 4;
        QTest::newRow("89") << 89 << 6;
    }
    void padding()
    {
        QFETCH(int, width);
        QFETCH(int, padding);
        QCOMPARE(simKeyHorizontalPadding(width), padding);
    }

    void fontFitting()
    {
        // Each line 1 px per pixel size per character.
        auto measure = [](const QStringList &lines) {
            return [lines](int px) {
                int widest = 0;
                for (const QString &l : lines)
                    widest = std::max(widest, int(l.size()) * px);
                return widest;
            };
        };
        SimKeyFontInput in;
        in.width = 59;
        in.height = 59;
        // Available 59 - 4 = 55; fits when widest <= 53. "Backspace" (9 chars): 5 px is too small -> minimum.
        QCOMPARE(simKeyFontPixelSize(in, measure({"Backspace"})), 11);
        // Two lines: fitted by the wider ("abcd" at 13 px = 52).
        QCOMPARE(simKeyFontPixelSize(in, measure({"ab", "abcd"})), 13);
        // An empty line counts as zero.
        QCOMPARE(simKeyFontPixelSize(in, measure({"", "abc"})), 16);
        // Fixed size ignores the text.
        in.fixed = true;
        QCOMPARE(simKeyFontPixelSize(in, measure({"Backspace"})), 16);
        in.fixed = false;
        // Icon start is round(14 * H / 59) and is not capped by the maximum.
        in.hasIcon = true;
        in.maximum = 12;
        QCOMPARE(simKeyFontPixelSize(in, measure({"F1"})), 14);
        in.height = 118;
        // Start 28 (14 * 118 / 59); "F1" needs <= 53 px, so 26.
        QCOMPARE(simKeyFontPixelSize(in, measure({"F1"})), 26);
        // Available width below 3 keeps the start.
        in.width = 6;
        QCOMPARE(simKeyFontPixelSize(in,
                                     [](int) -> int {
                                         QTest::qFail("measured", __FILE__, __LINE__);
                                         return 0;
                                     }),
                 28);
        // A start below the minimum gives the minimum.
        in.width = 59;
        in.height = 20;
        in.minimum = 8;
        QCOMPARE(simKeyFontPixelSize(in, measure({"F1"})), 8);
    }

    void topPadding()
    {
        QCOMPARE(simKeyTopPadding(59, 14, false), 0);
        QCOMPARE(simKeyTopPadding(59, 14, true), 59 - 14 - 30);
        QCOMPARE(simKeyTopPadding(29, 10, true), 29 - 10 - 2 * 7); // 15 * 29/59 = 7.37
        QCOMPARE(simKeyTopPadding(10, 10, true), 0);
    }

    void setters()
    {
        SimKeyButton b(QStringLiteral("A"));
        b.setFontPixelSizeRange(16, 11);
        QCOMPARE(b.minimumFontPixelSize(), 11);
        QCOMPARE(b.maximumFontPixelSize(), 16);
        b.setFontPixelSizeRange(0, 12);
        QCOMPARE(b.minimumFontPixelSize(), 11);
        QCOMPARE(b.maximumFontPixelSize(), 16);

        b.resize(59, 59);
        b.setSelected(true);
        QVERIFY(b.styleSheet().contains(QStringLiteral("color: #BEF449")));
        b.setEnabled(false);
        QVERIFY(b.styleSheet().contains(QStringLiteral("solid #67696A")));
        QVERIFY(!b.styleSheet().contains(QStringLiteral("#BEF449")));
        b.setEnabled(true);

        b.setTopIconSvg(QStringLiteral(":/asset/key/volume_higher.svg"));
        QVERIFY(b.hasTopIcon());
        QVERIFY(b.styleSheet().contains(
            QStringLiteral("padding: %1px").arg(59 - b.resolvedFontPixelSize() - 30)));
        b.setTopIconSvg(QString());
        QVERIFY(!b.hasTopIcon());
        QVERIFY(b.styleSheet().contains(QStringLiteral("padding: 0px")));
    }

    void iconRect()
    {
        const QRectF small = simKeyIconRect(QSize(59, 59), QSizeF(30, 30), false);
        QCOMPARE(small.width(), 14.45);
        QCOMPARE(small.top(), 10.0);
        QCOMPARE(small.left(), (59 - 14.45) / 2);
        QCOMPARE(simKeyIconRect(QSize(118, 118), QSizeF(), true).width(), 34.0);
    }
};

QTEST_MAIN(TestSimKeyButton)
#include "tst_simkeybutton.moc"
