#pragma once

#include "device/KnobTransport.h"

#include <functional>

class KnobPort;

// A link the configuration can be read back over, not only written to: the
// hidraw link, or the demo knob. A generation changes whenever the link does,
// so a worker that copied it can tell the link it started on is gone.
class KnobLink : public KnobTransport
{
public:
    virtual unsigned long long generation() const = 0;
    // Takes the link down and starts a new generation.
    virtual void close() = 0;
    // Runs f under the link's lock while it is still `generation`; false (f
    // not run) when it has gone or changed. Keep f short: writes wait for it.
    virtual bool withPort(unsigned long long generation, const std::function<void(KnobPort &)> &f) = 0;
    // writeReports, only while the link is still `generation`: an operation
    // whose link was replaced sends nothing more to the new one. -1 otherwise.
    virtual int writeReportsOn(unsigned long long generation, const std::vector<Packet> &reports) = 0;
};
