// Report descriptors as sysfs hands them to udev's helper: any bytes at all,
// never a read past the end, and a grant only for a complete descriptor whose
// own top-level collection is on a vendor page.

#include "fuzz/fuzztarget.h"
#include "hidvendor/hiddescriptor.h"

VX_FUZZ_TARGET(hiddescriptor)
{
    const HidDescriptorSummary summary = parseHidDescriptor(data, size);
    // A collection item takes at least its prefix byte.
    VX_FUZZ_CHECK(summary.topLevel.size() <= size);
    const std::uint16_t page = grantableVendorPage(summary);
    if (page == 0)
        return;
    VX_FUZZ_CHECK(summary.complete && isVendorUsagePage(page));
    bool found = false;
    for (const HidCollectionUsage &c : summary.topLevel)
        found = found || c.usagePage == page;
    VX_FUZZ_CHECK(found);
}
