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
        QCOMPARE(keyboardKeyDefs().size(), 105);
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

    void layoutCodes()
    {
        const QList<unsigned short> win = keyboardPageKeyCodes(false);
        const QList<unsigned short> mac = keyboardPageKeyCodes(true);
        QCOMPARE(win.size(), 104);
        QCOMPARE(mac.size(), 105);
        QVERIFY(win.contains(0x46) && win.contains(0x47) && win.contains(0x48));
        QVERIFY(!win.contains(0x69) && !win.contains(0xF9));
        QVERIFY(mac.contains(0x69) && mac.contains(0x6A) && mac.contains(0x6B) && mac.contains(0xF9));
        QVERIFY(!mac.contains(0x46));
        // Every hotspot names a key the page also offers as a button.
        for (const KeyHotspot &h : keyboardHotspots())
            QVERIFY2(win.contains(h.keyCode), qPrintable(h.label));
    }

    void rowsShareOneWidth()
    {
        // Rows 2-6 of the main block all end at 1035 design units on both layouts.
        auto width = [](const QStringList &ids, bool mac) {
            int w = 0;
            int n = 0;
            for (const QString &id : ids) {
                const KeyboardKeyDef *d = keyboardKeyDef(id);
                if (!d || (!mac && !d->winVisible))
                    continue;
                w += mac ? d->macWidth : d->width;
                ++n;
            }
            return w + 8 * (n - 1);
        };
        const QStringList bottom = {"fn",    "ctrl_left", "win_left",  "alt_left",
                                    "space", "alt_right", "win_right", "ctrl_right"};
        QCOMPARE(width(bottom, false), 1035);
        QCOMPARE(width(bottom, true), 1035);
        QCOMPARE(width({"shift_left", "z", "x", "c", "v", "b", "n", "m", "angle_left", "angle_right",
                        "question", "shift_right"},
                       false),
                 1035);
        QVERIFY(!keyboardKeyDef(QStringLiteral("nope")));
    }
};

QTEST_APPLESS_MAIN(TestPagesVocabulary)
#include "tst_pages_vocabulary.moc"
