#pragma once

#include "protocol/knobaction.h"
#include "protocol/packets.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// Everything the knob stores: five physical keys with their virtual keys and
// the light. It is what a configuration file holds.
struct KnobDocument
{
    static constexpr int kFormatVersion = 1;
    using Gestures = std::array<QList<KnobAction>, 5>;

    bool isMacLayout = true;
    Gestures keys;                      // physical key k at index k - 1, each action with its delay
    std::optional<LightSettings> light; // absent when the device sent no colour

    friend bool operator==(const KnobDocument &a, const KnobDocument &b)
    {
        return a.isMacLayout == b.isMacLayout && a.keys == b.keys && a.light == b.light;
    }
    friend bool operator!=(const KnobDocument &a, const KnobDocument &b) { return !(a == b); }
};

// The gesture of a physical key, as the configuration file names it.
QString gestureName(int knobKey);

// The one way from the answers of a configuration read to a document, in the
// order the knob applies them: the last packet of each physical key wins.
// Packets that were left out are listed in *warnings, one sentence each.
KnobDocument decodeConfiguration(const std::vector<Packet> &packets, bool isMacLayout,
                                 QStringList *warnings = nullptr);

// The delay of a slot the user typed or a read delivered, kept within what
// the device accepts for that slot.
int clampedDelay(int slot, int ms);

// Why a physical key's actions cannot be written as they are, or an empty
// string: a named action must be alone on its key, and the keyboard records
// (one per key, one per modifier) must fit in one report.
QString keyActionsProblem(const KnobDocument &document, int knobKey, int *actionIndex);
