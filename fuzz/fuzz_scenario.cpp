// Scenario text for the simulated knob. A scenario that parses attaches what it
// describes; one that does not leaves the simulator empty, as promised to the
// tests and to the preloaded program.

#include "fuzz/fuzztarget.h"
#include "tests/fakes/hidsim/hidsim.h"

#include <hidapi.h>

#include <string>

namespace {

int listedInterfaces()
{
    hid_device_info *list = hid_enumerate(0, 0);
    int n = 0;
    for (const hid_device_info *i = list; i; i = i->next)
        ++n;
    hid_free_enumeration(list);
    return n;
}

} // namespace

VX_FUZZ_TARGET(scenario)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    std::string error;
    const bool ok = hidsim::loadScenario(text, &error);
    if (!ok) {
        VX_FUZZ_CHECK(!error.empty());
        VX_FUZZ_CHECK(listedInterfaces() == 0);
        return;
    }
    listedInterfaces();
    // Stored packets are kept in the one form the firmware answers with.
    for (int device = 0; device < 4; ++device) {
        for (const auto &[key, packet] : hidsim::storedAssignments(device)) {
            VX_FUZZ_CHECK(key >= 1 && key <= 5);
            VX_FUZZ_CHECK(packet.size() == 65 && packet[0] == 0x03);
        }
        const hidsim::Packet colour = hidsim::storedColour(device);
        VX_FUZZ_CHECK(colour.empty() || (colour.size() == 65 && colour[0] == 0x03));
    }
    hidsim::reset();
}
