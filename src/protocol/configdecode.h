#pragma once

#include "protocol/knobaction.h"
#include "protocol/packets.h"

#include <QList>
#include <QString>

// Turning the packets a configuration read returns back into virtual keys.
// The device echoes the very reports the program writes, so this is the
// inverse of the builders in protocol/packets.h. Pure and widget-free.

struct DecodedConfigPacket
{
    enum Kind
    {
        Ignored,       // malformed, short or not a configuration packet
        Colour,        // the light's colour, brightness and on/off
        Assignment,    // replaces the virtual keys of knobKey by actions
        UnknownAction, // a media or mouse code without a name: knobKey keeps its keys
    };
    Kind kind = Ignored;
    int knobKey = 0;
    QList<KnobAction> actions;
    LightSettings light;
    // A Procreate packet whose keys are not in the table, read as keyboard keys.
    bool procreateFallback = false;
};

// Combination name of a key with its modifiers ("Ctrl+Win+V"); the modifier
// words are the same for both layouts. Empty for mask 0. Shift alone on a
// shifted-symbol usage gives the symbol.
QString standardCombinationFromPacket(unsigned char mask, unsigned char usage, bool isMacLayout);

// Name of a modifier bound alone (prefix bytes with no key after them); empty
// unless exactly one bit is set.
QString trailingModifierName(unsigned char mask, bool isMacLayout);

// Media action of a consumer usage's low byte; empty when unknown.
QString multimediaCombinationFromPacket(unsigned char usage);

// Mouse or touch action of a type-3 packet; empty when unknown or short.
QString mouseCombinationFromPacket(const Packet &packet);

// The virtual keys of a keyboard assignment packet (type 1, or a Procreate
// packet whose keys are not in the table), with the exact modifier mask of
// each key, delays capped and defaulted. Modifiers left at the end are kept
// as one action whatever their number: the knob holds and replays them all.
QList<KnobAction> keyboardActionsFromPacket(const Packet &packet);

// The Procreate shortcut of a type-4 packet; empty when the keys are not in the table.
QString procreateNameFromPacket(const Packet &packet);

DecodedConfigPacket decodeConfigPacket(const Packet &packet);

// Order in which a collected list is applied: by physical key (unknown keys and
// the colour packet first), the older command codes after the current ones,
// received order otherwise. Each key's last packet wins.
std::vector<Packet> sortConfigPacketsForApply(std::vector<Packet> packets);

// 03 FD FE FF: the device has sent everything.
bool isConfigReadEndPacket(const Packet &packet);

// A device that repeats the report number (03 03 FD ...) has the extra byte
// dropped and, when that leaves a short report, zeros appended up to 65 bytes.
Packet normaliseConfigResponse(const Packet &raw);
