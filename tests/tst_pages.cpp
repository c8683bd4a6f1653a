// Every button of the list pages sends the name it stands for: a button wired
// to the wrong name binds the wrong action without anything else noticing.
#include "ui/pages/CombinationWidget.h"
#include "ui/pages/KeyboardWidget.h"
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

    template <typename Page, typename Signal>
    void everyButtonSendsItsName(const QStringList &names, Signal signal)
    {
        Page page;
        QSignalSpy spy(&page, signal);
        for (const QString &name : names) {
            SimKeyButton *b = page.button(name);
            QVERIFY2(b, qPrintable(name));
            b->click();
            QCOMPARE(spy.last().at(0).toString(), name);
            // Only what the gesture holds is marked, not what was clicked.
            QVERIFY(!b->isSelected());
            page.setMarkedNames({name});
            QVERIFY(b->isSelected());
        }
        QCOMPARE(spy.count(), names.size());
    }

private Q_SLOTS:
    void listPages()
    {
        everyButtonSendsItsName<CombinationWidget>(combinationPageStrings(),
                                                   &CombinationWidget::combinationClicked);
        everyButtonSendsItsName<MultimediaWidget>(multimediaPageNames(),
                                                  &MultimediaWidget::multimediaClicked);
        everyButtonSendsItsName<MouseWidget>(mousePageNames(), &MouseWidget::mouseClicked);
    }

    // On the smallest pages every name fits its button whole, on one line or two.
    void smallPagesCutNoName()
    {
        ProcreateWidget procreate;
        CombinationWidget combination;
        KeyboardWidget keyboard;
        for (QWidget *page : std::initializer_list<QWidget *>{&procreate, &combination, &keyboard}) {
            page->resize(776, 248);
            page->show();
            for (SimKeyButton *b : page->findChildren<SimKeyButton *>()) {
                b->ensurePolished();
                QVERIFY2(!b->shownText().contains(QChar(0x2026)), qPrintable(b->text()));
            }
        }
    }

    void procreatePage()
    {
        ProcreateWidget page;
        QSignalSpy spy(&page, &ProcreateWidget::procreateKeyClicked);
        QCOMPARE(page.buttons().size(), procreatePageNames().size());
        for (int i = 0; i < page.buttons().size(); ++i) {
            page.buttons().at(i)->click();
            QCOMPARE(spy.last().at(0).toString(), procreatePageNames().at(i));
        }
    }
};

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
