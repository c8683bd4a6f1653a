#include "app/MacroGUI.h"
#include "app/windowsizing.h"
#include "device/KnobSession.h"
#include "ui/MainLayoutWidget.h"

#include <QScreen>
#include <QTest>

class TestMacroGUI : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fixedSixteenByNineWindow()
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
    }

    void screenChangeRefitsAndPullsInside()
    {
        KnobSession session;
        MacroGUI window(&session);
        QScreen *screen = QGuiApplication::primaryScreen();
        window.setFixedSize(300, 200);
        window.move(screen->availableGeometry().right() - 10, screen->availableGeometry().bottom() - 10);
        window.resizeForScreen(screen, false);
        QCOMPARE(window.size(), windowSizeForAvailableArea(screen->availableGeometry().size()));
        QVERIFY(screen->availableGeometry().contains(window.geometry()));

        window.resizeForScreen(nullptr, true); // ignored, no crash
    }
};

QTEST_MAIN(TestMacroGUI)
#include "tst_macrogui.moc"
