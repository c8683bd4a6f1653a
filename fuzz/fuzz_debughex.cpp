// What is typed into the debug console: a report of exactly the report size,
// or nothing sent and the offending pair named.

#include "fuzz/fuzztarget.h"
#include "protocol/debughex.h"

#include <QString>

VX_FUZZ_TARGET(debughex)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const DebugHexPacket parsed = parseDebugHex(text);
    if (parsed.ok) {
        VX_FUZZ_CHECK(parsed.packet.size() == std::size_t(kReportSize));
        VX_FUZZ_CHECK(parsed.typedBytes > 0);
    } else {
        VX_FUZZ_CHECK(parsed.packet.empty());
    }
}
