// Any sequence of configuration answers, of any length, through the same steps
// a read takes: normalise each answer, recognise the end packet, decode it for
// both keyboard layouts, and order the collected list for applying.
//
// Input: one flag byte, then packets as [length byte][length bytes]; a length
// running past the end takes what is left.

#include "fuzz/fuzztarget.h"
#include "protocol/configdecode.h"

#include <algorithm>

namespace {

std::vector<Packet> splitPackets(const std::uint8_t *data, std::size_t size)
{
    std::vector<Packet> packets;
    std::size_t at = 0;
    while (at < size) {
        const std::size_t length = std::min<std::size_t>(data[at], size - at - 1);
        ++at;
        packets.emplace_back(data + at, data + at + length);
        at += length;
    }
    return packets;
}

void checkDecoded(const DecodedConfigPacket &d)
{
    VX_FUZZ_CHECK(d.actions.size() <= kMaxVirtualKeys);
    switch (d.kind) {
    case DecodedConfigPacket::Ignored:
        VX_FUZZ_CHECK(d.actions.isEmpty());
        break;
    case DecodedConfigPacket::Colour:
        VX_FUZZ_CHECK(d.light.brightness >= 0 && d.light.brightness <= 100);
        VX_FUZZ_CHECK(d.light.colorName().size() == 7);
        break;
    case DecodedConfigPacket::Assignment:
    case DecodedConfigPacket::UnknownAction:
        VX_FUZZ_CHECK(d.knobKey >= 1 && d.knobKey <= 5);
        break;
    }
    for (const KnobAction &a : d.actions) {
        VX_FUZZ_CHECK(a.delayMs >= 0 && a.delayMs <= kMaxDelayMs);
        VX_FUZZ_CHECK(a.kind != KnobAction::Named || !a.sourceName.isEmpty());
    }
}

int knobKeyOf(const Packet &p)
{
    return p.size() < 3 ? 0 : knobKeyIndexForCommand(p[2]);
}

} // namespace

VX_FUZZ_TARGET(configdecode)
{
    if (size == 0)
        return;
    const bool macFirst = data[0] & 1;
    std::vector<Packet> collected;
    for (const Packet &raw : splitPackets(data + 1, size - 1)) {
        const Packet p = normaliseConfigResponse(raw);
        const bool doubled = raw.size() > 2 && raw[0] == 0x03 && raw[1] == 0x03 && raw[2] == 0xFD;
        if (doubled) {
            VX_FUZZ_CHECK(std::equal(raw.begin() + 1, raw.end(), p.begin()));
            VX_FUZZ_CHECK(p.size() == std::max<std::size_t>(raw.size() - 1, kReportSize));
            VX_FUZZ_CHECK(std::all_of(p.begin() + long(raw.size() - 1), p.end(),
                                      [](unsigned char b) { return b == 0; }));
        } else {
            VX_FUZZ_CHECK(p == raw);
        }
        if (isConfigReadEndPacket(p))
            continue;
        checkDecoded(decodeConfigPacket(p));
        if (raw.size() >= 2)
            standardCombinationFromPacket(raw[0], raw[1], macFirst);
        mouseCombinationFromPacket(raw);
        collected.push_back(p);
    }

    const std::vector<Packet> sorted = sortConfigPacketsForApply(collected);
    VX_FUZZ_CHECK(sorted.size() == collected.size());
    VX_FUZZ_CHECK(std::is_permutation(sorted.begin(), sorted.end(), collected.begin()));
    for (std::size_t i = 1; i < sorted.size(); ++i)
        VX_FUZZ_CHECK(knobKeyOf(sorted[i - 1]) <= knobKeyOf(sorted[i]));
}
