#include "protocol/packets.h"

#include "protocol/keyvocabulary.h"
#include "protocol/procreatetable.h"

#include <algorithm>

namespace {

QString hexText(const Packet &packet, int bytesPerLine)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(static_cast<int>(packet.size()) * 3);
    for (std::size_t i = 0; i < packet.size(); ++i) {
        if (i > 0)
            out += (bytesPerLine > 0 && i % bytesPerLine == 0) ? QLatin1Char('\n') : QLatin1Char(' ');
        out += QLatin1Char(digits[packet[i] >> 4]);
        out += QLatin1Char(digits[packet[i] & 0x0F]);
    }
    return out;
}

} // namespace

QString packetToHex(const Packet &packet)
{
    return hexText(packet, 16);
}

QString packetToHexLine(const Packet &packet)
{
    return hexText(packet, 0);
}

namespace {

Packet assignmentHeader(unsigned char commandCode, unsigned char type)
{
    Packet p(kReportSize, 0);
    p[0] = 0x03;
    p[1] = 0xFD;
    p[2] = commandCode;
    p[3] = 0x01;
    p[4] = type;
    return p;
}

struct MouseRecord
{
    const char16_t *name;
    unsigned char subKind; // byte 5: 1 pointer, 4 touch gesture
    unsigned char byte9;   // modifier prefix or gesture number
    unsigned char byte12;  // button bits
    unsigned char byte21;  // wheel step as a signed byte
};

constexpr MouseRecord kMouseRecords[] = {
    {u"鼠标左键", 0x01, 0x00, 0x01, 0x00},       {u"鼠标右键", 0x01, 0x00, 0x02, 0x00},
    {u"鼠标中键", 0x01, 0x00, 0x04, 0x00},       {u"鼠标滚轮+", 0x01, 0x00, 0x00, 0x01},
    {u"鼠标滚轮-", 0x01, 0x00, 0x00, 0xFF},      {u"Ctrl+鼠标向上", 0x01, 0xF1, 0x00, 0x01},
    {u"Ctrl+鼠标向下", 0x01, 0xF1, 0x00, 0xFF},  {u"shift+鼠标向上", 0x01, 0xF2, 0x00, 0x01},
    {u"shift+鼠标向下", 0x01, 0xF2, 0x00, 0xFF}, {u"Alt+鼠标向上", 0x01, 0xF3, 0x00, 0x01},
    {u"Alt+鼠标向下", 0x01, 0xF3, 0x00, 0xFF},   {u"向左划屏", 0x04, 0x01, 0x00, 0x00},
    {u"向右划屏", 0x04, 0x02, 0x00, 0x00},       {u"向上划屏", 0x04, 0x03, 0x00, 0x00},
    {u"向下划屏", 0x04, 0x04, 0x00, 0x00},       {u"点赞", 0x04, 0x05, 0x00, 0x00},
};

// 16 colours, R G B, repeated in every lighting-mode part.
constexpr unsigned char kLightPalette[48] = {
    0xFF, 0x00, 0x00, 0xFF, 0x80, 0x30, 0xFF, 0xFF, 0x30, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00,
    0x00, 0xFF, 0x80, 0x00, 0x80, 0x8B, 0x00, 0x00, 0xFF, 0xA5, 0x00, 0xFF, 0xFF, 0x96, 0x7D, 0xFF,
    0x00, 0x00, 0x8B, 0x8B, 0x00, 0x00, 0x8B, 0xFF, 0x00, 0xFF, 0xFF, 0x66, 0x66, 0xFF, 0xC8, 0x64,
};

} // namespace

unsigned char commandCodeForKnobKey(int knobKey)
{
    switch (knobKey) {
    case 1:
        return 0x02;
    case 2:
        return 0x04;
    case 3:
        return 0x05;
    case 4:
        return 0x06;
    default:
        return 0x03;
    }
}

int knobKeyIndexForCommand(unsigned char code)
{
    switch (code) {
    case 0x02:
    case 0x10:
        return 1;
    case 0x04:
    case 0x12:
        return 2;
    case 0x05:
    case 0x13:
        return 3;
    case 0x06:
    case 0x14:
    case 0x15:
        return 4;
    case 0x03:
    case 0x11:
        return 5;
    default:
        return 0;
    }
}

