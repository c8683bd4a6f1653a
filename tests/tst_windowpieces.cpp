// The window's own title-bar buttons, in a bare parent widget.
#include "ui/WindowButtons.h"
#include "ui/mainlayoutgeometry.h"

#include <QPushButton>
#include <QTest>

class TestWindowPieces : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
