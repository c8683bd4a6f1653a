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
