#pragma once

// Helpers shared by the tests that drive the knob session against the
// simulated device: a simulator reset, waiting for the link and for the
// configuration read, and the write record.

#include "tests/fakes/hidsim/hidsim.h"

#include <vector>

class KnobSession;

// A fresh simulator with one knob device (keyboard, consumer and vendor
// interfaces; only the vendor one accepts writes); returns its id.
int resetWithKnob();

// Starts a logged scan and waits until the session reports the link up.
bool connectSession(KnobSession &session, int timeoutMs = 5000);

// connectSession, then waits for the configuration read every new link
// starts to report its end.
bool connectAndReadSession(KnobSession &session, int timeoutMs = 15000);

// Reports written to the device after the given time, accepted or not;
// without read requests (03 FF ...) if asked, as a configuration read sends
// them on its own schedule.
std::vector<hidsim::WriteRecord> writesSince(double ms, bool withReadRequests = true);
