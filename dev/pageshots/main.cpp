// Renders each tab page at full and half size, in both keyboard layouts and at
// pixel ratios 1 and 2, to PNG files in the directory given as argument.

#include "ui/pages/CombinationWidget.h"
#include "ui/pages/DebugWidget.h"
#include "ui/pages/DelayWidget.h"
#include "ui/pages/KeyboardWidget.h"
#include "ui/pages/LightWidget.h"
#include "ui/pages/MouseWidget.h"
#include "ui/pages/MultimediaWidget.h"
#include "ui/pages/ProcreateWidget.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

bool shoot(QWidget *page, const QSize &size, qreal ratio, const QString &file)
{
    page->resize(size);
    page->show();
    // Let the switch animation settle before the picture is taken.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    // grab() renders at the widget's own ratio; paint into a pixmap of the
    // wanted ratio instead so both densities come out of one process.
    QPixmap pm(size * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(QColor(0x1A, 0x1A, 0x1A));
    page->render(&pm);
    page->hide();
    return pm.save(file);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("pageshots");
    QDir().mkpath(outDir);

    using Factory = std::function<QWidget *(bool mac)>;
    const QList<QPair<QString, Factory>> pages = {
        {QStringLiteral("keyboard"),
         [](bool mac) {
             auto *w = new KeyboardWidget;
             w->setMacLayout(mac);
             w->setLitUsages({0x04, 0xE0});
             return w;
         }},
        {QStringLiteral("combination"),
         [](bool) {
             auto *w = new CombinationWidget;
             w->setMarkedNames({QStringLiteral("&")});
             return w;
         }},
        {QStringLiteral("multimedia"), [](bool) { return new MultimediaWidget; }},
        {QStringLiteral("mouse"), [](bool) { return new MouseWidget; }},
        {QStringLiteral("light"),
         [](bool mac) {
             auto *w = new LightWidget;
             w->setLightSettings(QColor(0x40, 0xA0, 0xFF), 70, !mac);
             return w;
         }},
        {QStringLiteral("delay"),
         [](bool) {
             auto *w = new DelayWidget;
             w->setSelectedKnobKey(2);
             w->setDelayForVirtualKey(2, 1, 60000);
             w->setVirtualKeyCount(2, 4);
             w->setVirtualKeyTexts(2, {QStringLiteral("Ctrl+Shift+A"), QStringLiteral("Volume +"),
                                       QStringLiteral("B"), QString()});
             return w;
         }},
        {QStringLiteral("procreate"), [](bool) { return new ProcreateWidget; }},
        {QStringLiteral("debug"),
         [](bool) {
             auto *w = new DebugWidget;
             w->inputLine()->setText(QStringLiteral("03 FF FF"));
             w->onSendClicked();
             w->showWriteResult(65);
             w->showWaitingForResponses();
             w->showResponseReport(1, Packet{0x03, 0xFD, 0x02, 0x01, 0x01, 0x00, 0x01, 0x00, 0x00, 0x04});
             w->showResponseReport(2, Packet{0x03, 0xFD, 0xFE, 0xFF});
             w->showResponseSummary(2);
             w->inputLine()->setText(QStringLiteral("03 FG"));
             w->onSendClicked();
             w->onExitClicked();
             w->inputLine()->setText(QStringLiteral("03 FA 19 00 01"));
             return w;
         }},
    };

    int failures = 0;
    for (const auto &page : pages) {
        for (bool mac : {false, true}) {
            // Only the keyboard (and, for contrast, the light on/off state) differ by layout.
            if (mac && page.first != QLatin1String("keyboard") && page.first != QLatin1String("light"))
                continue;
            std::unique_ptr<QWidget> w(page.second(mac));
            for (const QSize &size : {QSize(1552, 496), QSize(776, 248)}) {
                for (qreal ratio : {1.0, 2.0}) {
                    const QString file =
                        QStringLiteral("%1/%2_%3_%4x%5@%6x.png")
                            .arg(outDir, page.first, mac ? QStringLiteral("mac") : QStringLiteral("win"))
                            .arg(size.width())
                            .arg(size.height())
                            .arg(int(ratio));
                    if (!shoot(w.get(), size, ratio, file)) {
                        std::fprintf(stderr, "could not write %s\n", qPrintable(file));
                        ++failures;
                    }
                }
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
