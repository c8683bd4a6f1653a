#include "protocol/keyvocabulary.h"

#include "protocol/procreatetable.h"

#include <QStringList>

namespace {

struct NamedCode
{
    const char16_t *name;
    unsigned short code;
};

// Consumer page usages of the media names.
constexpr NamedCode kMultimedia[] = {
    {u"上一曲", 0x00B6},     {u"停止", 0x00B7},      {u"下一曲", 0x00B5},   {u"播放/暂停", 0x00CD},
    {u"屏幕亮度-", 0x0070},  {u"屏幕亮度+", 0x006F}, {u"我的电脑", 0x0194}, {u"音量-", 0x00EA},
    {u"音量+", 0x00E9},      {u"静音", 0x00E2},      {u"打开媒体", 0x0183}, {u"打开计算器", 0x0192},
    {u"打开浏览器", 0x0223}, {u"打开邮箱", 0x018A},  {u"高音-", 0x0152},    {u"高音+", 0x0153},
    {u"低音-", 0x0154},      {u"低音+", 0x0155},     {u"网页刷新", 0x0027}, {u"网页前进", 0x0225},
    {u"网页后退", 0x0224},
};

constexpr NamedCode kLight[] = {
    {u"关闭灯光", 0xF0}, {u"LED模式1", 0xF1}, {u"LED模式2", 0xF2},
    {u"LED模式3", 0xF3}, {u"LED模式4", 0xF4}, {u"LED模式5", 0xF5},
};

constexpr NamedCode kMouse[] = {
    {u"鼠标左键", 0xE8},      {u"鼠标中键", 0xE9},     {u"鼠标右键", 0xEA},       {u"点赞", 0xEB},
    {u"鼠标滚轮+", 0xEC},     {u"鼠标滚轮-", 0xED},    {u"向左划屏", 0xEE},       {u"Ctrl+鼠标向上", 0xEF},
    {u"Ctrl+鼠标向下", 0xF6}, {u"向右划屏", 0xF7},     {u"shift+鼠标向上", 0xF8}, {u"shift+鼠标向下", 0xF9},
    {u"向上划屏", 0xFA},      {u"Alt+鼠标向上", 0xFB}, {u"Alt+鼠标向下", 0xFC},   {u"向下划屏", 0xFD},
};

// Tested in this order when stripping; the order matters because several
// prefixes share a tail ("Ctrl+" would otherwise never see "RightCtrl+").
constexpr const char *kModifierPrefixes[] = {
    "RightCtrl+", "RightShift+", "RightAlt+",     "RightWin+", "Ctrl+",        "Shift+",        "Alt+",
    "Win+",       "Command+",    "RightCommand+", "option+",   "RightOption+", "RightControl+", "control+",
};

struct ModifierToken
{
    const char *token;
    unsigned char bit;
};

constexpr ModifierToken kModifierTokens[] = {
    {"Ctrl", 0x01},         {"control", 0x01},      {"Shift", 0x02},    {"Alt", 0x04},
    {"option", 0x04},       {"Win", 0x08},          {"Command", 0x08},  {"RightCtrl", 0x10},
    {"RightControl", 0x10}, {"RightShift", 0x20},   {"RightAlt", 0x40}, {"RightOption", 0x40},
    {"RightWin", 0x80},     {"RightCommand", 0x80},
};

struct KeyPartName
{
    const char *name;
    unsigned char usage;
};

constexpr KeyPartName kKeyPartNames[] = {
    {"↵", 0x28},   {"Enter", 0x28}, {"Esc", 0x29}, {"⌫", 0x2A},     {"Backspace", 0x2A}, {"Tab", 0x2B},
    {"␣", 0x2C},   {"Space", 0x2C}, {"Cap", 0x39}, {"Print", 0x46}, {"Scroll", 0x47},    {"Pause", 0x48},
    {"Ins", 0x49}, {"Hom", 0x4A},   {"PgU", 0x4B}, {"Del", 0x4C},   {"End", 0x4D},       {"PgD", 0x4E},
    {"→", 0x4F},   {"←", 0x50},     {"↓", 0x51},   {"↑", 0x52},
};

const char *namedKey(unsigned char b)
{
    switch (b) {
    case 0x28:
        return "↵";
    case 0x29:
        return "Esc";
    case 0x2A:
        return "⌫";
    case 0x2B:
        return "Tab";
    case 0x2C:
        return "␣";
    case 0x2D:
        return "-";
    case 0x2E:
        return "=";
    case 0x2F:
        return "[";
    case 0x30:
        return "]";
    case 0x31:
        return "\\";
    case 0x33:
        return ";";
    case 0x34:
        return "'";
    case 0x35:
        return "`";
    case 0x36:
        return ",";
    case 0x37:
        return ".";
    case 0x38:
        return "/";
    case 0x39:
        return "Cap";
    case 0x46:
        return "Print";
    case 0x47:
        return "Scroll";
    case 0x48:
        return "Pause";
    case 0x49:
        return "Ins";
    case 0x4A:
        return "Hom";
    case 0x4B:
        return "PgU";
    case 0x4C:
        return "Del";
    case 0x4D:
        return "End";
    case 0x4E:
        return "PgD";
    case 0x4F:
        return "→";
    case 0x50:
        return "←";
    case 0x51:
        return "↓";
    case 0x52:
        return "↑";
    case 0x53:
        return "Num";
    case 0x54:
        return "/";
    case 0x55:
        return "*";
    case 0x56:
        return "-";
    case 0x57:
        return "+";
    case 0x58:
        return "Enter";
    case 0x62:
        return "0";
    case 0x63:
        return ".";
    default:
        return nullptr;
    }
}

template <std::size_t N>
bool lookupNamed(const NamedCode (&table)[N], const QString &name, unsigned short *code)
{
    for (const NamedCode &entry : table) {
        if (name == QStringView(entry.name)) {
            *code = entry.code;
            return true;
        }
    }
    return false;
}

template <std::size_t N> QStringList namesOf(const NamedCode (&table)[N])
{
    QStringList names;
    for (const NamedCode &entry : table)
        names.append(QString::fromUtf16(entry.name));
    return names;
}

bool containsAny(const QString &name, std::initializer_list<const char16_t *> needles)
{
    for (const char16_t *needle : needles) {
        if (name.contains(QStringView(needle)))
            return true;
    }
    return false;
}

} // namespace

