#pragma once

#include "protocol/knobconfigdocument.h"
#include "protocol/packets.h"

#include <QString>

#include <vector>

// The reports a save of the document puts on the USB link, in order: each
// assignment report followed by the copy the link adds, the end reports, then
// the colour report when the document has a light. Nothing is sent.
std::vector<Packet> documentWriteReports(const KnobConfigDocument &document);

// What the knob will answer to a read after that save, for the physical keys
// the save writes (an empty key is not written and keeps what it had).
KnobConfigDocument expectedReadBack(const KnobConfigDocument &document);
