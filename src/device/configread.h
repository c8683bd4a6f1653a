#pragma once

#include "protocol/packets.h"

#include <functional>

class KnobLink;
class KnobPort;

struct ConfigReadOutcome
{
    bool ok = false;          // false: the request could not be sent, the link went, or the first read failed
    bool receivedAny = false; // at least one answer arrived
    bool linkLost = false;    // the device went away during the read (ok is false then)
};

// How long a read waits for a first answer, the repeated request included,
// before it gives up on a silent device.
int configReadGiveUpMs();
// How long one request is given for its first answer.
int configReadFirstAnswerMs();

// Asks the device for its stored configuration and collects the answers until
// its end packet or a silence. Each answer (not the end packet) is handed to
// onPacket as it arrives. Runs on a worker; every write and read is made under
// the transport's mutex and only while the link is still `generation`, so an
// unplug or a replaced link ends the read at its next step.
// Reads and drops the answers already waiting on the link (those of an
// earlier request that nobody read), so what is read after the next request
// answers that request. The number dropped.
int drainPendingInput(KnobPort &port);

ConfigReadOutcome readDeviceConfiguration(KnobLink &transport, unsigned long long generation,
                                          const std::function<void(const Packet &)> &onPacket);
