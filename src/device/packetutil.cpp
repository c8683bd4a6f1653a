#include "device/packetutil.h"

QString hex4(unsigned value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

HidPacket probeReport()
{
    HidPacket report(65, 0x00);
    report[0] = 0x03;
    report[1] = 0xFD;
    report[2] = 0xFE;
    report[3] = 0xFF;
    return report;
}

unsigned char compatibilityCommandCode(int knobKey)
{
    switch (knobKey) {
    case 1:
        return 0x10;
    case 2:
        return 0x12;
    case 3:
        return 0x13;
    case 4:
        return 0x15;
    default:
        return 0x11;
    }
}

std::vector<HidPacket> buildSendList(const HidPacket &packet, int knobKey)
{
    std::vector<HidPacket> list{packet};
    if (packet.size() < 5 || packet[1] != 0xFD || packet[2] == 0xFE || packet[2] == 0x00)
        return list;
    if (knobKey < 1 || knobKey > 5)
        return list;
    const unsigned char legacy = compatibilityCommandCode(knobKey);
    if (legacy == packet[2])
        return list;
    HidPacket copy = packet;
    copy[2] = legacy;
    list.push_back(std::move(copy));
    return list;
}

std::vector<UsbWriteAttempt> compatibilityRetries(const std::vector<HidPacket> &sendList)
{
    std::vector<UsbWriteAttempt> attempts;
    for (std::size_t i = 0; i < sendList.size(); ++i) {
        const HidPacket &packet = sendList[i];
        if (!packet.empty()) {
            HidPacket zeroId = packet;
            zeroId[0] = 0x00;
            attempts.push_back({i, std::move(zeroId), UsbWriteAttempt::ReportIdZero});
        }
        if (packet.size() == 65)
            attempts.push_back({i, HidPacket(packet.begin() + 1, packet.end()), UsbWriteAttempt::NoReportId});
    }
    return attempts;
}

unsigned short targetVendorId(bool useDefaultIds)
{
    return useDefaultIds ? 0x05AC : 0x514C;
}

unsigned short targetProductId(bool useDefaultIds)
{
    return useDefaultIds ? 0x022C : 0x8850;
}