const QList<ShiftedSymbol> &shiftedSymbols()
{
    static const QList<ShiftedSymbol> table = {
        {"!", 0x1E}, {"@", 0x1F}, {"#", 0x20},  {"$", 0x21}, {"%", 0x22}, {"^", 0x23}, {"&", 0x24},
        {"*", 0x25}, {"(", 0x26}, {")", 0x27},  {"-", 0x2D}, {"+", 0x2E}, {"{", 0x2F}, {"}", 0x30},
        {"|", 0x31}, {":", 0x33}, {"\"", 0x34}, {"~", 0x35}, {"<", 0x36}, {">", 0x37}, {"?", 0x38},
    };
    return table;
}

QString shiftedSymbolForUsage(unsigned char usage)
{
    for (const ShiftedSymbol &s : shiftedSymbols()) {
        if (s.usage == usage)
            return QString::fromLatin1(s.symbol);
    }
    return QString();
}

const QStringList &mouseActionNames()
{
    static const QStringList names = namesOf(kMouse);
    return names;
}

const QStringList &multimediaActionNames()
{
    static const QStringList names = namesOf(kMultimedia);
    return names;
}

const QStringList &lightActionNames()
{
    static const QStringList names = namesOf(kLight);
    return names;
}

QString keyCodeToString(unsigned short keyValue, bool isMacLayout)
{
    const unsigned char b = keyValue & 0xFF;
    if (b == 0xF9)
        return QStringLiteral("fn");
    if (b >= 0x04 && b <= 0x1D)
        return QString(QChar('A' + (b - 0x04)));
    if (b >= 0x1E && b <= 0x26)
        return QString::number(b - 0x1D);
    if (b == 0x27)
        return QStringLiteral("0");
    if (b >= 0xE0 && b <= 0xE7) {
        static const char *const mac[] = {"control", "Shift L", "command", "option",
                                          "control", "Shift R", "command", "option"};
        static const char *const win[] = {"Ctl L", "Shift L", "Alt L", "Win L",
                                          "Ctl R", "Shift R", "Alt R", "Win R"};
        return QString::fromLatin1((isMacLayout ? mac : win)[b - 0xE0]);
    }
    if (const char *name = namedKey(b))
        return QString::fromUtf8(name);
    if (b >= 0x3A && b <= 0x45)
        return QStringLiteral("F%1").arg(b - 0x39);
    if (b >= 0x59 && b <= 0x61)
        return QString::number(b - 0x58);
    if (b >= 0x68 && b <= 0x6B)
        return QStringLiteral("F%1").arg(b - 0x68 + 13);
    return QStringLiteral("K%1").arg(keyValue, 2, 16, QLatin1Char('0')).toUpper();
}

QString modifierKeyCodeToCombination(unsigned short usage, bool isMacLayout)
{
    if (usage < 0xE0 || usage > 0xE7)
        return QString();
    static const char *const mac[] = {"control",      "Shift+",      "Command",      "option",
                                      "RightControl", "RightShift+", "RightCommand", "RightOption"};
    static const char *const win[] = {"Ctrl+",      "Shift+",      "Alt+",      "Win+",
                                      "RightCtrl+", "RightShift+", "RightAlt+", "RightWin+"};
    return QString::fromLatin1((isMacLayout ? mac : win)[usage - 0xE0]);
}

