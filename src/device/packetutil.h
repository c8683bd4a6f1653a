#pragma once

#include "protocol/packets.h"

#include <QString>

#include <vector>

using HidPacket = Packet;

// "05ac" for 0x05AC: ids, usages and usage pages in log lines.
QString hex4(unsigned value);

// The 65-byte report that decides whether an interface (or a live handle)
// accepts output: 03 FD FE FF then zeros.
HidPacket probeReport();

// The older command code of a physical key, used for the compatibility copy;
// 0x11 for 0 or anything out of range.
unsigned char compatibilityCommandCode(int knobKey);

// The packets one send puts on the wire: the packet itself, then, for an
// assignment-class packet while a physical key is selected, a copy carrying
// that key's older command code.
std::vector<HidPacket> buildSendList(const HidPacket &packet, int knobKey);

// One USB write attempt of the retry ladder, in the order it is tried.
struct UsbWriteAttempt
{
    std::size_t listIndex = 0; // which packet of the send list
    HidPacket bytes;           // what goes to hid_write
    enum Kind
    {
        Plain,
        ReportIdZero,
        NoReportId
    } kind = Plain;
};

// The compatibility retries for a send list whose plain writes all failed:
// per packet, byte 0 replaced by 0x00 (any non-empty packet), then bytes
// 1..64 alone (only for 65-byte packets).
std::vector<UsbWriteAttempt> compatibilityRetries(const std::vector<HidPacket> &sendList);

// "VID=0x05ac PID=0x022c" for the pair selected by the flag.
unsigned short targetVendorId(bool useDefaultIds);
unsigned short targetProductId(bool useDefaultIds);
