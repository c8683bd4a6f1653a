#pragma once

#include "device/configread.h"
#include "protocol/packets.h"

#include <QString>

#include <functional>
#include <vector>

class KnobPort;

// A link to the knob: the hidraw one, the demo knob or the Bluetooth helper.
// Reports go out over it and the knob's configuration comes back over it.
// The session holds the one that is up; workers hold a shared copy, never the
// session itself. A generation changes whenever the link does, so a worker
// that copied it can tell the link it started on is gone.
class KnobLink
{
public:
    KnobLink() = default;
    virtual ~KnobLink() = default;
    KnobLink(const KnobLink &) = delete;
    KnobLink &operator=(const KnobLink &) = delete;

    virtual bool isUp() const = 0;
    // Which knob the link reaches, as the owner lock names it.
    virtual QString knobIdentity() const = 0;
    virtual bool overBluetooth() const = 0;

    // Writes the reports in order as one unit: nothing else reaches the device
    // between them. Returns the byte count of the first report the device
    // took, or -1 when it took none. Any thread.
    virtual int writeReports(const std::vector<Packet> &reports) = 0;
    // writeReports, only while the link is still `generation`: an operation
    // whose link was replaced sends nothing more to the new one. -1 otherwise.
    virtual int writeReportsOn(unsigned long long generation, const std::vector<Packet> &reports) = 0;
    // True when the pauses of an assignment write are pointless on this link
    // and a whole save should go out as one writeReports call.
    virtual bool writesWholeSaveAtOnce() const = 0;

    // Whether what is written can be followed by reading the knob's answers.
    // Where it cannot (each write a helper run that ends with it), the
    // configuration comes only as the link is made, and a read asked for
    // later has nothing to ask.
    virtual bool answersRequests() const = 0;
    // The knob's stored configuration, each answer to onPacket in order.
    // Blocks where the knob is asked; a worker's job.
    virtual ConfigReadOutcome readConfiguration(unsigned long long generation,
                                                const std::function<void(const Packet &)> &onPacket)
    {
        return readDeviceConfiguration(*this, generation, onPacket);
    }

    virtual unsigned long long generation() const = 0;
    // Takes the link down and starts a new generation.
    virtual void close() = 0;
    // Runs f under the link's lock while it is still `generation`; false (f
    // not run) when it has gone, changed or has no port to lend. Keep f
    // short: writes wait for it.
    virtual bool withPort(unsigned long long generation, const std::function<void(KnobPort &)> &f) = 0;
};
