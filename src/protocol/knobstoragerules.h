#pragma once

#include "protocol/assignmentwrite.h"

#include <QList>
#include <QString>

// What one physical key of the knob can hold. The firmware keeps a single
// report per physical key: a keyboard report with up to 19 key records, or one
// media, mouse or drawing-app action. The window (when an edit is made) and
// the configuration file (when it is read) judge a key by the same table.
enum class StorageRule
{
    None,
    VirtualKeyLimit,   // at most 18 virtual keys
    LightingNotStored, // a lighting mode is sent to the light, never stored on a key
    ActionAlone,       // a media, mouse or drawing-app action is the key's only action
    KeyRecordLimit,    // keyboard keys and their modifiers fit in one report's records
};

enum class ActionStorage
{
    KeyboardKey, // a key, a combination or modifiers alone: records of the keyboard report
    Standalone,  // media, mouse, drawing app: a report of its own
    Lighting,
};

ActionStorage storageOfName(const QString &name);

struct StorageCheck
{
    StorageRule rule = StorageRule::None;
    int actionIndex = -1; // the action that breaks it, when one does
    bool ok() const { return rule == StorageRule::None; }
};

// The first rule a physical key breaks, in table order. `actions` are its
// virtual keys in order; `keyRecords` what its keyboard report needs.
StorageCheck checkKeyStorage(const QList<ActionStorage> &actions, int keyRecords);

struct KnobAction;

// The same check for the actions of one gesture; *keyRecords gets what its
// keyboard report needs.
StorageCheck checkGestureStorage(const QList<KnobAction> &actions, int *keyRecords = nullptr);

// A short sentence for each rule, for notices.
QString storageRuleText(StorageRule rule);
