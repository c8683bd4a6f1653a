#include "ui/pages/pagevocabulary.h"

const QStringList &combinationPageStrings()
{
    static const QStringList list = {
        // row 1
        QStringLiteral("Win+"),
        QStringLiteral("Shift+"),
        QStringLiteral("Alt+"),
        QStringLiteral("Ctrl+"),
        QStringLiteral("~"),
        QStringLiteral("!"),
        QStringLiteral("@"),
        QStringLiteral("#"),
        QStringLiteral("$"),
        QStringLiteral("%"),
        QStringLiteral("^"),
        // row 2
        QStringLiteral("RightShift+"),
        QStringLiteral("RightAlt+"),
        QStringLiteral("RightCtrl+"),
        QStringLiteral("RightWin+"),
        QStringLiteral("&"),
        QStringLiteral("*"),
        QStringLiteral("("),
        QStringLiteral(")"),
        QStringLiteral("-"),
        QStringLiteral("+"),
        QStringLiteral("{"),
        // row 3
        QStringLiteral("Shift+Win+"),
        QStringLiteral("Alt+Shift+"),
        QStringLiteral("Ctrl+Shift+"),
        QStringLiteral("Ctrl+Alt+"),
        QStringLiteral("}"),
        QStringLiteral("|"),
        QStringLiteral(":"),
        QStringLiteral("\""),
        QStringLiteral("<"),
        QStringLiteral(">"),
        QStringLiteral("?"),
        // row 4
        QStringLiteral("Ctrl+Alt+Shift+Win+"),
        QStringLiteral("Ctrl+Alt+Win"),
        QStringLiteral("Ctrl+Shift+Alt+"),
        QStringLiteral("Command"),
        QStringLiteral("F13"),
        QStringLiteral("F14"),
        QStringLiteral("F15"),
        QStringLiteral("F16"),
        QStringLiteral("F17"),
        QStringLiteral("F18"),
        QStringLiteral("F19"),
        // row 5
        QStringLiteral("option"),
        QStringLiteral("control"),
        QStringLiteral("RightOption"),
        QStringLiteral("RightCommand"),
        QStringLiteral("F20"),
        QStringLiteral("F21"),
        QStringLiteral("F22"),
        QStringLiteral("F23"),
        QStringLiteral("F24"),
    };
    return list;
}

const QStringList &multimediaPageNames()
{
    static const QStringList list = {
        QStringLiteral("上一曲"),     QStringLiteral("停止"),      QStringLiteral("下一曲"),
        QStringLiteral("播放/暂停"),  QStringLiteral("屏幕亮度-"), QStringLiteral("屏幕亮度+"),
        QStringLiteral("我的电脑"),   QStringLiteral("音量-"),     QStringLiteral("音量+"),
        QStringLiteral("静音"),       QStringLiteral("打开媒体"),  QStringLiteral("打开计算器"),
        QStringLiteral("打开浏览器"), QStringLiteral("打开邮箱"),  QStringLiteral("高音-"),
        QStringLiteral("高音+"),      QStringLiteral("低音-"),     QStringLiteral("低音+"),
        QStringLiteral("网页刷新"),   QStringLiteral("网页前进"),  QStringLiteral("网页后退"),
    };
    return list;
}

const QStringList &mousePageNames()
{
    static const QStringList list = {
        QStringLiteral("鼠标左键"), QStringLiteral("鼠标中键"),       QStringLiteral("鼠标右键"),
        QStringLiteral("点赞"),     QStringLiteral("鼠标滚轮+"),      QStringLiteral("鼠标滚轮-"),
        QStringLiteral("向左划屏"), QStringLiteral("Ctrl+鼠标向上"),  QStringLiteral("Ctrl+鼠标向下"),
        QStringLiteral("向右划屏"), QStringLiteral("shift+鼠标向上"), QStringLiteral("shift+鼠标向下"),
        QStringLiteral("向上划屏"), QStringLiteral("Alt+鼠标向上"),   QStringLiteral("Alt+鼠标向下"),
        QStringLiteral("向下划屏"),
    };
    return list;
}

