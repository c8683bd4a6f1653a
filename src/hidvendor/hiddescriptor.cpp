#include "hiddescriptor.h"

namespace {

// Item prefixes: bits 0-1 size code, 2-3 type, 4-7 tag.
enum ItemType : std::uint8_t
{
    Main = 0,
    Global = 1,
    Local = 2
};
constexpr std::uint8_t kLongItem = 0xFE;
constexpr std::uint8_t kCollection = 0xA;
constexpr std::uint8_t kEndCollection = 0xC;
constexpr std::uint8_t kUsagePage = 0x0;
constexpr std::uint8_t kPush = 0xA;
constexpr std::uint8_t kPop = 0xB;
constexpr std::uint8_t kUsage = 0x0;
// The kernel's limit; a deeper push makes it refuse the device.
constexpr std::size_t kGlobalStackDepth = 4;

constexpr std::uint16_t kGenericDesktop = 0x01;
constexpr std::uint16_t kKeyboard = 0x06;
constexpr std::uint16_t kKeypad = 0x07;

} // namespace

HidDescriptorSummary parseHidDescriptor(const std::uint8_t *data, std::size_t size)
{
    HidDescriptorSummary summary;
    if (!data)
        return summary;
    std::uint16_t usagePage = 0;
    std::uint16_t pushed[kGlobalStackDepth] = {};
    std::size_t pushes = 0;
    // Only the first usage since the last main item names a collection.
    bool haveUsage = false;
    std::uint32_t firstUsage = 0;
    bool firstUsageExtended = false;
    std::size_t depth = 0;

    std::size_t at = 0;
    while (at < size) {
        const std::uint8_t prefix = data[at];
        if (prefix == kLongItem) {
            // No long item is defined; skip it whole, as the standard asks.
            if (size - at < 3 || size - at - 3 < data[at + 1])
                return summary;
            at += 3 + std::size_t(data[at + 1]);
            continue;
        }
        const std::size_t length = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (size - at - 1 < length)
            return summary;
        // Item data is little-endian and unsigned: 0xFF as one byte is page 0x00FF.
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < length; ++i)
            value |= std::uint32_t(data[at + 1 + i]) << (8 * i);
        const std::uint8_t type = (prefix >> 2) & 3;
        const std::uint8_t tag = prefix >> 4;
        at += 1 + length;

        if (type == Main) {
            if (tag == kCollection) {
                if (depth == 0) {
                    HidCollectionUsage top;
                    top.usagePage =
                        haveUsage && firstUsageExtended ? std::uint16_t(firstUsage >> 16) : usagePage;
                    top.usage = haveUsage ? std::uint16_t(firstUsage & 0xFFFF) : 0;
                    summary.topLevel.push_back(top);
                }
                ++depth;
            } else if (tag == kEndCollection) {
                if (depth == 0)
                    return summary;
                --depth;
            }
            haveUsage = false;
        } else if (type == Global) {
            if (tag == kUsagePage) {
                usagePage = std::uint16_t(value & 0xFFFF);
            } else if (tag == kPush) {
                if (pushes == kGlobalStackDepth)
                    return summary;
                pushed[pushes++] = usagePage;
            } else if (tag == kPop) {
                if (pushes == 0)
                    return summary;
                usagePage = pushed[--pushes];
            }
        } else if (type == Local && tag == kUsage && !haveUsage) {
            haveUsage = true;
            firstUsage = value;
            // A four-byte usage carries its own page in the upper half.
            firstUsageExtended = length == 4;
        }
    }
    summary.complete = depth == 0;
    return summary;
}

std::uint16_t grantableVendorPage(const HidDescriptorSummary &summary)
{
    if (!summary.complete)
        return 0;
    std::uint16_t vendor = 0;
    for (const HidCollectionUsage &c : summary.topLevel) {
        if (c.usagePage == kGenericDesktop && (c.usage == kKeyboard || c.usage == kKeypad))
            return 0;
        if (vendor == 0 && isVendorUsagePage(c.usagePage))
            vendor = c.usagePage;
    }
    return vendor;
}
