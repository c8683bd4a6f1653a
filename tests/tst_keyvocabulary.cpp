#include "protocol/configdecode.h"
#include "protocol/keyvocabulary.h"
#include "protocol/uitext.h"

#include <QTest>

class TestKeyVocabulary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Name -> key code, mask and type, as the packet writers see them.
    void parse_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("type");
        QTest::newRow("Ctrl+Shift+A") << "Ctrl+Shift+A" << 0x04 << 0x03 << int(Standard);
        QTest::newRow("lower-case prefix is not stripped") << "ctrl+a" << 0 << 0 << int(Standard);
        QTest::newRow("lower-case letter after a prefix") << "Ctrl+a" << 0x04 << 0x01 << int(Standard);
        QTest::newRow("F13") << "F13" << 0x68 << 0 << int(Standard);
        QTest::newRow("F25") << "F25" << 0 << 0 << int(Standard);
        QTest::newRow("named key") << "RightWin+Esc" << 0x29 << 0x80 << int(Standard);
        QTest::newRow("shifted symbol") << "!" << 0x1E << 0x02 << int(Standard);
        QTest::newRow("dash is in the symbol table") << "-" << 0x2D << 0x02 << int(Standard);
        QTest::newRow("symbol after a prefix") << "Ctrl+!" << 0 << 0x01 << int(ModifierOnly);
        QTest::newRow("punctuation by name") << "Ctrl+=" << 0x2E << 0x01 << int(Standard);
        QTest::newRow("Ctrl+ alone") << "Ctrl+" << 0 << 0x01 << int(ModifierOnly);
        QTest::newRow("no + after the last token") << "Ctrl+Alt+Win" << 0 << 0x0D << int(ModifierOnly);
        QTest::newRow("all four") << "Ctrl+Alt+Shift+Win+" << 0 << 0x0F << int(ModifierOnly);
        QTest::newRow("unknown") << "Hello" << 0 << 0 << int(Standard);
        QTest::newRow("refresh shares the code of 0") << "网页刷新" << 0x27 << 0 << int(Multimedia);
        QTest::newRow("browser") << "打开浏览器" << 0x223 << 0 << int(Multimedia);
        QTest::newRow("middle button shares 0xE9") << "鼠标中键" << 0xE9 << 0 << int(Mouse);
        QTest::newRow("Ctrl+mouse up is mouse") << "Ctrl+鼠标向上" << 0xEF << 0x01 << int(Mouse);
        QTest::newRow("shift+mouse down") << "shift+鼠标向下" << 0xF9 << 0 << int(Mouse);
        QTest::newRow("swipe") << "向下划屏" << 0xFD << 0 << int(Mouse);
        QTest::newRow("light off") << "关闭灯光" << 0xF0 << 0 << int(Light);
        QTest::newRow("LED mode 5") << "LED模式5" << 0xF5 << 0 << int(Light);
        QTest::newRow("unknown LED name") << "LED模式9" << 0 << 0 << int(Light);
        QTest::newRow("exact Procreate key") << "打开色彩面板" << 0 << 0 << int(Procreate);
        QTest::newRow("containing 打开色彩 only") << "打开色彩" << 0 << 0 << int(Multimedia);
        QTest::newRow("Procreate by substring") << "撤销一步" << 0 << 0 << int(Procreate);
        QTest::newRow("English text is no table key") << "Undo" << 0 << 0 << int(Standard);
    }
    void parse()
    {
        QFETCH(QString, name);
        QFETCH(int, code);
        QFETCH(int, mask);
        QFETCH(int, type);
        const unsigned short actual = combinationToKeyCode(name);
        QCOMPARE(int(actual), code);
        QCOMPARE(int(combinationToModifierMask(name)), mask);
        QCOMPARE(getKeyType(name, actual), type);
    }

    // A modified key read back from the device is kept by its name; saving
    // that name must give the same key, not its modifiers alone.
    void everyReadBackCombinationEncodesToItsKey()
    {
        QStringList lost;
        for (bool mac : {true, false}) {
            for (unsigned usage = 0x04; usage < 0xE0; ++usage) {
                for (unsigned char mask : {0x01, 0x04, 0x09}) {
                    const QString name =
                        standardCombinationFromPacket(mask, static_cast<unsigned char>(usage), mac);
                    const unsigned key = combinationToKeyCode(name) & 0xFF;
                    // Keypad digits and the keypad Enter share their names with main keys.
                    const QString bare = keyCodeToString(static_cast<unsigned short>(usage), mac);
                    const bool sharedName = (combinationToKeyCode(bare) & 0xFF) != usage;
                    if (key != usage && !sharedName)
                        lost << QStringLiteral("%1 (0x%2)").arg(name).arg(usage, 2, 16, QLatin1Char('0'));
                    QCOMPARE(combinationToModifierMask(name), mask);
                }
            }
        }
        QVERIFY2(lost.isEmpty(), qPrintable(lost.join(QStringLiteral(", "))));
    }

    void everyShiftedSymbolRoundTrips()
    {
        for (const ShiftedSymbol &s : shiftedSymbols()) {
            const QString name = QString::fromLatin1(s.symbol);
            QCOMPARE(int(combinationToKeyCode(name)), int(s.usage));
            QCOMPARE(int(combinationToModifierMask(name)), 0x02);
            QCOMPARE(shiftedSymbolForUsage(s.usage), name);
        }
    }
};

QTEST_APPLESS_MAIN(TestKeyVocabulary)
#include "tst_keyvocabulary.moc"