const QStringList &procreatePageNames()
{
    static const QStringList list = {
        QStringLiteral("速选菜单"),      QStringLiteral("调试命令"),     QStringLiteral("激活绘画工具"),
        QStringLiteral("打开色彩面板"),  QStringLiteral("激活擦除工具"), QStringLiteral("打开图层列表"),
        QStringLiteral("进入选取模式"),  QStringLiteral("进入变形模式"), QStringLiteral("先前和当前颜色切换"),
        QStringLiteral("吸色M(iOS17)"),  QStringLiteral("清除所选图层"), QStringLiteral("开/关全屏模式"),
        QStringLiteral("开/关透视指引"), QStringLiteral("画笔缩小1%"),   QStringLiteral("画笔放大1%"),
        QStringLiteral("画笔缩小5%"),    QStringLiteral("画笔放大5%"),   QStringLiteral("画笔缩小10%"),
        QStringLiteral("画笔放大10%"),   QStringLiteral("全部拷贝"),     QStringLiteral("输入颜色平衡调整"),
        QStringLiteral("拷贝"),          QStringLiteral("清除选区"),     QStringLiteral("复制选区"),
        QStringLiteral("打开操作菜单"),  QStringLiteral("输入HSB颜色"),  QStringLiteral("粘贴"),
        QStringLiteral("剪切"),          QStringLiteral("撤销"),         QStringLiteral("重做"),
    };
    return list;
}

