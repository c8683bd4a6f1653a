#include "protocol/debughex.h"

#include <QRegularExpression>

namespace {

// Only ASCII digits and letters: the number parsers also take a sign, a
// "0x" prefix or other scripts' digits, none of which is a byte the user meant.
int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

DebugHexPacket parseDebugHex(const QString &text)
{
    static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
    QString digits = text;
    digits.remove(whiteSpace);

    DebugHexPacket result;
    if (digits.isEmpty())
        return result;

    Packet bytes;
    bytes.reserve(std::size_t(digits.size() + 1) / 2);
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        const QString pair = digits.mid(i, 2);
        int value = 0;
        for (const QChar c : pair) {
            const int d = hexDigit(c);
            if (d < 0) {
                result.badPair = pair;
                return result;
            }
            value = value * 16 + d;
        }
        bytes.push_back(static_cast<unsigned char>(value));
    }

    result.ok = true;
    result.typedBytes = static_cast<int>(bytes.size());
    bytes.resize(kReportSize, 0x00);
    result.packet = std::move(bytes);
    return result;
}
