// The program before and at its window's first show: what it does with its
// arguments, the window size on every screen, the window itself and its
// title-bar buttons.
#include "app/MacroGUI.h"
#include "app/commandline.h"
#include "app/language.h"
#include "app/windowsizing.h"
#include "device/KnobSession.h"
#include "ui/KnobArea.h"
#include "ui/KnobDialWidget.h"
#include "ui/MainLayoutWidget.h"
#include "ui/WindowButtons.h"
#include "ui/mainlayoutgeometry.h"
#include "ui/textfit.h"
#include "ui/uitext.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void actions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("exitNow");
        QTest::addColumn<QString>("outputStart");
        const QString version = versionText() + QLatin1Char('\n');
        QTest::newRow("none") << QStringList{} << false << QString();
        QTest::newRow("--version") << QStringList{"--version"} << true << version;
        QTest::newRow("-v") << QStringList{"-v"} << true << version;
        QTest::newRow("--help") << QStringList{"--help"} << true << "Usage: veltranix";
        QTest::newRow("-h") << QStringList{"-h"} << true << "Usage: veltranix";
        QTest::newRow("first one wins") << QStringList{"--help", "--version"} << true << "Usage: veltranix";
        QTest::newRow("after Qt's own options")
            << QStringList{"-platform", "offscreen", "--version"} << true << version;
        QTest::newRow("Qt options pass through")
            << QStringList{"-platform", "offscreen"} << false << QString();
        QTest::newRow("unknown options pass through") << QStringList{"--verbose"} << false << QString();
        QTest::newRow("not a prefix match") << QStringList{"--versions"} << false << QString();
        QTest::newRow("after --") << QStringList{"--", "--version"} << false << QString();
    }
    void actions()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, exitNow);
        QFETCH(QString, outputStart);
        const CommandLineAction a = commandLineAction(args);
        QCOMPARE(a.exitNow, exitNow);
        QCOMPARE(a.exitCode, 0);
        QVERIFY2(a.output.startsWith(outputStart), qPrintable(a.output));
        QCOMPARE(a.output.isEmpty(), !exitNow);
    }

    void versionIsTheProjectVersion()
    {
        // "veltranix 1.2" or "veltranix 1.2.3": a configure step that lost the
        // version would leave "@PROJECT_VERSION@" or an empty one.
        const QString v = versionText();
        QVERIFY2(QRegularExpression(QStringLiteral("^veltranix \\d+(\\.\\d+)+$")).match(v).hasMatch(),
                 qPrintable(v));
    }

    // The design size where it fits; elsewhere (placement below) the window
    // and its frame stay inside what the screen leaves for windows, at 16:9.
    void sizeRule()
    {
        QCOMPARE(windowSizeForAvailableArea(QSize(1920, 1080)), QSize(1920, 1080));
        QCOMPARE(windowSizeForAvailableArea(QSize(2560, 1415)), QSize(1920, 1080));
        QCOMPARE(windowSizeForAvailableArea(QSize(3840, 2135)), QSize(2880, 1620));
        QCOMPARE(windowSizeForAvailableArea(QSize(0, 0)), QSize(1, 0)); // no division by zero
    }

    void placement()
    {
        const QRect fhd(0, 0, 1920, 1080), laptop(0, 0, 1366, 768), panel(0, 32, 1920, 1048);
        const struct
        {
            QRect screen, available;
            QMargins frame;
            const char *platform;
            QPoint current;
        } rows[] = {{fhd, fhd, {}, "xcb", {}},
                    {laptop, laptop, {}, "xcb", {}},
                    {fhd, fhd, {1, 23, 1, 1}, "xcb", {}},
                    {fhd, panel, {4, 30, 4, 4}, "xcb", {}},
                    {fhd, fhd, {1, 23, 1, 1}, "xcb", {300, 200}},
                    {fhd, fhd, {}, "wayland", {}},
                    {laptop, laptop, {}, "wayland-egl", {}},
                    {fhd, fhd, {0, 37, 0, 0}, "wayland", {}},
                    {fhd, fhd, {}, "wayland", {-40, 0}},
                    {fhd, panel, {}, "wayland", {}},
                    {{0, 0, 3840, 2160}, {0, 0, 3840, 2135}, {2, 30, 2, 2}, "xcb", {}},
                    {{1920, 0, 1366, 768}, {1920, 0, 1366, 740}, {1, 23, 1, 1}, "xcb", {3000, 500}}};
        for (const auto &r : rows) {
            const QString platform = QString::fromLatin1(r.platform);
            const bool center = r.current.isNull();
            const WindowPlacement p =
                placeWindowOnScreen(r.screen, r.available, r.frame, platform, r.current, center);
            const QRect usable = usableScreenArea(r.screen, r.available, platform);
            const QRect whole(p.origin, p.size.grownBy(r.frame));
            QVERIFY2(usable.contains(whole), r.platform);
            QVERIFY(qAbs(p.size.width() * 9 - p.size.height() * 16) < 16);
            // Up to 1080p it fills the area in one direction.
            if (usable.height() <= 1080)
                QVERIFY(whole.width() >= usable.width() - 16 || whole.height() >= usable.height() - 9);
            if (center)
                QVERIFY(qAbs(whole.center().x() - usable.center().x()) <= 1);
            // Wayland hides its panels: the top 5 % stay free unless a work area is known.
            if (platform.startsWith(QLatin1String("wayland")) && r.available == r.screen)
                QVERIFY(whole.top() >= r.screen.height() / 20);
        }
        QCOMPARE(placeWindowOnScreen(fhd, fhd, {}, QStringLiteral("xcb"), {}, true).size, QSize(1920, 1080));
    }

    void fixedSixteenByNineWindowOnEveryScreen()
    {
        KnobSession session;
        MacroGUI window(&session);
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));

        QScreen *screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        const QSize expected = windowSizeForAvailableArea(screen->availableGeometry().size());
        QCOMPARE(window.size(), expected);
        QCOMPARE(window.minimumSize(), expected);
        QCOMPARE(window.maximumSize(), expected);
        QVERIFY(screen->availableGeometry().contains(window.geometry()));
        QCOMPARE(window.mainLayoutWidget()->parentWidget(), window.centralWidget());

        // A screen change refits it and pulls it inside.
        window.setFixedSize(300, 200);
        window.move(screen->availableGeometry().right() - 10, screen->availableGeometry().bottom() - 10);
        window.resizeForScreen(screen, false);
        QCOMPARE(window.size(), windowSizeForAvailableArea(screen->availableGeometry().size()));
        QVERIFY(screen->availableGeometry().contains(window.geometry()));

        // Without a screen it stays where it is, rather than centring on some other one.
        const QRect placed = window.geometry();
        window.resizeForScreen(nullptr, true);
        QCOMPARE(window.geometry(), placed);
    }

    // The knob's two pictures at every window size: each is there, at the
    // size its place takes, and not blank where the labels sit on it.
    void knobPicturesAtEverySize()
    {
        KnobSession session;
        MainLayoutWidget window(&session);
        window.show();
        const auto *base = window.findChild<QLabel *>(QStringLiteral("Knob"));
        const auto *dial = window.findChild<KnobDialWidget *>(QStringLiteral("knobDial"));
        for (const QSize size : {QSize(1920, 1080), QSize(1296, 729), QSize(960, 540), QSize(2400, 1350)}) {
            window.resize(size);
            const QImage picture = base->pixmap().toImage();
            QCOMPARE(picture.size(), base->size() * base->devicePixelRatioF());
            QVERIFY(qAlpha(picture.pixel(picture.width() / 8, picture.height() / 8)) > 0);
            const int dialSide = layout::dialLayout(base->width()).pictureSide;
            QCOMPARE(dial->picture().size(), QSize(dialSide, dialSide) * dial->devicePixelRatioF());
            QVERIFY(qAlpha(dial->picture().toImage().pixel(dialSide / 2, dialSide / 2)) > 0);
        }
        session.shutdown();
    }

    // The header as title bar: the buttons stay clear of Save at every size,
    // and the keyboard reaches and presses them.
    void windowButtons()
    {
        QWidget window;
        window.resize(1296, 729);
        auto *buttons = new WindowButtons(&window);
        window.show();
        for (const QSize size : {QSize(1920, 1080), QSize(1296, 729), QSize(960, 540)}) {
            window.resize(size);
            const QRect save = layout::mainGeometry(size).saveButton;
            QVERIFY(buttons->geometry().left() > save.right());
            QVERIFY(window.rect().contains(buttons->geometry()));
        }
        QVERIFY(buttons->minimiseButton()->accessibleName() != buttons->closeButton()->accessibleName());
        QVERIFY(buttons->closeButton()->focusPolicy() & Qt::TabFocus);
        buttons->closeButton()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(buttons->closeButton(), Qt::Key_Space);
        QVERIFY(!window.isVisible());
    }

    // Last: it leaves the Chinese translation installed.
    void language()
    {
        QCOMPARE(commandLineAction({"--demo", "--lang", "zh_CN"}).language, QStringLiteral("zh_CN"));
        QCOMPARE(commandLineAction({"--lang=en", "--demo"}).language, QStringLiteral("en"));
        QCOMPARE(commandLineAction({"--lang", "fr"}).exitCode, 2);
        QCOMPARE(commandLineAction({"--lang"}).exitCode, 2);
        const struct
        {
            const char *requested, *system, *chosen;
        } rows[] = {{"", "zh-CN", "zh_CN"}, {"", "zh-Hant-TW", "zh_CN"}, {"", "en-US", "en"}, {"", "C", "en"},
                    {"en", "zh-CN", "en"},  {"zh_CN", "de-DE", "zh_CN"}, {"de", "de-DE", ""}};
        for (const auto &r : rows)
            QCOMPARE(chooseInterfaceLanguage(QString::fromLatin1(r.requested),
                                             {QString::fromLatin1(r.system), "en"}),
                     QString::fromLatin1(r.chosen));

        // Chinese has no spaces: it wraps beside its characters, and keeps "，" on its line.
        const QFontMetrics metrics(QApplication::font());
        const QString first = QStringLiteral("根据喜好调整旋钮明暗变化，");
        QCOMPARE(textfit::elideLines(first + QStringLiteral("可一键设置"), metrics,
                                     metrics.horizontalAdvance(first), 2),
                 first + QStringLiteral("\n可一键设置"));

        QCOMPARE(actionLabel(QStringLiteral("音量+")), QStringLiteral("Volume +"));
        installInterfaceLanguage(QStringLiteral("zh_CN"));
        QCOMPARE(actionLabel(QStringLiteral("音量+")), QStringLiteral("音量+"));
        QCOMPARE(reportedText(QStringLiteral("In use by another program")),
                 QStringLiteral("设备正被 其他程序 使用"));
        KnobSession session;
        MainLayoutWidget window(&session);
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("statusText"))->text(), QStringLiteral("未连接"));
        session.shutdown();
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
