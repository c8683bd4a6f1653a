#include "protocol/knobdocument.h"

#include "protocol/actionnames.h"
#include "protocol/assignmentwrite.h"
#include "protocol/configdecode.h"
#include "protocol/keyvocabulary.h"
#include "protocol/knobstoragerules.h"
#include "protocol/actionfilenames.h"

#include <algorithm>

QString gestureName(int knobKey)
{
    switch (knobKey) {
    case 1:
        return QStringLiteral("turn left");
    case 2:
        return QStringLiteral("turn right");
    case 3:
        return QStringLiteral("press and turn left");
    case 4:
        return QStringLiteral("press and turn right");
    case 5:
        return QStringLiteral("press");
    default:
        return QString();
    }
}

KnobDocument decodeConfiguration(const std::vector<Packet> &packets, bool isMacLayout, QStringList *warnings)
{
    KnobDocument document;
    document.isMacLayout = isMacLayout;
    for (const Packet &p : sortConfigPacketsForApply(packets)) {
        const DecodedConfigPacket d = decodeConfigPacket(p);
        switch (d.kind) {
        case DecodedConfigPacket::Ignored:
            break;
        case DecodedConfigPacket::Colour:
            document.light = d.light;
            break;
        case DecodedConfigPacket::UnknownAction:
            if (warnings)
                *warnings << QStringLiteral("physical key %1 holds an action this program does not know "
                                            "(packet %2); it is left out")
                                 .arg(d.knobKey)
                                 .arg(
                                     packetToHex(Packet(p.begin(), p.begin() + std::min<size_t>(p.size(), 8)))
                                         .replace(QLatin1Char('\n'), QLatin1Char(' ')));
            break;
        case DecodedConfigPacket::Assignment:
            document.keys[d.knobKey - 1] = d.actions;
            break;
        }
    }
    return document;
}

int clampedDelay(int slot, int ms)
{
    return std::clamp(ms, KnobAction::defaultDelay(slot), kMaxDelayMs);
}

QString keyActionsProblem(const KnobDocument &document, int knobKey, int *actionIndex)
{
    const QList<KnobAction> &actions = document.keys[knobKey - 1];
    int records = 0;
    const StorageCheck check = checkGestureStorage(actions, &records);
    *actionIndex = check.actionIndex;
    switch (check.rule) {
    case StorageRule::None:
        return QString();
    case StorageRule::VirtualKeyLimit:
        return QStringLiteral("%1 actions, but a physical key holds at most %2")
            .arg(actions.size())
            .arg(kMaxVirtualKeys);
    case StorageRule::LightingNotStored:
        return QStringLiteral("\"%1\" is a lighting mode, which the knob does not store on a physical key")
            .arg(actionFileName(actions[check.actionIndex].sourceName));
    case StorageRule::ActionAlone:
        return QStringLiteral("\"%1\" must be the only action of its physical key")
            .arg(actionFileName(actions[check.actionIndex].sourceName));
    case StorageRule::KeyRecordLimit:
        return QStringLiteral("the actions need %1 key records (one per key and one per modifier), "
                              "but the device takes at most %2")
            .arg(records)
            .arg(kMaxKeyRecords);
    }
    return QString();
}