unsigned short combinationToKeyCode(const QString &name)
{
    // Whole-string names first: F13..F24, shifted symbols, actions.
    if (name.startsWith(QLatin1Char('F'))) {
        bool ok = false;
        const int n = name.mid(1).toInt(&ok);
        if (ok && n >= 13 && n <= 24 && name == QStringLiteral("F%1").arg(n))
            return static_cast<unsigned short>(0x68 + n - 13);
    }
    for (const ShiftedSymbol &s : shiftedSymbols()) {
        if (name == QLatin1String(s.symbol))
            return s.usage;
    }
    unsigned short code = 0;
    if (lookupNamed(kMultimedia, name, &code) || lookupNamed(kLight, name, &code) ||
        lookupNamed(kMouse, name, &code))
        return code;

    QString rest = name;
    for (bool stripped = true; stripped;) {
        stripped = false;
        for (const char *prefix : kModifierPrefixes) {
            if (rest.startsWith(QLatin1String(prefix))) {
                rest.remove(0, int(qstrlen(prefix)));
                stripped = true;
                break;
            }
        }
    }

    if (rest.size() == 1) {
        const QChar c = rest.at(0);
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            return static_cast<unsigned short>(0x04 + (c.unicode() - 'A'));
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            return static_cast<unsigned short>(0x04 + (c.unicode() - 'a'));
        if (c == QLatin1Char('0'))
            return 0x27;
        if (c >= QLatin1Char('1') && c <= QLatin1Char('9'))
            return static_cast<unsigned short>(0x1E + (c.unicode() - '1'));
    }
    for (const KeyPartName &k : kKeyPartNames) {
        if (rest == QString::fromUtf8(k.name))
            return k.usage;
    }
    if (rest.startsWith(QLatin1Char('F'))) {
        // Digits only: "F5x" or "F 5" name no key.
        const QString digits = rest.mid(1);
        bool ok = !digits.isEmpty();
        for (const QChar c : digits)
            ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const int n = ok ? digits.toInt(&ok) : 0;
        if (ok && n >= 1 && n <= 12)
            return static_cast<unsigned short>(0x39 + n);
        if (ok && n >= 13 && n <= 24)
            return static_cast<unsigned short>(0x5B + n);
    }
    // Any other key part is a name keyCodeToString gives in one of the
    // layouts ("=", "K64"): a combination read back from the device must
    // encode to the key it came from, or a re-save would bind its modifiers alone.
    if (!rest.isEmpty()) {
        for (unsigned u = 0x04; u < 0xE0; ++u) {
            if (rest == keyCodeToString(static_cast<unsigned short>(u), true) ||
                rest == keyCodeToString(static_cast<unsigned short>(u), false))
                return static_cast<unsigned short>(u);
        }
    }
    return 0;
}

unsigned char combinationToModifierMask(const QString &name)
{
    unsigned char mask = 0;
    const QStringList parts = name.split(QLatin1Char('+'), Qt::SkipEmptyParts);
    for (const QString &rawPart : parts) {
        const QString part = rawPart.trimmed();
        for (const ModifierToken &t : kModifierTokens) {
            if (part == QLatin1String(t.token))
                mask |= t.bit;
        }
    }
    for (const ShiftedSymbol &s : shiftedSymbols()) {
        if (name == QLatin1String(s.symbol))
            mask |= 0x02;
    }
    return mask;
}

QList<unsigned char> modifierPrefixKeys(unsigned char mask)
{
    QList<unsigned char> keys;
    for (int i = 0; i < 8; ++i) {
        if (mask & (1u << i))
            keys.append(static_cast<unsigned char>(0xF1 + i));
    }
    return keys;
}

int getKeyType(const QString &name, unsigned short code)
{
    if (containsAny(name, {u"鼠标", u"点赞", u"划屏"}))
        return Mouse;
    if (procreateKeyMap().contains(name))
        return Procreate;
    if (containsAny(name, {u"音量", u"播放", u"上一曲", u"下一曲", u"停止", u"静音", u"打开", u"网页",
                           u"屏幕亮度", u"高音", u"低音", u"我的电脑"}))
        return Multimedia;
    if (containsAny(name, {u"LED", u"灯光"}))
        return Light;
    if (containsAny(name, {u"速选",     u"调试命令", u"激活", u"打开色彩", u"擦除", u"图层", u"选取", u"变形",
                           u"颜色切换", u"吸色",     u"清除", u"全屏",     u"透视", u"画笔", u"拷贝", u"平衡",
                           u"选区",     u"操作菜单", u"HSB",  u"粘贴",     u"剪切", u"撤销", u"重做"}))
        return Procreate;
    if (code != 0)
        return Standard;
    return combinationToModifierMask(name) != 0 ? ModifierOnly : Standard;
}
