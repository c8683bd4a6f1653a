#include "protocol/procreatetable.h"

#include <QSet>
#include <QTest>

using Bytes = QList<unsigned char>;

class TestProcreate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tableIsComplete()
    {
        QCOMPARE(procreateKeyMap().size(), 30);
        QCOMPARE(procreateKeyNames().size(), 30);
        QSet<QString> distinct;
        for (const QString &name : procreateKeyNames()) {
            QVERIFY(procreateKeyMap().contains(name));
            const Bytes seq = procreateKeyMap().value(name);
            QString key;
            for (unsigned char b : seq)
                key += QString::number(b) + QLatin1Char(',');
            distinct.insert(key);
            // Every sequence round-trips, so a read-back finds the same name.
            QCOMPARE(procreateKeyNameFromSequence(seq), name);
        }
        QCOMPARE(distinct.size(), 30);
    }

    void reverseLookup_data()
    {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<QString>("name");
        QTest::newRow("reversed order") << Bytes{0x1D, 0xF4} << "";
        QTest::newRow("prefix of a longer one") << Bytes{0xF2, 0xF4} << "";
        QTest::newRow("not in table") << Bytes{0xF4, 0x1E} << "";
        QTest::newRow("empty") << Bytes{} << "";
    }
    void reverseLookup()
    {
        QFETCH(Bytes, bytes);
        QFETCH(QString, name);
        QCOMPARE(procreateKeyNameFromSequence(bytes), name);
    }
};

QTEST_APPLESS_MAIN(TestProcreate)
#include "tst_procreate.moc"
