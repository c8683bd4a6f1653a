#include "app/uitext.h"

#include <QTest>

class TestUiText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tableHas142UniqueKeys() { QCOMPARE(uiTextEntryCount(), 142); }

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
        QTest::newRow("run-time key name") << QStringLiteral("A") << QStringLiteral("A");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("case sensitive") << QStringLiteral("mac") << QStringLiteral("mac");
        QTest::newRow("shared text 1") << QStringLiteral("延时") << QStringLiteral("Delay");
        QTest::newRow("shared text 2") << QStringLiteral("延迟") << QStringLiteral("Delay");
        QTest::newRow("lower-case shift")
            << QStringLiteral("shift+鼠标向上") << QStringLiteral("Shift + Scroll Up");
        QTest::newRow("full-width punctuation")
            << QStringLiteral("写入失败，请重新保存") << QStringLiteral("Write failed. Please save again.");
        QTest::newRow("no entry for debug tab") << QStringLiteral("调试") << QStringLiteral("调试");
        QTest::newRow("rich text 1")
            << QStringLiteral("有时候 <span style=\"color:#FFFFFF;font-weight:500;\">「有线/2.4G」</span> "
                              "也是一种优雅的选择哦")
            << QStringLiteral(
                   "Sometimes using a <span style=\"color:#FFFFFF;font-weight:500;\">USB / 2.4G</span> "
                   "connection is also a graceful choice");
        QTest::newRow("rich text 2")
            << QStringLiteral(
                   "周围蓝牙设备较多的情况下，可能会导致 <span style=\"color:#FFFFFF;font-weight:500;\">"
                   "【扫描变慢】</span> 或 <span "
                   "style=\"color:#FFFFFF;font-weight:500;\">【扫描失败】</span>")
            << QStringLiteral("When many Bluetooth devices are nearby, scanning may become <span "
                              "style=\"color:#FFFFFF;font-weight:500;\">slower</span> or <span "
                              "style=\"color:#FFFFFF;font-weight:500;\">fail</span>");
        QTest::newRow("long hex hint")
            << QStringLiteral("十六进制数据 (支持空格分隔或连续输入，例如: 03 FA 19 00 01 / 03FA190001):")
            << QStringLiteral(
                   "Hexadecimal data (space-separated or continuous, e.g. 03 FA 19 00 01 / 03FA190001):");
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
