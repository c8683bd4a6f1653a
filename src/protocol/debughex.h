#pragma once

#include "protocol/packets.h"

#include <QString>

// What the debug console makes of a typed hex line.
struct DebugHexPacket
{
    bool ok = false;
    Packet packet;      // exactly kReportSize bytes when ok, else empty
    int typedBytes = 0; // bytes the text gave before it was sized to a report
    QString badPair;    // the first pair that is not hexadecimal, when !ok
};

// White space anywhere is ignored; the rest is read two digits per byte from
// the start, a final odd digit as a byte of its own. One pair that is not two
// hexadecimal digits rejects the whole line, so nothing half-typed reaches the
// device. The bytes are the whole report, report id first; they are cut or
// zero-padded to kReportSize. Text without any digit is not a packet.
DebugHexPacket parseDebugHex(const QString &text);
