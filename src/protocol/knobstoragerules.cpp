#include "protocol/knobstoragerules.h"

#include "protocol/keyvocabulary.h"
#include "protocol/knobdocument.h"

#include <QCoreApplication>

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

StorageCheck checkGestureStorage(const QList<KnobAction> &actions, int *keyRecords)
{
    QList<ActionStorage> storage;
    for (const KnobAction &a : actions)
        storage << (a.kind == KnobAction::Named ? storageOfName(a.sourceName) : ActionStorage::KeyboardKey);
    KnobDocument single;
    single.keys[0] = actions;
    const bool keyboardOnly =
        !storage.contains(ActionStorage::Standalone) && !storage.contains(ActionStorage::Lighting);
    const int records = keyboardOnly ? int(packedKeyRecords(single, 1).size()) : 0;
    if (keyRecords)
        *keyRecords = records;
    return checkKeyStorage(storage, records);
}

QString storageRuleText(StorageRule rule)
{
    switch (rule) {
    case StorageRule::None:
        return QString();
    case StorageRule::VirtualKeyLimit:
        return QCoreApplication::translate("StorageRule", "A gesture holds at most %1 actions")
            .arg(kMaxVirtualKeys);
    case StorageRule::LightingNotStored:
        return QCoreApplication::translate("StorageRule", "Lighting is not stored on a gesture");
    case StorageRule::ActionAlone:
        return QCoreApplication::translate("StorageRule", "It must be the gesture's only action");
    case StorageRule::KeyRecordLimit:
        return QCoreApplication::translate("StorageRule", "Too many keys for one gesture");
    }
    return QString();
}