namespace {

KeyboardKeyDef key(const char *id, unsigned short code, int w = 59, int h = 59)
{
    KeyboardKeyDef d;
    d.id = QString::fromLatin1(id);
    d.code = d.winCode = d.macCode = code;
    d.width = d.macWidth = w;
    d.height = h;
    return d;
}

KeyboardKeyDef layoutKey(const char *id, unsigned short created, unsigned short win, unsigned short mac)
{
    KeyboardKeyDef d = key(id, created);
    d.winCode = win;
    d.macCode = mac;
    return d;
}

KeyboardKeyDef bottomKey(const char *id, unsigned short code, int winWidth, int macWidth)
{
    KeyboardKeyDef d = key(id, code, winWidth);
    d.macWidth = macWidth;
    return d;
}

QList<KeyboardKeyDef> buildKeyDefs()
{
    QList<KeyboardKeyDef> k;
    // Function row.
    k << key("esc", 0x29);
    for (int i = 0; i < 12; ++i)
        k << key(QByteArray("f" + QByteArray::number(i + 1)).constData(),
                 static_cast<unsigned short>(0x3A + i));
    k << key("f13", 0x68);
    k << layoutKey("print", 0x69, 0x46, 0x69) << layoutKey("scroll", 0x6A, 0x47, 0x6A)
      << layoutKey("pause", 0x6B, 0x48, 0x6B);
    // Numeric keypad.
    k << key("num_lock", 0x53) << key("slash", 0x54) << key("asterisk", 0x55) << key("-", 0x56);
    k << key("numpad7", 0x5F) << key("numpad8", 0x60) << key("numpad9", 0x61)
      << key("plus_big", 0x57, 59, 126);
    k << key("numpad4", 0x5C) << key("numpad5", 0x5D) << key("numpad6", 0x5E);
    k << key("numpad1", 0x59) << key("numpad2", 0x5A) << key("numpad3", 0x5B)
      << key("enter_numpad", 0x58, 59, 126);
    k << key("num0_big", 0x62, 126, 59) << key("dot", 0x63);
    // Row 2.
    k << key("tilde", 0x35);
    for (int i = 1; i <= 9; ++i)
        k << key(QByteArray::number(i).constData(), static_cast<unsigned short>(0x1E + i - 1));
    k << key("0", 0x27) << key("minus", 0x2D) << key("equal", 0x2E) << key("backspace", 0x2A, 164);
    k << key("insert", 0x49) << key("home", 0x4A) << key("page_up", 0x4B);
    // Row 3.
    k << key("tab", 0x2B, 116);
    const char *row3[] = {"q", "w", "e", "r", "t", "y", "u", "i", "o", "p"};
    const unsigned short row3Codes[] = {0x14, 0x1A, 0x08, 0x15, 0x17, 0x1C, 0x18, 0x0C, 0x12, 0x13};
    for (int i = 0; i < 10; ++i)
        k << key(row3[i], row3Codes[i]);
    k << key("bracket_left", 0x2F) << key("bracket_right", 0x30) << key("backslash", 0x31, 107);
    k << key("del", 0x4C) << key("end", 0x4D) << key("page_down", 0x4E);
    // Row 4.
    k << key("caps_lock", 0x39, 130);
    const char *row4[] = {"a", "s", "d", "f", "g", "h", "j", "k", "l"};
    const unsigned short row4Codes[] = {0x04, 0x16, 0x07, 0x09, 0x0A, 0x0B, 0x0D, 0x0E, 0x0F};
    for (int i = 0; i < 9; ++i)
        k << key(row4[i], row4Codes[i]);
    k << key("semicolon", 0x33) << key("quote", 0x34) << key("enter", 0x28, 160);
    // Row 5.
    k << key("shift_left", 0xE1, 160);
    const char *row5[] = {"z", "x", "c", "v", "b", "n", "m"};
    const unsigned short row5Codes[] = {0x1D, 0x1B, 0x06, 0x19, 0x05, 0x11, 0x10};
    for (int i = 0; i < 7; ++i)
        k << key(row5[i], row5Codes[i]);
    k << key("angle_left", 0x36) << key("angle_right", 0x37) << key("question", 0x38)
      << key("shift_right", 0xE5, 197);
    k << key("up", 0x52);
    // Bottom row; fn takes no room on the Windows layout.
    KeyboardKeyDef fn = bottomKey("fn", 0xF9, 0, 88);
    fn.winVisible = false;
    k << fn;
    k << bottomKey("ctrl_left", 0xE0, 88, 88) << bottomKey("win_left", 0xE3, 88, 88)
      << bottomKey("alt_left", 0xE2, 88, 112) << bottomKey("space", 0x2C, 459, 315)
      << bottomKey("alt_right", 0xE6, 88, 112) << bottomKey("win_right", 0xE7, 88, 88)
      << bottomKey("ctrl_right", 0xE4, 88, 88);
    k << key("left", 0x50) << key("down", 0x51) << key("right", 0x4F);
    return k;
}

void addRow(QList<KeyHotspot> &list, qreal top, qreal x, const QList<QPair<QString, uint16_t>> &keys)
{
    for (const auto &k : keys) {
        list.append({QRectF(x, top, 52, 52), k.second, k.first});
        x += 56;
    }
}

QList<KeyHotspot> buildHotspots()
{
    QList<KeyHotspot> h;
    auto one = [&h](const QString &label, uint16_t code, qreal x, qreal top, qreal w = 52) {
        h.append({QRectF(x, top, w, 52), code, label});
    };
    // Function row: the F keys come in blocks of four with a wider gap.
    one(QStringLiteral("ESC"), 0x29, 16, 76);
    const qreal fx[] = {76, 132, 188, 244, 304, 360, 416, 472, 532, 588, 644, 700};
    for (int i = 0; i < 12; ++i)
        one(QStringLiteral("F%1").arg(i + 1), static_cast<uint16_t>(0x3A + i), fx[i], 76);
    // Digits.
    one(QStringLiteral("`"), 0x35, 16, 140);
    QList<QPair<QString, uint16_t>> digits;
    for (int i = 1; i <= 9; ++i)
        digits.append({QString::number(i), static_cast<uint16_t>(0x1E + i - 1)});
    digits.append({QStringLiteral("0"), 0x27});
    addRow(h, 140, 72, digits);
    one(QStringLiteral("-"), 0x2D, 632, 140);
    one(QStringLiteral("="), 0x2E, 688, 140);
    one(QStringLiteral("Backspace"), 0x2A, 744, 140, 78);
    // Q row.
    one(QStringLiteral("Tab"), 0x2B, 16, 204, 67.6);
    addRow(h, 204, 87.6,
           {{"Q", 0x14},
            {"W", 0x1A},
            {"E", 0x08},
            {"R", 0x15},
            {"T", 0x17},
            {"Y", 0x1C},
            {"U", 0x18},
            {"I", 0x0C},
            {"O", 0x12},
            {"P", 0x13}});
    one(QStringLiteral("["), 0x2F, 647.6, 204);
    one(QStringLiteral("]"), 0x30, 703.6, 204);
    one(QStringLiteral("\\"), 0x31, 759.6, 204);
    // A row.
    one(QStringLiteral("Caps"), 0x39, 16, 268, 78);
    addRow(h, 268, 98,
           {{"A", 0x04},
            {"S", 0x16},
            {"D", 0x07},
            {"F", 0x09},
            {"G", 0x0A},
            {"H", 0x0B},
            {"J", 0x0D},
            {"K", 0x0E},
            {"L", 0x0F}});
    one(QStringLiteral(";"), 0x33, 602, 268);
    one(QStringLiteral("'"), 0x34, 658, 268);
    one(QStringLiteral("Enter"), 0x28, 714, 268, 93.6);
    // Z row.
    one(QStringLiteral("Shift"), 0xE1, 16, 332, 104);
    addRow(h, 332, 124,
           {{"Z", 0x1D}, {"X", 0x1B}, {"C", 0x06}, {"V", 0x19}, {"B", 0x05}, {"N", 0x11}, {"M", 0x10}});
    one(QStringLiteral(","), 0x36, 516, 332);
    one(QStringLiteral("."), 0x37, 572, 332);
    one(QStringLiteral("/"), 0x38, 628, 332);
    // Bottom row.
    one(QStringLiteral("Ctrl"), 0xE0, 16, 396, 67.6);
    one(QStringLiteral("Win"), 0xE3, 87.6, 396);
    one(QStringLiteral("Alt"), 0xE2, 143.6, 396, 67.6);
    one(QStringLiteral("Space"), 0x2C, 215.2, 396, 260);
    // Navigation and arrows.
    one(QStringLiteral("Insert"), 0x49, 800, 140);
    one(QStringLiteral("Home"), 0x4A, 856, 140);
    one(QStringLiteral("PgUp"), 0x4B, 912, 140);
    one(QStringLiteral("Delete"), 0x4C, 800, 196);
    one(QStringLiteral("End"), 0x4D, 856, 196);
    one(QStringLiteral("PgDn"), 0x4E, 912, 196);
    one(QStringLiteral("↑"), 0x52, 856, 332);
    one(QStringLiteral("←"), 0x50, 800, 388);
    one(QStringLiteral("↓"), 0x51, 856, 388);
    one(QStringLiteral("→"), 0x4F, 912, 388);
    return h;
}

} // namespace

const QList<KeyboardKeyDef> &keyboardKeyDefs()
{
    static const QList<KeyboardKeyDef> defs = buildKeyDefs();
    return defs;
}

const KeyboardKeyDef *keyboardKeyDef(const QString &id)
{
    for (const KeyboardKeyDef &d : keyboardKeyDefs()) {
        if (d.id == id)
            return &d;
    }
    return nullptr;
}

QList<unsigned short> keyboardPageKeyCodes(bool macLayout)
{
    QList<unsigned short> codes;
    for (const KeyboardKeyDef &d : keyboardKeyDefs()) {
        if (!macLayout && !d.winVisible)
            continue;
        const unsigned short c = macLayout ? d.macCode : d.winCode;
        if (!codes.contains(c))
            codes.append(c);
    }
    return codes;
}

const QList<KeyHotspot> &keyboardHotspots()
{
    static const QList<KeyHotspot> list = buildHotspots();
    return list;
}
