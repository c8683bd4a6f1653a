// Every page paints its own panel instead of showing a picture. A page that
// loses its panel, or whose panel stops following the page's size, lets the
// window show through in the uncovered part; these checks look for that at
// the sizes and pixel ratios the window uses.

#include "ui/pages/CombinationWidget.h"
#include "ui/pages/DelayWidget.h"
#include "ui/pages/KeyboardWidget.h"
#include "ui/pages/LightWidget.h"
#include "ui/pages/MouseWidget.h"
#include "ui/pages/MultimediaWidget.h"
#include "ui/pages/PagePanel.h"
#include "ui/pages/ProcreateWidget.h"

#include <QGraphicsOpacityEffect>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>

#include <functional>
#include <memory>

using PageFactory = std::function<QWidget *()>;
Q_DECLARE_METATYPE(PageFactory)

namespace {

// Nothing on any page is this colour, so any of it in a picture of a page is a hole.
const QColor kBackdrop(0xFF, 0x00, 0xFF);

QImage renderPage(QWidget *page, qreal ratio)
{
    QPixmap pm(page->size() * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(kBackdrop);
    page->render(&pm);
    return pm.toImage().convertToFormat(QImage::Format_RGB32);
}

// Points of a page that no control covers at any size: the corners, the strip
// under the tab bar and the bottom margin, as fractions of the page.
const QList<QPointF> kBarePoints = {{0.0, 0.0},   {0.999, 0.0}, {0.0, 0.999}, {0.999, 0.999}, {0.5, 0.05},
                                    {0.25, 0.12}, {0.75, 0.12}, {0.5, 0.995}, {0.005, 0.5},   {0.995, 0.5}};

QList<QPair<const char *, PageFactory>> pages()
{
    return {
        {"keyboard", [] { return new KeyboardWidget; }},
        {"combination", [] { return new CombinationWidget; }},
        {"multimedia", [] { return new MultimediaWidget; }},
        {"mouse", [] { return new MouseWidget; }},
        {"light", [] { return new LightWidget; }},
        {"delay", [] { return new DelayWidget; }},
        {"procreate", [] { return new ProcreateWidget; }},
    };
}

void pageFactories()
{
    QTest::addColumn<PageFactory>("make");
    for (const auto &[name, make] : pages())
        QTest::newRow(name) << make;
}

} // namespace

class TestPagePanel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The window fades the content stack while disconnected and lifts the fade
    // on connecting; what is on screen afterwards must be the page at full
    // strength, not the faded picture of it.
    void panelRecoversFromTheFade_data() { pageFactories(); }

    void panelRecoversFromTheFade()
    {
        QFETCH(PageFactory, make);
        QWidget window;
        window.resize(1552, 496);
        auto *stack = new QWidget(&window);
        auto *layout = new QVBoxLayout(stack);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(make());
        stack->setGeometry(window.rect());
        auto *fade = new QGraphicsOpacityEffect(stack);
        fade->setOpacity(0.4);
        stack->setGraphicsEffect(fade);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(50);

        fade->setOpacity(1.0);
        const QPoint bare(2, 2); // under the tab bar, no control there
        QTRY_COMPARE(window.screen()->grabWindow(window.winId()).toImage().pixelColor(bare),
                     PagePanel::color());
    }

    void panelCoversThePage_data()
    {
        QTest::addColumn<PageFactory>("make");
        QTest::addColumn<QSize>("first");   // size the page is shown at
        QTest::addColumn<QSize>("resized"); // size it is then given
        QTest::addColumn<qreal>("ratio");

        const QSize full(1552, 496), half(776, 248);
        for (const auto &[name, make] : pages()) {
            for (qreal ratio : {1.0, 2.0}) {
                QTest::addRow("%s grows @%gx", name, ratio) << make << half << full << ratio;
                // The window of a 3840 x 2160 screen is 2880 wide.
                QTest::addRow("%s grows past design @%gx", name, ratio)
                    << make << half << QSize(2328, 744) << ratio;
                QTest::addRow("%s shrinks @%gx", name, ratio) << make << full << half << ratio;
                // A 16:9 window on an odd-sized screen gives an odd page size.
                QTest::addRow("%s odd size @%gx", name, ratio) << make << full << QSize(1163, 371) << ratio;
            }
        }
    }

    void panelCoversThePage()
    {
        QFETCH(PageFactory, make);
        QFETCH(QSize, first);
        QFETCH(QSize, resized);
        QFETCH(qreal, ratio);

        std::unique_ptr<QWidget> page(make());
        page->resize(first);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        page->resize(resized);
        QCoreApplication::processEvents();

        const QImage image = renderPage(page.get(), ratio);
        QCOMPARE(image.size(), resized * ratio);
        for (const QPointF &f : kBarePoints) {
            const QPoint at(int(f.x() * (image.width() - 1)), int(f.y() * (image.height() - 1)));
            QCOMPARE(image.pixelColor(at), PagePanel::color());
        }
        // No hole anywhere, not only at the sampled points.
        const QRgb backdrop = kBackdrop.rgb();
        for (int y = 0; y < image.height(); ++y) {
            const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (line[x] == backdrop)
                    QFAIL(qPrintable(QStringLiteral("backdrop shows at %1,%2").arg(x).arg(y)));
            }
        }
    }
};

QTEST_MAIN(TestPagePanel)
#include "tst_pagepanel.moc"
