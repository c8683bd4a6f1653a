#include "device/savereadback.h"

#include "device/packetutil.h"
#include "protocol/assignmentwrite.h"
#include "protocol/configdecode.h"
#include "protocol/knobdocument.h"

std::vector<Packet> documentWriteReports(const KnobDocument &document)
{
    std::vector<Packet> reports;
    AssignmentWriteIo io;
    io.send = [&reports](const Packet &packet, int knobKey) {
        for (const Packet &p : buildSendList(packet, knobKey))
            reports.push_back(p);
        return int(packet.size());
    };
    executeAssignmentWrite(planAssignmentWrite(document), io);
    if (document.light) {
        const LightSettings &l = *document.light;
        reports.push_back(buildColorPacket(l.red, l.green, l.blue, l.brightness, l.on));
    }
    return reports;
}

KnobDocument expectedReadBack(const KnobDocument &document)
{
    std::vector<Packet> stored;
    for (const Packet &p : documentWriteReports(document)) {
        if (!isConfigReadEndPacket(p))
            stored.push_back(p);
    }
    return decodeConfiguration(stored, document.isMacLayout);
}

ReadBackCheck compareReadBack(const KnobDocument &meant, const KnobDocument &readBack)
{
    const KnobDocument expected = expectedReadBack(meant);
    ReadBackCheck check;
    for (int k = 1; k <= kKnobKeyCount; ++k) {
        if (meant.keys[k - 1].isEmpty())
            continue;
        int at = -1;
        if (expected.keys[k - 1] != readBack.keys[k - 1] || !keyActionsProblem(meant, k, &at).isEmpty())
            check.differingKeys << k;
    }
    check.lightDiffers = meant.light && meant.light != readBack.light;
    return check;
}

QString readBackDifferenceText(const ReadBackCheck &check)
{
    if (!check.differingKeys.isEmpty())
        return QStringLiteral("physical key %1 reads back differently from what was written")
            .arg(check.differingKeys.first());
    if (check.lightDiffers)
        return QStringLiteral("the lighting reads back differently from what was written");
    return QString();
}
