#include "ui/pages/CombinationWidget.h"
#include "ui/pages/MouseWidget.h"
#include "ui/pages/MultimediaWidget.h"
#include "ui/pages/ProcreateWidget.h"
#include "ui/pages/SimKeyButton.h"
#include "ui/pages/pagevocabulary.h"

#include <QSignalSpy>
#include <QTest>

class TestPages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void combination()
    {
        CombinationWidget page;
        page.show(); // hidden widgets defer their resize events
        QSignalSpy spy(&page, &CombinationWidget::combinationClicked);
        for (const QString &c : combinationPageStrings())
            QVERIFY2(page.button(c), qPrintable(c));
        QCOMPARE(page.button("&")->text(), QStringLiteral("&&"));
        page.button("&")->click();
        page.button("&")->click();
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("&"));
        QVERIFY(page.button("&")->isSelected());
        page.button("Ctrl+Alt+Win")->click();
        QCOMPARE(spy.last().at(0).toString(), QStringLiteral("Ctrl+Alt+Win"));
        QVERIFY(!page.button("&")->isSelected());

        QCOMPARE(page.button("Win+")->geometry(), QRect(16, 84, 185, 59));
        QCOMPARE(page.button("~")->x(), 16 + 4 * 185 + 3 * 8 + 64);
        QCOMPARE(page.button("F24")->geometry().right() + 1, 1536);
        QCOMPARE(page.button("^")->geometry().right() + 1, 1536);
        page.resize(776, 248);
        QCOMPARE(page.button("Win+")->geometry(), QRect(8, 42, 92, 29));
        QCOMPARE(page.button("Win+")->minimumFontPixelSize(), 8);
        QCOMPARE(page.button("Win+")->maximumFontPixelSize(), 10);
        page.clearSelection();
        QVERIFY(!page.selectedButton());
    }

    void multimedia()
    {
        MultimediaWidget page;
        page.show(); // hidden widgets defer their resize events
        QSignalSpy spy(&page, &MultimediaWidget::multimediaClicked);
        QCOMPARE(page.button(QStringLiteral("播放/暂停"))->text(), QStringLiteral("Play / Pause"));
        page.button(QStringLiteral("播放/暂停"))->click();
        QCOMPARE(spy.last().at(0).toString(), QStringLiteral("播放/暂停"));
        page.resize(776, 248);
        const int xs[] = {8, 117, 227, 336, 446, 555, 665};
        const QStringList &names = multimediaPageNames();
        for (int c = 0; c < 7; ++c)
            QCOMPARE(page.button(names.at(7 + c))->geometry(), QRect(xs[c], 75, 105, 29));
    }

    void mouse()
    {
        MouseWidget page;
        page.show(); // hidden widgets defer their resize events
        QSignalSpy spy(&page, &MouseWidget::mouseClicked);
        page.button(QStringLiteral("shift+鼠标向上"))->click();
        QCOMPARE(spy.last().at(0).toString(), QStringLiteral("shift+鼠标向上"));
        page.resize(776, 248);
        const int xs[] = {8, 199, 390, 581};
        for (int c = 0; c < 4; ++c)
            QCOMPARE(page.button(mousePageNames().at(c))->geometry(), QRect(xs[c], 42, 187, 29));
        QCOMPARE(page.button(QStringLiteral("向下划屏"))->geometry(), QRect(518, 176, 251, 29));
        page.resize(3104, 496);
        QCOMPARE(page.button(QStringLiteral("点赞"))->maximumFontPixelSize(), 16);
        QCOMPARE(page.button(QStringLiteral("点赞"))->minimumFontPixelSize(), 11);
    }

    void procreate()
    {
        ProcreateWidget page;
        page.show(); // hidden widgets defer their resize events
        QSignalSpy spy(&page, &ProcreateWidget::procreateKeyClicked);
        QCOMPARE(page.buttons().size(), 30);
        page.buttons().at(9)->click();
        QCOMPARE(spy.last().at(0).toString(), QStringLiteral("吸色M(iOS17)"));
        QCOMPARE(page.buttons().at(9)->text(), QStringLiteral("Eyedropper M (iOS 17)"));

        page.resize(1552, 496);
        QCOMPARE(page.buttons().at(29)->geometry(), QRect(16 + 218, 384, 210, 59));
        page.resize(776, 248);
        QCOMPARE(page.buttons().at(8)->geometry(), QRect(8 + 109, 42 + 37, 105, 29));
        QCOMPARE(page.buttons().at(0)->maximumFontPixelSize(), 8);
        QCOMPARE(page.buttons().at(0)->minimumFontPixelSize(), 8);

        // Below the page minimum the buttons hold their own minimums and overflow.
        page.setMinimumSize(0, 0);
        page.resize(200, 80);
        QCOMPARE(page.buttons().at(8)->geometry(), QRect(2 + 52, 13 + 24, 50, 20));
    }
};

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
