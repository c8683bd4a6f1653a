#include "protocol/configdecode.h"

#include "protocol/keyvocabulary.h"
#include "protocol/procreatetable.h"

#include <algorithm>

namespace {

constexpr unsigned char kFirstPrefixByte = 0xF1;
constexpr unsigned char kLastPrefixByte = 0xF8;

bool isPrefixByte(unsigned char b)
{
    return b >= kFirstPrefixByte && b <= kLastPrefixByte;
}

bool isSingleBit(unsigned char mask)
{
    return mask != 0 && (mask & (mask - 1)) == 0;
}

int recordCount(const Packet &p)
{
    if (p.size() < 7)
        return 0;
    return std::min<int>(p[6], static_cast<int>((p.size() - 7) / 3));
}

int defaultDelay(int index)
{
    return index == 0 ? 0 : 50;
}

} // namespace

QString standardCombinationFromPacket(unsigned char mask, unsigned char usage, bool isMacLayout)
{
    if (mask == 0)
        return QString();
    if (mask == 0x02) {
        const QString symbol = shiftedSymbolForUsage(usage);
        if (!symbol.isEmpty())
            return symbol;
    }
    static const char *const parts[8] = {"Ctrl",      "Shift",      "Alt",      "Win",
                                         "RightCtrl", "RightShift", "RightAlt", "RightWin"};
    QStringList out;
    for (int bit = 0; bit < 8; ++bit) {
        if (mask & (1u << bit))
            out << QString::fromLatin1(parts[bit]);
    }
    out << keyCodeToString(usage, isMacLayout);
    return out.join(QLatin1Char('+'));
}

QString trailingModifierName(unsigned char mask, bool isMacLayout)
{
    if (!isSingleBit(mask))
        return QString();
    int bit = 0;
    while (!(mask & (1u << bit)))
        ++bit;
    static const char *const windows[8] = {"Ctrl+",      "Shift+",      "Alt+",      "Win+",
                                           "RightCtrl+", "RightShift+", "RightAlt+", "RightWin+"};
    // Each Mac name encodes back to the bit it came from, so reading a key and
    // saving it again writes the same modifier (option = Alt, Command = GUI).
    static const char *const mac[8] = {"control",      "Shift+",      "option",      "Command",
                                       "RightControl", "RightShift+", "RightOption", "RightCommand"};
    return QString::fromLatin1(isMacLayout ? mac[bit] : windows[bit]);
}

QString multimediaCombinationFromPacket(unsigned char usage)
{
    switch (usage) {
    case 0x23:
        return QStringLiteral("打开浏览器");
    case 0x24:
        return QStringLiteral("网页后退");
    case 0x25:
        return QStringLiteral("网页前进");
    case 0x27:
        return QStringLiteral("网页刷新");
    case 0x52:
        return QStringLiteral("高音-");
    case 0x53:
        return QStringLiteral("高音+");
    case 0x54:
        return QStringLiteral("低音-");
    case 0x55:
        return QStringLiteral("低音+");
    case 0x6F:
        return QStringLiteral("屏幕亮度+");
    case 0x70:
        return QStringLiteral("屏幕亮度-");
    case 0x83:
        return QStringLiteral("打开媒体");
    case 0x8A:
        return QStringLiteral("打开邮箱");
    case 0x92:
        return QStringLiteral("打开计算器");
    case 0x94:
        return QStringLiteral("我的电脑");
    case 0xB5:
        return QStringLiteral("下一曲");
    case 0xB6:
        return QStringLiteral("上一曲");
    case 0xB7:
        return QStringLiteral("停止");
    case 0xCD:
        return QStringLiteral("播放/暂停");
    case 0xE2:
        return QStringLiteral("静音");
    case 0xE9:
        return QStringLiteral("音量+");
    case 0xEA:
        return QStringLiteral("音量-");
    default:
        return QString();
    }
}

QString mouseCombinationFromPacket(const Packet &p)
{
    if (p.size() <= 12)
        return QString();
    if (p[5] == 0x01) {
        if (p[6] != 0x04)
            return QString();
        switch (p[12]) {
        case 0x04:
            return QStringLiteral("鼠标中键");
        case 0x02:
            return QStringLiteral("鼠标右键");
        case 0x01:
            return QStringLiteral("鼠标左键");
        default:
            break;
        }
        if (p.size() < 22)
            return QString();
        // Wheel steps by modifier byte: 0xFF in the wheel byte is a step down, 0x01 a step up.
        struct WheelStep
        {
            unsigned char modifier;
            const char16_t *down;
            const char16_t *up;
        };
        static constexpr WheelStep kWheelSteps[] = {
            {0x00, u"鼠标滚轮-", u"鼠标滚轮+"},
            {0xF1, u"Ctrl+鼠标向下", u"Ctrl+鼠标向上"},
            {0xF2, u"shift+鼠标向下", u"shift+鼠标向上"},
            {0xF3, u"Alt+鼠标向下", u"Alt+鼠标向上"},
        };
        const unsigned char wheel = p[21];
        if (wheel != 0xFF && wheel != 0x01)
            return QString();
        for (const WheelStep &step : kWheelSteps) {
            if (step.modifier == p[9])
                return QString::fromUtf16(wheel == 0xFF ? step.down : step.up);
        }
        return QString();
    }
    if (p[5] == 0x04 && p[6] == 0x04) {
        switch (p[9]) {
        case 1:
            return QStringLiteral("向左划屏");
        case 2:
            return QStringLiteral("向右划屏");
        case 3:
            return QStringLiteral("向上划屏");
        case 4:
            return QStringLiteral("向下划屏");
        case 5:
            return QStringLiteral("点赞");
        default:
            return QString();
        }
    }
    return QString();
}

