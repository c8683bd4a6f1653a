// The pieces of the main window on their own, in a bare parent widget: the
// toast, the reset question, the knob area, the tab bar and the system switch.
#include "protocol/KnobModel.h"
#include "protocol/uitext.h"
#include "ui/KnobArea.h"
#include "ui/ResetOverlay.h"
#include "ui/SystemSwitch.h"
#include "ui/TabBar.h"
#include "ui/ToastWidget.h"
#include "ui/WindowButtons.h"
#include "ui/mainlayoutgeometry.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

const QSize kDesign(1920, 1080);

void press(QWidget *target)
{
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QMouseEvent event(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace

class TestWindowPieces : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void toastWording_data()
    {
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shownTitle");
        QTest::addColumn<QString>("shownText");
        QTest::newRow("given texts") << true << QStringLiteral("清除选项") << QStringLiteral("Custom")
                                     << uiText(QStringLiteral("清除选项")) << QStringLiteral("Custom");
        QTest::newRow("success fallback")
            << true << QString() << QString() << uiText(QStringLiteral("保存成功"))
            << uiText(QStringLiteral("所有设置已成功保存"));
        QTest::newRow("failure fallback")
            << false << QString() << QString() << uiText(QStringLiteral("保存失败"))
            << uiText(QStringLiteral("请检查设置，并重新保存"));
    }

    void toastWording()
    {
        QFETCH(bool, success);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QWidget window;
        window.resize(1920, 1080);
        auto *toast = new ToastWidget(&window);
        window.show();
        QVERIFY(!toast->isVisible());

        toast->showMessage(success, title, text);
        QVERIFY(toast->isVisible());
        QTEST(toast->title(), "shownTitle");
        QTEST(toast->text(), "shownText");
        // It hides itself, however the test machine is loaded.
        QTRY_VERIFY_WITH_TIMEOUT(!toast->isVisible(), 10000);
    }

    void toastFollowsTheWindowSize_data()
    {
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        QTest::newRow("shrink") << QSize(1920, 1080) << QSize(960, 540);
        QTest::newRow("grow") << QSize(1280, 720) << QSize(2560, 1440);
    }

    void toastFollowsTheWindowSize()
    {
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        QWidget window;
        window.resize(from);
        auto *toast = new ToastWidget(&window);
        toast->relayout();
        window.show();
        toast->showMessage(true, QStringLiteral("a"), QStringLiteral("b"));
        QTRY_VERIFY_WITH_TIMEOUT(!toast->isSliding(), 5000);
        QCOMPARE(toast->pos(), QPoint(int(0.4109375 * from.width()), from.height() / 27));

        window.resize(to);
        toast->relayout();
        const layout::MainGeometry g = layout::mainGeometry(to);
        QCOMPARE(toast->size(), g.toastSize);
        QCOMPARE(toast->pos(), g.toastShownPos);
    }

    void resetOverlay_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("receiverDeletes");
        QTest::addColumn<int>("confirmations");
        QTest::newRow("confirm") << QStringLiteral("restoreConfirmButton") << false << 1;
        QTest::newRow("cancel") << QStringLiteral("restoreCancelButton") << false << 0;
        QTest::newRow("receiver deletes it") << QStringLiteral("restoreConfirmButton") << true << 1;
    }

    void resetOverlay()
    {
        QFETCH(QString, button);
        QFETCH(bool, receiverDeletes);
        QWidget window;
        window.resize(800, 600);
        QPointer<ResetOverlay> overlay = new ResetOverlay(&window);
        QCOMPARE(overlay->geometry(), window.rect());
        QSignalSpy confirmed(overlay.data(), &ResetOverlay::confirmed);
        if (receiverDeletes)
            connect(overlay.data(), &ResetOverlay::confirmed, &window, [&overlay] { delete overlay.data(); });
        window.show();
        overlay->show();

        QTest::mouseClick(overlay->findChild<QPushButton *>(button), Qt::LeftButton);
        QTEST(int(confirmed.count()), "confirmations");
        // Either answer takes the cover away.
        QTRY_VERIFY_WITH_TIMEOUT(overlay.isNull(), 5000);
    }

    void resetOverlayStaysCentred_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("small") << QSize(400, 300);
        QTest::newRow("large") << QSize(2560, 1440);
    }

    void resetOverlayStaysCentred()
    {
        QFETCH(QSize, size);
        QWidget window;
        window.resize(800, 600);
        auto *overlay = new ResetOverlay(&window);
        window.resize(size);
        overlay->fitToWindow();
        QCOMPARE(overlay->geometry(), QRect(QPoint(0, 0), size));
        auto *panel = overlay->findChild<QWidget *>(QStringLiteral("restoreConfirmPanel"));
        QCOMPARE(panel->geometry().center(), QRect(QPoint(0, 0), size).center());
    }

    void knobPresses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("cleared");
        for (int k = 1; k <= 5; ++k) {
            QTest::addRow("label %d", k) << QStringLiteral("knobKeyLabel%1").arg(k) << k << 0;
            QTest::addRow("clear icon %d", k) << QStringLiteral("cleanIcon%1").arg(k) << 0 << k;
        }
    }

    void knobPresses()
    {
        QFETCH(QString, name);
        QFETCH(int, selected);
        QFETCH(int, cleared);
        QWidget window;
        window.resize(1920, 1080);
        KnobModel model;
        KnobArea area(&window, &model);
        QSignalSpy selectSpy(&area, &KnobArea::knobKeyClicked);
        QSignalSpy clearSpy(&area, &KnobArea::clearClicked);

        press(window.findChild<QLabel *>(name));
        QCOMPARE(selectSpy.count(), selected ? 1 : 0);
        QCOMPARE(clearSpy.count(), cleared ? 1 : 0);
        if (selected)
            QCOMPARE(selectSpy.at(0).at(0).toInt(), selected);
        if (cleared)
            QCOMPARE(clearSpy.at(0).at(0).toInt(), cleared);
        // A press reports; it does not select by itself.
        QCOMPARE(area.selectedKey(), 0);
    }

    void knobSelectionLook_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("keyHasActions");
        QTest::addColumn<bool>("bubble");
        QTest::addColumn<bool>("cleanIcon");
        QTest::newRow("connected, key with actions") << true << 2 << true << true << true;
        QTest::newRow("connected, empty key") << true << 2 << false << false << true;
        QTest::newRow("disconnected") << false << 2 << true << false << false;
        QTest::newRow("nothing selected") << true << 0 << true << false << false;
    }

    void knobSelectionLook()
    {
        QFETCH(bool, connected);
        QFETCH(int, selected);
        QFETCH(bool, keyHasActions);
        QWidget window;
        window.resize(1920, 1080);
        KnobModel model;
        if (keyHasActions)
            model.addKeyCode(2, 0x04, true);
        KnobArea area(&window, &model);
        window.show();
        area.applyConnectionLook(connected);
        area.setSelectedKey(selected);
        area.relayout(layout::mainGeometry(window.size()).knobArea);

        QTEST(area.bubbleContainer()->isVisible(), "bubble");
        int shownIcons = 0;
        for (int k = 1; k <= 5; ++k)
            shownIcons +=
                window.findChild<QLabel *>(QStringLiteral("cleanIcon%1").arg(k))->isVisible() ? 1 : 0;
        QFETCH(bool, cleanIcon);
        QCOMPARE(shownIcons, cleanIcon ? 1 : 0);
        if (cleanIcon)
            QVERIFY(window.findChild<QLabel *>(QStringLiteral("cleanIcon%1").arg(selected))->isVisible());
        auto *label = window.findChild<QLabel *>(QStringLiteral("knobKeyLabel2"));
        QCOMPARE(label->isVisible(), connected);
        QCOMPARE(label->styleSheet().contains(QStringLiteral("#BEF449")), selected == 2);
    }

    void knobLabelElides_data()
    {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<int>("keys");
        QTest::addColumn<bool>("elided");
        QTest::newRow("one key, large") << QSize(1920, 1080) << 1 << false;
        QTest::newRow("many keys, large") << QSize(1920, 1080) << 12 << true;
        QTest::newRow("many keys, small") << QSize(960, 540) << 12 << true;
    }

    void knobLabelElides()
    {
        QFETCH(QSize, window);
        QFETCH(int, keys);
        QWidget parent;
        parent.resize(window);
        KnobModel model;
        for (int i = 0; i < keys; ++i)
            model.addKeyCode(3, 0x04 + i, true);
        KnobArea area(&parent, &model);
        area.relayout(layout::mainGeometry(window).knobArea);
        area.updateSingleKeyDisplay(3);
        const QString text = parent.findChild<QLabel *>(QStringLiteral("knobKeyLabel3"))->text();
        QVERIFY(!text.isEmpty());
        QTEST(text.endsWith(QChar(0x2026)), "elided");
        // An empty key shows nothing, whatever it showed before.
        model.clearActions(3);
        area.updateSingleKeyDisplay(3);
        QVERIFY(parent.findChild<QLabel *>(QStringLiteral("knobKeyLabel3"))->text().isEmpty());
    }

    void tabHits_data()
    {
        QTest::addColumn<QSize>("window");
        QTest::newRow("design size") << QSize(1920, 1080);
        QTest::newRow("half size") << QSize(960, 540);
    }

    void tabHits()
    {
        QFETCH(QSize, window);
        QWidget parent;
        parent.resize(window);
        TabBar tabs(&parent, kDesign);
        const layout::MainGeometry g = layout::mainGeometry(window);
        tabs.relayout(g.tabBar.topLeft(), g.tabBar.height(), g.buttonRadius);
        parent.show();
        QSignalSpy pressed(&tabs, &TabBar::tabPressed);
        for (int i = 0; i < tabs.count(); ++i) {
            const QPoint centre = tabs.bar()->mapTo(&parent, tabs.rectForIndex(i).center());
            // Presses between items reach only the editing tabs 0-5.
            QCOMPARE(tabs.indexAt(centre), i < 6 ? i : -1);
            press(parent.findChild<QLabel *>(QStringLiteral("tabItem%1").arg(i)));
            QCOMPARE(pressed.last().at(0).toInt(), i);
        }
        QCOMPARE(tabs.indexAt(tabs.bar()->geometry().bottomRight() + QPoint(5, 5)), -1);
        tabs.bar()->hide();
        QCOMPARE(tabs.indexAt(tabs.bar()->mapTo(&parent, tabs.rectForIndex(0).center())), -1);
    }

    void highlightsEndOnTheCurrentItem_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<bool>("mac");
        QTest::newRow("tab 3, Windows") << 3 << false;
        QTest::newRow("tab 6, Mac") << 6 << true;
        QTest::newRow("tab 0, Windows") << 0 << false;
    }

    void highlightsEndOnTheCurrentItem()
    {
        QFETCH(int, tab);
        QFETCH(bool, mac);
        QWidget parent;
        parent.resize(1920, 1080);
        TabBar tabs(&parent, kDesign);
        SystemSwitch systems(&parent, kDesign, true);
        parent.show();
        QSignalSpy systemPressed(&systems, &SystemSwitch::systemPressed);
        press(parent.findChild<QLabel *>(QStringLiteral("systemItem%1").arg(mac ? 0 : 1)));
        QCOMPARE(systemPressed.count(), 1);
        QCOMPARE(systemPressed.at(0).at(0).toBool(), mac);

        tabs.setCurrentIndex(tab);
        systems.setMacLayout(mac);
        auto *tabHighlight = parent.findChild<QLabel *>(QStringLiteral("tabHighlight"));
        auto *systemHighlight = parent.findChild<QLabel *>(QStringLiteral("systemHighlight"));
        QTRY_COMPARE_WITH_TIMEOUT(tabHighlight->geometry(), tabs.rectForIndex(tab), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(systemHighlight->geometry(), systems.rectForIndex(mac ? 0 : 1), 5000);
        // A relayout while nothing slides keeps them there.
        tabs.layoutItems();
        systems.layoutItems();
        QCOMPARE(tabHighlight->geometry(), tabs.rectForIndex(tab));
        QCOMPARE(systemHighlight->geometry(), systems.rectForIndex(mac ? 0 : 1));
        const QString currentColour = QStringLiteral("#BEF449");
        QVERIFY(parent.findChild<QLabel *>(QStringLiteral("tabItem%1").arg(tab))
                    ->findChild<QLabel *>(QStringLiteral("tabIconText"))
                    ->styleSheet()
                    .contains(currentColour));
        QVERIFY(parent.findChild<QLabel *>(QStringLiteral("systemItem%1").arg(mac ? 0 : 1))
                    ->findChild<QLabel *>(QStringLiteral("systemIconText"))
                    ->styleSheet()
                    .contains(currentColour));
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
};

QTEST_MAIN(TestWindowPieces)
#include "tst_windowpieces.moc"
