#pragma once

// What a HID report descriptor says about the interface it belongs to: the
// usage of each top-level collection. No Qt here: udev runs the helper built
// on this for every hidraw node at plug time.

#include <cstddef>
#include <cstdint>
#include <vector>

struct HidCollectionUsage
{
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
};

struct HidDescriptorSummary
{
    std::vector<HidCollectionUsage> topLevel; // in descriptor order
    // Parsed to the end with every collection closed; the kernel refuses a
    // descriptor that is not, so a real node always has one that is.
    bool complete = false;
};

HidDescriptorSummary parseHidDescriptor(const std::uint8_t *data, std::size_t size);

constexpr bool isVendorUsagePage(std::uint16_t page)
{
    return page >= 0xFF00;
}

// The usage page that lets the rules grant the interface, or 0: the first
// vendor-defined top-level collection of a complete descriptor, unless the
// same interface also carries keyboard or keypad reports.
std::uint16_t grantableVendorPage(const HidDescriptorSummary &summary);
