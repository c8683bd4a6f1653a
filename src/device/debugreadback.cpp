#include "device/debugreadback.h"

#include "device/KnobLink.h"
#include "device/KnobPort.h"
#include "device/configread.h"
#include "device/packetutil.h"

#include <algorithm>
#include <chrono>
#include <iterator>

namespace {

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

} // namespace

DebugReadBackResult readDebugResponses(KnobLink &transport, unsigned long long generation,
                                       const std::function<bool()> &keepGoing,
                                       const std::function<void(const Packet &)> &onReport,
                                       const DebugReadBackLimits &limits)
{
    DebugReadBackResult result;
    if (!transport.isUp())
        return result;

    const int slice = limits.readSliceMs > 0 ? limits.readSliceMs : 1;
    Clock::time_point quietSince = Clock::now();
    unsigned char buffer[kReportSize];

    while (result.reports < limits.maxReports) {
        const int silenceLimit = result.reports == 0 ? limits.firstReportWaitMs : limits.silenceAfterReportMs;
        if (msSince(quietSince) >= silenceLimit) {
            result.end = DebugReadBackResult::Silence;
            return result;
        }
        if (keepGoing && !keepGoing()) {
            result.end = DebugReadBackResult::LinkGone;
            return result;
        }

        int r = 0;
        bool failed = false;
        const bool current = transport.withPort(generation, [&](KnobPort &port) {
            std::fill(std::begin(buffer), std::end(buffer), 0);
            r = port.read(buffer, sizeof buffer, slice);
            if (r < 0) {
                result.errorText = port.errorText();
                failed = true;
            }
        });
        if (!current) {
            result.end = DebugReadBackResult::LinkGone;
            return result;
        }
        if (failed) {
            result.end = DebugReadBackResult::ReadError;
            return result;
        }
        if (r == 0)
            continue;

        ++result.reports;
        quietSince = Clock::now();
        if (onReport)
            onReport(Packet(buffer, buffer + r));
    }
    result.end = DebugReadBackResult::Done;
    return result;
}

std::optional<DebugReadBackResult> sendDebugReport(KnobLink &link, unsigned long long generation,
                                                   const Packet &packet, int knobKey,
                                                   const std::function<bool()> &keepGoing,
                                                   const std::function<void(int, bool)> &written,
                                                   const std::function<void(const Packet &)> &onReport)
{
    const bool listen = link.answersRequests();
    if (listen)
        link.withPort(generation, [](KnobPort &port) { drainPendingInput(port); });
    // Over Bluetooth the write alone is a helper run of seconds.
    const int bytes = link.isUp() ? link.writeReportsOn(generation, buildSendList(packet, knobKey)) : -1;
    const bool answersFollow = listen && bytes > 0;
    written(bytes, answersFollow);
    if (!answersFollow)
        return std::nullopt;
    // A read request typed by hand is given as long as the configuration
    // read gives the knob for its first answer.
    DebugReadBackLimits limits;
    if (packet.size() > 1 && packet[1] == 0xFF)
        limits.firstReportWaitMs = configReadFirstAnswerMs();
    return readDebugResponses(link, generation, keepGoing, onReport, limits);
}
