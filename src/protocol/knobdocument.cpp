#include "protocol/knobdocument.h"

#include "protocol/actionnames.h"
#include "protocol/assignmentwrite.h"
#include "protocol/configdecode.h"
#include "protocol/keyvocabulary.h"
#include "protocol/knobstoragerules.h"
#include "protocol/uitext.h"

#include <algorithm>

namespace {

// Display entry of a key value as the window compares it when packing.
QString plainModelName(unsigned short value, bool isMacLayout)
{
    return keyCodeToString(value, isMacLayout);
}

bool entryNamesPlainKey(const QString &entry, unsigned short value)
{
    for (bool mac : {true, false}) {
        const QString name = keyCodeToString(value, mac);
        if (entry == name || entry == uiText(name))
            return true;
    }
    return false;
}

} // namespace

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

KnobModelSnapshot snapshotFromDocument(const KnobDocument &document)
{
    KnobModelSnapshot snapshot;
    snapshot.isMacLayout = document.isMacLayout;
    for (int k = 0; k < kKnobKeyCount; ++k) {
        KnobKeyModel &model = snapshot.keys[k];
        const QList<KnobAction> &actions = document.keys[k];
        for (int v = 0; v < actions.size(); ++v) {
            const KnobAction &a = actions[v];
            switch (a.kind) {
            case KnobAction::Key:
                model.keyCodes << a.keyValue();
                model.displayNames << plainModelName(a.keyValue(), document.isMacLayout);
                break;
            case KnobAction::ModifiersAlone:
                // Always the "Ctrl+" spelling: no key name ends in "+" after a
                // letter, so the packing never mistakes it for a plain key.
                model.combinations << modifiersAloneModelName(a.modifiers);
                model.displayNames << model.combinations.last();
                break;
            case KnobAction::Named:
                model.combinations << a.sourceName;
                model.displayNames << uiText(a.sourceName);
                break;
            }
            if (v < kMaxVirtualKeys)
                model.delays[v] = a.delayMs;
        }
    }
    return snapshot;
}

KnobDocument documentFromSnapshot(const KnobModelSnapshot &snapshot,
                                  const std::optional<LightSettings> &light, QStringList *skipped)
{
    KnobDocument doc;
    doc.isMacLayout = snapshot.isMacLayout;
    doc.light = light;
    for (int k = 0; k < kKnobKeyCount; ++k) {
        const KnobKeyModel &model = snapshot.keys[k];
        QList<KnobAction> &actions = doc.keys[k];
        int p = 0, c = 0;
        auto delayAt = [&](int v) {
            return v < kMaxVirtualKeys ? model.delays[v] : KnobKeyModel::defaultDelay(v);
        };
        auto takePlain = [&] {
            const unsigned short value = model.keyCodes[p++];
            actions << KnobAction::key(static_cast<unsigned char>(value >> 8),
                                       static_cast<unsigned char>(value & 0xFF),
                                       delayAt(int(actions.size())));
        };
        auto takeName = [&] {
            const QString &name = model.combinations[c++];
            const ActionNameResult r = actionFromName(name, snapshot.isMacLayout);
            if (!r.ok) {
                if (skipped)
                    *skipped << name;
                return;
            }
            KnobAction a = r.action;
            a.delayMs = delayAt(int(actions.size()));
            actions << a;
        };
        for (const QString &entry : model.displayNames) {
            if (p < model.keyCodes.size() && entryNamesPlainKey(entry, model.keyCodes[p]))
                takePlain();
            else if (c < model.combinations.size() &&
                     (entry == model.combinations[c] || entry == uiText(model.combinations[c])))
                takeName();
        }
        while (p < model.keyCodes.size())
            takePlain();
        while (c < model.combinations.size())
            takeName();
    }
    return doc;
}

QString keyActionsProblem(const KnobDocument &document, int knobKey, int *actionIndex)
{
    const QList<KnobAction> &actions = document.keys[knobKey - 1];
    QList<ActionStorage> storage;
    for (const KnobAction &a : actions)
        storage << (a.kind == KnobAction::Named ? storageOfName(a.sourceName) : ActionStorage::KeyboardKey);
    KnobDocument single;
    single.isMacLayout = document.isMacLayout;
    single.keys[knobKey - 1] = actions;
    const bool keyboardOnly = !storage.contains(ActionStorage::Standalone);
    const int records =
        keyboardOnly ? int(packedKeyRecords(snapshotFromDocument(single), knobKey).size()) : 0;
    const StorageCheck check = checkKeyStorage(storage, records);
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
            .arg(uiText(actions[check.actionIndex].sourceName));
    case StorageRule::ActionAlone:
        return QStringLiteral("\"%1\" must be the only action of its physical key")
            .arg(uiText(actions[check.actionIndex].sourceName));
    case StorageRule::KeyRecordLimit:
        return QStringLiteral("the actions need %1 key records (one per key and one per modifier), "
                              "but the device takes at most %2")
            .arg(records)
            .arg(kMaxKeyRecords);
    }
    return QString();
}
