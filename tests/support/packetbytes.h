#pragma once

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
