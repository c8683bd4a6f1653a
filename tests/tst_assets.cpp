// The window loads every picture from the compiled-in resources and quietly
// shows nothing when one is missing or unreadable, so these checks are the
// only place a broken or mis-sized picture gets noticed.

#include <QColor>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QSet>
#include <QSvgRenderer>
#include <QTest>

namespace {

struct Asset
{
    QString path;
    QSize size;
};

// Default sizes are the design sizes the layout code is written against.
QList<Asset> svgAssets()
{
    QList<Asset> out = {
        {":/asset/Background.svg", {1920, 1080}}, {":/asset/disconnected_bg.svg", {1920, 1080}},
        {":/asset/Logo.svg", {140, 19}},          {":/asset/Status1_en.svg", {370, 116}},
        {":/asset/bluetooth.svg", {16, 16}},      {":/asset/clean.svg", {22, 22}},
    };
    for (const char *icon :
         {"keyboard", "combo", "multimedia", "light", "mouse", "delay", "procreate", "mac", "win"})
        for (const char *state : {"active", "inactive"})
            out.append({QStringLiteral(":/asset/%1_%2.svg").arg(QLatin1String(icon), QLatin1String(state)),
                        {16, 16}});
    for (const char *key :
         {"brightness_down", "brightness_up", "mission_control", "spotlight", "dictation", "do_not_disturb",
          "media_previous", "media_play_pause", "media_next", "volume_mute", "volume_lower", "volume_higher"})
        out.append({QStringLiteral(":/asset/key/%1.svg").arg(QLatin1String(key)), {15, 15}});
    for (const char *button : {"minus_active", "minus_inactive", "plus_active", "plus_inactive"})
        out.append({QStringLiteral(":/asset/delay/%1.svg").arg(QLatin1String(button)), {32, 32}});
    return out;
}

// PNGs are rendered at twice their design size so they stay sharp at pixel
// ratio 2.
QList<Asset> pngAssets()
{
    return {{":/asset/knob1.png", {600, 600}},
            {":/asset/knob2.png", {600, 600}},
            {":/asset/platform/system.png", {64, 64}}};
}

const char kIcon[] = ":/asset/VX_logo.ico";

QImage renderSvg(QSvgRenderer &renderer, const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return image;
}

// Mean perceived lightness (0..255) of a rectangle, transparent pixels
// counted as the dark window behind them.
double meanLightness(const QImage &image, const QRect &rect)
{
    const QColor window(0x1A, 0x1A, 0x1A);
    double sum = 0;
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const double a = c.alphaF();
            const double r = c.redF() * a + window.redF() * (1 - a);
            const double g = c.greenF() * a + window.greenF() * (1 - a);
            const double b = c.blueF() * a + window.blueF() * (1 - a);
            sum += 255.0 * (0.2126 * r + 0.7152 * g + 0.0722 * b);
            ++n;
        }
    }
    return n ? sum / n : 0;
}

} // namespace

class TestAssets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void svgLoadsAtDesignSize_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        for (const Asset &a : svgAssets())
            QTest::newRow(qPrintable(a.path)) << a.path << a.size;
    }

    void svgLoadsAtDesignSize()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        QSvgRenderer renderer(path);
        QVERIFY2(renderer.isValid(), qPrintable(path));
        QCOMPARE(renderer.defaultSize(), size);
        QCOMPARE(renderer.viewBoxF(), QRectF(QPointF(0, 0), QSizeF(size)));

        // Something the renderer does not understand is dropped silently;
        // an empty picture is how that shows.
        const QImage image = renderSvg(renderer, size);
        bool drawn = false;
        for (int y = 0; y < image.height() && !drawn; ++y)
            for (int x = 0; x < image.width() && !drawn; ++x)
                drawn = qAlpha(image.pixel(x, y)) > 0;
        QVERIFY2(drawn, qPrintable(path));
    }

    void svgUsesOnlyPortableFeatures_data() { svgLoadsAtDesignSize_data(); }

    void svgUsesOnlyPortableFeatures()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray svg = file.readAll();
        // Text would depend on the fonts of the machine; effects are not
        // supported by the Qt renderer and would vanish.
        for (const char *tag : {"<text", "<filter", "<mask", "<style", "<image", "<foreignObject"})
            QVERIFY2(!svg.contains(tag), qPrintable(path + QLatin1String(" contains ") + QLatin1String(tag)));
    }

    void pngLoadsAtRenderedSize_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        for (const Asset &a : pngAssets())
            QTest::newRow(qPrintable(a.path)) << a.path << a.size;
    }

    void pngLoadsAtRenderedSize()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), size);
    }

    void windowIconHoldsEverySize()
    {
        QImageReader reader(QString::fromLatin1(kIcon));
        QVERIFY2(reader.canRead(), qPrintable(reader.errorString()));
        QSet<int> sides;
        for (int i = 0; i < reader.imageCount(); ++i) {
            QVERIFY(reader.jumpToImage(i));
            const QImage image = reader.read();
            QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
            QCOMPARE(image.width(), image.height());
            sides.insert(image.width());
        }
        QCOMPARE(sides, (QSet<int>{16, 32, 48, 256}));
    }

    // Only the pictures the program names are compiled in; drawing sources
    // and the proprietary font must stay out of the binary.
    void noStrayResources()
    {
        QSet<QString> expected;
        for (const Asset &a : svgAssets() + pngAssets())
            expected.insert(a.path);
        expected.insert(QString::fromLatin1(kIcon));

        QSet<QString> found;
        QDirIterator it(QStringLiteral(":/asset"), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found.insert(it.next());
        QCOMPARE(found - expected, QSet<QString>());
        QCOMPARE(expected - found, QSet<QString>());
    }

    // The physical-key labels draw dark text straight onto the knob, so the
    // plate under the four corner labels and the dial under the centre label
    // must stay light.
    void knobIsLightUnderLabels_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QRect>("zone"); // in 300 x 300 design units
        const QString plate = QStringLiteral(":/asset/knob2.png");
        QTest::newRow("plate, key 1") << plate << QRect(16, 16, 74, 29);
        QTest::newRow("plate, key 2") << plate << QRect(210, 16, 74, 29);
        QTest::newRow("plate, key 3") << plate << QRect(16, 255, 74, 29);
        QTest::newRow("plate, key 4") << plate << QRect(210, 255, 74, 29);
        // The dial is drawn at 0.673 of the knob; label 5 (74 x 29 at the
        // centre) covers this part of the dial picture.
        QTest::newRow("dial, key 5") << QStringLiteral(":/asset/knob1.png") << QRect(95, 128, 110, 44);
    }

    void knobIsLightUnderLabels()
    {
        QFETCH(QString, path);
        QFETCH(QRect, zone);
        const QImage image(path);
        QVERIFY(!image.isNull());
        const double k = image.width() / 300.0;
        const QRect px(qRound(zone.x() * k), qRound(zone.y() * k), qRound(zone.width() * k),
                       qRound(zone.height() * k));
        // #272A2B text needs a surface well above mid-grey to read.
        QVERIFY2(meanLightness(image, px) > 180, qPrintable(QString::number(meanLightness(image, px))));
    }
};

QTEST_GUILESS_MAIN(TestAssets)
#include "tst_assets.moc"
