#include "protocol/knobstoragerules.h"

#include "protocol/keyvocabulary.h"

ActionStorage storageOfName(const QString &name)
{
    switch (getKeyType(name, combinationToKeyCode(name))) {
    case Multimedia:
    case Mouse:
    case Procreate:
        return ActionStorage::Standalone;
    case Light:
        return ActionStorage::Lighting;
    default:
        return ActionStorage::KeyboardKey;
    }
}

StorageCheck checkKeyStorage(const QList<ActionStorage> &actions, int keyRecords)
{
    if (actions.size() > kMaxVirtualKeys)
        return {StorageRule::VirtualKeyLimit, -1};
    for (int i = 0; i < actions.size(); ++i) {
        if (actions[i] == ActionStorage::Lighting)
            return {StorageRule::LightingNotStored, i};
    }
    for (int i = 0; i < actions.size(); ++i) {
        if (actions[i] == ActionStorage::Standalone && actions.size() > 1)
            return {StorageRule::ActionAlone, i};
    }
    if (keyRecords > kMaxKeyRecords)
        return {StorageRule::KeyRecordLimit, -1};
    return {};
}

StorageCheck checkModelKey(const KnobKeyModel &key, bool isMacLayout)
{
    QList<ActionStorage> actions;
    // Plain key values are always keyboard keys; the names decide for themselves.
    for (int i = 0; i < key.keyCodes.size(); ++i)
        actions << ActionStorage::KeyboardKey;
    for (const QString &name : key.combinations)
        actions << storageOfName(name);
    KnobModelSnapshot single;
    single.isMacLayout = isMacLayout;
    single.keys[0] = key;
    const bool keyboardOnly =
        !actions.contains(ActionStorage::Standalone) && !actions.contains(ActionStorage::Lighting);
    const int records = keyboardOnly ? int(packedKeyRecords(single, 1).size()) : 0;
    return checkKeyStorage(actions, records);
}

QString storageRuleText(StorageRule rule)
{
    switch (rule) {
    case StorageRule::None:
        return QString();
    case StorageRule::VirtualKeyLimit:
        return QStringLiteral("A gesture holds at most %1 actions").arg(kMaxVirtualKeys);
    case StorageRule::LightingNotStored:
        return QStringLiteral("Lighting is not stored on a gesture");
    case StorageRule::ActionAlone:
        return QStringLiteral("It must be the gesture's only action");
    case StorageRule::KeyRecordLimit:
        return QStringLiteral("Too many keys for one gesture");
    }
    return QString();
}
