#pragma once

#include "protocol/packets.h"

#include <vector>

// A link to the knob that reports can be written to. The session holds the one
// that is up; workers hold a shared copy, never the session itself.
class KnobTransport
{
public:
    KnobTransport() = default;
    virtual ~KnobTransport() = default;
    KnobTransport(const KnobTransport &) = delete;
    KnobTransport &operator=(const KnobTransport &) = delete;

    virtual bool isUp() const = 0;

    // Writes the reports in order as one unit: nothing else reaches the device
    // between them. Returns the byte count of the first report the device
    // took, or -1 when it took none. Any thread.
    virtual int writeReports(const std::vector<Packet> &reports) = 0;

    // True when the pauses of an assignment write are pointless on this link
    // and a whole save should go out as one writeReports call.
    virtual bool writesWholeSaveAtOnce() const = 0;
};
