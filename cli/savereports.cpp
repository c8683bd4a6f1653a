#include "cli/savereports.h"

#include "device/packetutil.h"
#include "protocol/assignmentwrite.h"
#include "protocol/configdecode.h"
#include "protocol/knobconfigdocument.h"

std::vector<Packet> documentWriteReports(const KnobConfigDocument &document)
{
    std::vector<Packet> reports;
    AssignmentWriteIo io;
    io.send = [&reports](const Packet &packet, int knobKey) {
        for (const Packet &p : buildSendList(packet, knobKey))
            reports.push_back(p);
        return int(packet.size());
    };
    executeAssignmentWrite(planAssignmentWrite(snapshotFromDocument(document)), io);
    if (document.light) {
        const LightSettings &l = *document.light;
        reports.push_back(buildColorPacket(l.red, l.green, l.blue, l.brightness, l.on));
    }
    return reports;
}

KnobConfigDocument expectedReadBack(const KnobConfigDocument &document)
{
    std::vector<Packet> stored;
    for (const Packet &p : documentWriteReports(document)) {
        if (!isConfigReadEndPacket(p))
            stored.push_back(p);
    }
    return documentFromConfigPackets(stored, document.isMacLayout).document;
}