Packet buildKeyRecordsPacket(unsigned char commandCode, unsigned char type,
                             const QList<KeyWithDelay> &records)
{
    Packet p = assignmentHeader(commandCode, type);
    const int n = std::min<int>(int(records.size()), kMaxKeyRecords);
    p[6] = static_cast<unsigned char>(n);
    for (int i = 0; i < n; ++i) {
        p[7 + 3 * i] = static_cast<unsigned char>(records[i].delayMs >> 8);
        p[8 + 3 * i] = static_cast<unsigned char>(records[i].delayMs & 0xFF);
        p[9 + 3 * i] = records[i].key;
    }
    return p;
}

Packet buildStandardKeyPacket(unsigned char commandCode, unsigned short keyCode, unsigned char modifierMask)
{
    QList<KeyWithDelay> records;
    for (unsigned char prefix : modifierPrefixKeys(modifierMask))
        records.append({0, prefix});
    if (keyCode != 0)
        records.append({0, static_cast<unsigned char>(keyCode & 0xFF)});
    if (records.isEmpty())
        return Packet();
    return buildKeyRecordsPacket(commandCode, KeyboardAssignment, records);
}

unsigned char multimediaSecondEntry(unsigned short usage)
{
    switch (usage) {
    case 0x0027:
    case 0x0223:
    case 0x0224:
    case 0x0225:
        return 2;
    case 0x0183:
    case 0x018A:
    case 0x0192:
    case 0x0194:
        return 1;
    default:
        return 0;
    }
}

Packet buildMultimediaKeyPacket(unsigned char commandCode, unsigned short usage)
{
    Packet p = assignmentHeader(commandCode, MultimediaAssignment);
    p[9] = static_cast<unsigned char>(usage & 0xFF);
    p[10] = static_cast<unsigned char>(usage >> 8);
    const unsigned char second = multimediaSecondEntry(usage);
    p[6] = second ? 2 : 1;
    if (second)
        p[12] = second;
    return p;
}

Packet buildMouseKeyPacket(unsigned char commandCode, const QString &name)
{
    for (const MouseRecord &r : kMouseRecords) {
        if (name != QStringView(r.name))
            continue;
        Packet p = assignmentHeader(commandCode, MouseAssignment);
        p[5] = r.subKind;
        p[6] = 0x04;
        p[9] = r.byte9;
        p[12] = r.byte12;
        p[21] = r.byte21;
        return p;
    }
    return Packet();
}

std::vector<Packet> buildLightModePackets(unsigned short code)
{
    if (code < 0xF0 || code > 0xF5)
        return {};
    std::vector<Packet> parts;
    for (unsigned char part = 0; part < 3; ++part) {
        Packet p(kLightModeReportSize, 0);
        p[0] = 0x03;
        p[1] = 0xFE;
        p[2] = 0xB0;
        p[3] = part;
        p[4] = part == 0 ? static_cast<unsigned char>(code - 0xF0) : 0;
        std::copy(std::begin(kLightPalette), std::end(kLightPalette), p.begin() + 5);
        parts.push_back(std::move(p));
    }
    return parts;
}

Packet buildProcreateKeyPacket(unsigned char commandCode, const QString &name)
{
    const auto it = procreateKeyMap().constFind(name);
    if (it == procreateKeyMap().constEnd())
        return Packet();
    QList<KeyWithDelay> records;
    for (unsigned char key : it.value())
        records.append({0, key});
    return buildKeyRecordsPacket(commandCode, ProcreateAssignment, records);
}

Packet buildAssignmentEndPacket()
{
    Packet p(kReportSize, 0);
    p[0] = 0x03;
    p[1] = 0xFD;
    p[2] = 0xFE;
    p[3] = 0xFF;
    return p;
}

Packet buildColorPacket(unsigned char red, unsigned char green, unsigned char blue, int brightness, bool on)
{
    Packet p(kReportSize, 0);
    p[0] = 0x03;
    p[1] = 0xFD;
    p[2] = 0x00;
    p[3] = 0x06;
    p[4] = red;
    p[5] = green;
    p[6] = blue;
    p[7] = static_cast<unsigned char>(std::clamp(brightness, 0, 100));
    p[8] = on ? 0x01 : 0x00;
    return p;
}

Packet buildReadRequestPacket()
{
    Packet p(kReportSize, 0xFF);
    p[0] = 0x03;
    return p;
}

QString LightSettings::colorName() const
{
    return QStringLiteral("#%1%2%3")
        .arg(red, 2, 16, QLatin1Char('0'))
        .arg(green, 2, 16, QLatin1Char('0'))
        .arg(blue, 2, 16, QLatin1Char('0'));
}
