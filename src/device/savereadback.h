#pragma once

#include "protocol/knobdocument.h"
#include "protocol/packets.h"

#include <QList>
#include <QString>

#include <vector>

// The reports a save of the document puts on a hidraw link, in order: each
// assignment report followed by the copy the link adds, the end reports, then
// the colour report when the document has a light. Nothing is sent.
std::vector<Packet> documentWriteReports(const KnobDocument &document);

// What the knob will answer to a read after that save, for the physical keys
// the save writes (an empty key is not written and keeps what it had).
KnobDocument expectedReadBack(const KnobDocument &document);

// A read after a save held against what the save meant. Only the physical
// keys the save wrote count; a key the knob cannot hold as meant counts as
// differing whatever it reads back as.
struct ReadBackCheck
{
    QList<int> differingKeys; // physical keys 1..5, ascending
    bool lightDiffers = false;
    bool matches() const { return differingKeys.isEmpty() && !lightDiffers; }
};

ReadBackCheck compareReadBack(const KnobDocument &meant, const KnobDocument &readBack);

// One sentence naming the first difference, or an empty string.
QString readBackDifferenceText(const ReadBackCheck &check);
