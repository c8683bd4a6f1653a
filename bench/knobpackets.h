#pragma once

#include "tests/fakes/hidsim/hidsim.h"

// A packed keyboard assignment as the knob stores it: `count` consecutive
// usages from firstUsage, 50 ms apart.
inline hidsim::Packet keyPacket(unsigned char commandCode, unsigned char firstUsage, int count)
{
    hidsim::Packet p(65, 0);
    p[0] = 0x03;
    p[1] = 0xFD;
    p[2] = commandCode;
    p[3] = 0x01;
    p[4] = 0x01;
    p[6] = static_cast<unsigned char>(count);
    for (int i = 0; i < count; ++i) {
        p[8 + 3 * i] = i == 0 ? 0x00 : 0x32;
        p[9 + 3 * i] = static_cast<unsigned char>(firstUsage + i);
    }
    return p;
}
