#pragma once

#include "protocol/packets.h"

#include <QString>

#include <functional>
#include <optional>

class KnobLink;

// How long the debug console listens for the device's answers to a raw
// report. Reads are short slices so the lock is never held long and a closed
// link or a closing window is noticed within one slice.
struct DebugReadBackLimits
{
    int maxReports = 10;
    int readSliceMs = 100;
    int firstReportWaitMs = 2000;   // silence before any answer that ends the read
    int silenceAfterReportMs = 500; // silence after an answer that ends the read
};

struct DebugReadBackResult
{
    enum End
    {
        NoHandle,  // nothing to read from
        Done,      // maxReports answers arrived
        Silence,   // the device stopped (or never started) answering
        LinkGone,  // the link the report was sent on is no longer the current one
        ReadError, // hidapi reported an error; errorText says which
    };
    End end = NoHandle;
    int reports = 0;
    QString errorText; // hid_error's text, empty when it had none
};

// Reads the device's answers to a debug report on the calling (worker)
// thread. Every read is made under the transport's mutex and only while the
// link is still `generation`, the one the report went out on: the disconnect
// path closes handles under the same mutex, so no read can reach a closed
// handle. keepGoing() is asked before each read too (false: the owner is
// shutting down). onReport gets each answer, in order, outside the lock.
DebugReadBackResult readDebugResponses(KnobLink &transport, unsigned long long generation,
                                       const std::function<bool()> &keepGoing,
                                       const std::function<void(const Packet &)> &onReport,
                                       const DebugReadBackLimits &limits = {});

// One raw report, with its compatibility copy for knobKey, written on the
// link while it is still `generation`; then, where the link answers
// requests, its answers read as readDebugResponses does. What an earlier send
// left unread is dropped first, so it is not taken for an answer. written
// (the bytes or -1, whether answers follow) comes between the two. No result
// when no answers follow. Blocks; for a worker.
std::optional<DebugReadBackResult> sendDebugReport(KnobLink &link, unsigned long long generation,
                                                   const Packet &packet, int knobKey,
                                                   const std::function<bool()> &keepGoing,
                                                   const std::function<void(int, bool)> &written,
                                                   const std::function<void(const Packet &)> &onReport);
