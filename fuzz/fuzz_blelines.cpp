// The Bluetooth helper's standard output, in any chunking: whatever it prints,
// the parser stays bounded and a notification becomes a configuration packet
// of the one shape the decoder expects, or nothing.

#include "device/blelineparser.h"
#include "fuzz/fuzztarget.h"

#include <QByteArray>

VX_FUZZ_TARGET(blelines)
{
    if (size == 0)
        return;
    // The first byte picks the chunk size, the rest is the output.
    const std::size_t chunk = 1 + data[0] % 64;
    const QByteArray output(reinterpret_cast<const char *>(data + 1), static_cast<int>(size - 1));
    BleLineParser parser;
    for (int at = 0; at < output.size(); at += int(chunk)) {
        for (const QByteArray &line : parser.appendChunk(output.mid(at, int(chunk)))) {
            VX_FUZZ_CHECK(!line.isEmpty() && line.size() <= BleLineParser::kMaxPendingBytes + int(chunk));
            const std::optional<BleHelperMessage> m = BleLineParser::parseLine(line);
            if (m && m->type == BleHelperMessage::Type::Notify && !m->packet.empty()) {
                VX_FUZZ_CHECK(m->packet.size() == 65);
                VX_FUZZ_CHECK(m->packet[0] == 0x03 && m->packet[1] == 0xFD);
            }
        }
    }
    BleLineParser::parseLine(parser.takeRemainder());
    VX_FUZZ_CHECK(!parser.hasPendingData());
}
