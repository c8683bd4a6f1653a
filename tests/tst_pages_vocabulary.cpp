#include "ui/pages/pagevocabulary.h"

#include <QSet>
#include <QTest>

class TestPagesVocabulary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void counts()
    {
        QCOMPARE(combinationPageStrings().size(), 53);
        QCOMPARE(multimediaPageNames().size(), 21);
        QCOMPARE(mousePageNames().size(), 16);
        QCOMPARE(procreatePageNames().size(), 30);
        QCOMPARE(keyboardHotspots().size(), 79);
        // Names are hash keys on their pages: a duplicate would lose a button.
        for (const QStringList *l :
             {&combinationPageStrings(), &multimediaPageNames(), &mousePageNames(), &procreatePageNames()})
            QCOMPARE(QSet<QString>(l->begin(), l->end()).size(), l->size());
        QSet<QString> ids;
        for (const KeyboardKeyDef &d : keyboardKeyDefs())
            ids.insert(d.id);
        QCOMPARE(ids.size(), 105);
    }

    // Every hotspot names a key the page also offers as a button.
    void hotspotsAreKeys()
    {
        const QList<unsigned short> win = keyboardPageKeyCodes(false);
        QCOMPARE(win.size(), 104);
        QCOMPARE(keyboardPageKeyCodes(true).size(), 105);
        for (const KeyHotspot &h : keyboardHotspots())
            QVERIFY2(win.contains(h.keyCode), qPrintable(h.label));
    }
};

QTEST_APPLESS_MAIN(TestPagesVocabulary)
#include "tst_pages_vocabulary.moc"
