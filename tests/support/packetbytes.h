#pragma once

#include "protocol/assignmentwrite.h"
#include "protocol/knobdocument.h"
#include "protocol/packets.h"

#include <QByteArray>
#include <QList>

// "03 FD | 00 00 F1" -> bytes; '|' only groups records for the reader. The
// packet is zero-padded to `size`, or kept exactly as written when size is 0.
inline Packet bytes(const char *hex, int size = kReportSize)
{
    Packet p;
    const QList<QByteArray> tokens = QByteArray(hex).replace('|', ' ').simplified().split(' ');
    for (const QByteArray &t : tokens) {
        if (!t.isEmpty())
            p.push_back(static_cast<unsigned char>(t.toUInt(nullptr, 16)));
    }
    if (size > 0)
        p.resize(size, 0);
    return p;
}

// The reports a save of the document puts on the wire.
inline std::vector<Packet> wireOf(const KnobDocument &document)
{
    std::vector<Packet> out;
    AssignmentWriteIo io;
    io.send = [&out](const Packet &p, int) {
        out.push_back(p);
        return int(p.size());
    };
    executeAssignmentWrite(planAssignmentWrite(document), io);
    return out;
}
