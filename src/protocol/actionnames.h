#pragma once

#include "protocol/knobaction.h"

#include <QString>

#include <optional>

// Names of virtual keys as the interface shows them ("Ctrl+V", "Volume +",
// "Left Click", "Undo") and back. Keyboard names depend on the layout only for
// the modifier keys themselves.

struct ActionNameResult
{
    bool ok = false;
    KnobAction action; // delay left at 0
    QString error;     // why the name was refused, when not ok
};

// The action a name stands for. Accepts the display names and the untranslated
// source names, combinations such as "Ctrl+Shift+F5", shifted symbols, "K6C"
// for an unnamed usage and modifiers alone ("Ctrl+", "control").
ActionNameResult actionFromName(const QString &name, bool isMacLayout);

// The name the interface shows for an action.
QString actionDisplayName(const KnobAction &action, bool isMacLayout);

// The layout a name is written for: true for Mac, false for Windows, nothing
// when both layouts show its action alike or the name is unknown. Only
// modifiers differ ("option" and "Command" against "Alt+" and "Win+").
std::optional<bool> layoutOfActionName(const QString &name);

// True when the display name alone reads back as a different action (a keypad
// digit looks like the digit above the letters, a plain "-" like the shifted
// one); such an action needs its key value spelled out.
bool actionNameIsAmbiguous(const KnobAction &action, bool isMacLayout);

// The usage of a key name on its own ("A", "F17", "↵", "K6C"); 0 with *ok false when none.
unsigned char keyUsageFromName(const QString &keyName, bool isMacLayout, bool *ok);

// The name a one-by-one write sends for modifiers held alone: the tokens of the
// mask each followed by '+', e.g. "Ctrl+Alt+".
QString modifiersAloneModelName(unsigned char mask);
