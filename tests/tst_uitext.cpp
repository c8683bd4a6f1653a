#include "protocol/uitext.h"

#include <QTest>

class TestUiText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tableHasAllUniqueKeys() { QCOMPARE(uiTextEntryCount(), 162); }

    void lookup_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("expected");
        QTest::newRow("tab") << QStringLiteral("键盘") << QStringLiteral("Keyboard");
        QTest::newRow("trailing blank is not trimmed") << QStringLiteral("键盘 ") << QStringLiteral("键盘 ");
        QTest::newRow("double blank key") << QStringLiteral("使用有线/2.4G连接  或使用")
                                          << QStringLiteral("Use USB / 2.4G connection, or use");
        QTest::newRow("single blank misses")
            << QStringLiteral("使用有线/2.4G连接 或使用") << QStringLiteral("使用有线/2.4G连接 或使用");
        QTest::newRow("maps to itself") << QStringLiteral("Procreate") << QStringLiteral("Procreate");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("case sensitive") << QStringLiteral("mac") << QStringLiteral("mac");
        QTest::newRow("shared text") << QStringLiteral("延时") << QStringLiteral("Delay");
        QTest::newRow("lower-case shift")
            << QStringLiteral("shift+鼠标向上") << QStringLiteral("Shift + Scroll Up");
        QTest::newRow("full-width punctuation")
            << QStringLiteral("写入失败，请重新保存") << QStringLiteral("Write failed. Please save again.");
        QTest::newRow("debug console line keeps its place holder")
            << QStringLiteral("响应包 #%1 (%2 字节): %3") << QStringLiteral("Response #%1 (%2 bytes): %3");
        QTest::newRow("debug tab") << QStringLiteral("调试") << QStringLiteral("Debug");
        QTest::newRow("rich text")
            << QStringLiteral("有时候 <span style=\"color:#FFFFFF;font-weight:500;\">「有线/2.4G」</span> "
                              "也是一种优雅的选择哦")
            << QStringLiteral(
                   "Sometimes using a <span style=\"color:#FFFFFF;font-weight:500;\">USB / 2.4G</span> "
                   "connection is also a graceful choice");
    }

    void lookup()
    {
        QFETCH(QString, source);
        QFETCH(QString, expected);
        QCOMPARE(uiText(source), expected);
    }
};

QTEST_APPLESS_MAIN(TestUiText)
#include "tst_uitext.moc"