QList<KnobAction> keyboardActionsFromPacket(const Packet &p)
{
    QList<KnobAction> actions;
    const int n = recordCount(p);
    unsigned char mask = 0;
    for (int i = 0; i < n; ++i) {
        const unsigned char b = p[9 + 3 * i];
        if (isPrefixByte(b)) {
            mask |= static_cast<unsigned char>(1u << (b - kFirstPrefixByte));
            continue;
        }
        const int v = static_cast<int>(actions.size());
        if (v >= kMaxVirtualKeys)
            break;
        // A prefix record's own delay is not used: a key's delay is the one in its record.
        const int raw = p[7 + 3 * i] * 256 + p[8 + 3 * i];
        actions << KnobAction::key(mask, b, std::max(std::min(raw, kMaxDelayMs), defaultDelay(v)));
        mask = 0;
    }
    const int v = static_cast<int>(actions.size());
    if (mask != 0 && v < kMaxVirtualKeys)
        actions << KnobAction::modifiersAlone(mask, defaultDelay(v));
    return actions;
}

QString procreateNameFromPacket(const Packet &p)
{
    const int n = recordCount(p);
    QList<unsigned char> sequence;
    for (int i = 0; i < n; ++i)
        sequence << p[9 + 3 * i];
    return procreateKeyNameFromSequence(sequence);
}

DecodedConfigPacket decodeConfigPacket(const Packet &p)
{
    DecodedConfigPacket out;
    if (p.size() < 4 || p[0] != 0x03 || p[1] != 0xFD)
        return out;

    if (p[2] == 0x00 && p[3] == 0x06 && p.size() >= 9) {
        out.kind = DecodedConfigPacket::Colour;
        out.light.red = p[4];
        out.light.green = p[5];
        out.light.blue = p[6];
        // The field is a percentage; the slider cannot show more.
        out.light.brightness = std::min<int>(p[7], 100);
        out.light.on = p[8] != 0;
        return out;
    }

    const int k = knobKeyIndexForCommand(p[2]);
    if (k == 0 || p.size() < 7 || p[4] < KeyboardAssignment || p[4] > ProcreateAssignment)
        return out;
    out.knobKey = k;

    QString name;
    switch (p[4]) {
    case KeyboardAssignment:
        out.kind = DecodedConfigPacket::Assignment;
        out.actions = keyboardActionsFromPacket(p);
        return out;
    case MultimediaAssignment:
        if (p.size() >= 10)
            name = multimediaCombinationFromPacket(p[9]);
        break;
    case MouseAssignment:
        name = mouseCombinationFromPacket(p);
        break;
    case ProcreateAssignment:
        name = procreateNameFromPacket(p);
        if (name.isEmpty()) {
            out.kind = DecodedConfigPacket::Assignment;
            out.procreateFallback = true;
            out.actions = keyboardActionsFromPacket(p);
            return out;
        }
        break;
    default:
        break;
    }
    if (name.isEmpty()) {
        out.kind = DecodedConfigPacket::UnknownAction;
        return out;
    }
    out.kind = DecodedConfigPacket::Assignment;
    out.actions << KnobAction::named(name);
    return out;
}

std::vector<Packet> sortConfigPacketsForApply(std::vector<Packet> packets)
{
    const auto keyOf = [](const Packet &p) { return p.size() < 3 ? 0 : knobKeyIndexForCommand(p[2]); };
    const auto rankOf = [](const Packet &p) {
        if (p.size() < 3 || p[0] != 0x03 || p[1] != 0xFD)
            return 0;
        const unsigned char c = p[2];
        return (c >= 0x10 && c <= 0x13) || c == 0x15 ? 1 : 0;
    };
    std::stable_sort(packets.begin(), packets.end(), [&](const Packet &a, const Packet &b) {
        const int ka = keyOf(a), kb = keyOf(b);
        if (ka != kb)
            return ka < kb;
        return rankOf(a) < rankOf(b);
    });
    return packets;
}

bool isConfigReadEndPacket(const Packet &p)
{
    return p.size() >= 4 && p[0] == 0x03 && p[1] == 0xFD && p[2] == 0xFE && p[3] == 0xFF;
}

Packet normaliseConfigResponse(const Packet &raw)
{
    if (raw.size() > 2 && raw[0] == 0x03 && raw[1] == 0x03 && raw[2] == 0xFD) {
        Packet p(raw.begin() + 1, raw.end());
        if (p.size() <= 64)
            p.resize(kReportSize, 0);
        return p;
    }
    return raw;
}
