#pragma once

#include "protocol/assignmentwrite.h"

#include <QList>
#include <QString>

#include <array>

struct KnobAction;
struct KnobDocument;

// What the five physical keys are bound to, as the user edits it: one
// KnobKeyModel per key, each with its own delays. The window and the delay page
// work on the same instance; a save copies it.
class KnobModel
{
public:
    static bool validKey(int knobKey) { return knobKey >= 1 && knobKey <= kKnobKeyCount; }

    // knobKey 1..5; callers check validKey first.
    KnobKeyModel &key(int knobKey) { return m_keys[knobKey - 1]; }
    const KnobKeyModel &key(int knobKey) const { return m_keys[knobKey - 1]; }

    int virtualKeyCount(int knobKey) const;
    bool isFull(int knobKey) const { return virtualKeyCount(knobKey) >= kMaxVirtualKeys; }

    void addKeyCode(int knobKey, unsigned short value, bool isMacLayout);
    void addCombination(int knobKey, const QString &name);
    // Media, mouse and Procreate actions stand alone: they replace the keys
    // (the delays stay as they were).
    void replaceWithAction(int knobKey, const QString &name);
    // Forgets the keys of one physical key; its delays stay.
    void clearActions(int knobKey);
    // Removes virtual key `index` in the order the user sees them; the delays
    // of the later ones move up a slot with them. False when there is none.
    bool removeAction(int knobKey, int index, bool isMacLayout);
    // Nothing bound anywhere, every delay back to its default.
    void clearAll();
    // The factory assignment: volume down/up, brightness down/up and mute.
    void resetToDefaults();
    // A physical key as the device reported it: its keys and their delays.
    // Keys with modifiers are kept by name, as if picked from the combination page.
    void storeActions(int knobKey, const QList<KnobAction> &actions, bool isMacLayout);
    // The actions of a document (a file's) as the pages would have bound them.
    static KnobModel fromDocument(const KnobDocument &document, bool isMacLayout);
    // The given physical keys as a decoded read has them.
    void storeFromDocument(const KnobDocument &document, const QList<int> &knobKeys);

    // The delay of a slot the user typed or a read delivered, kept within what
    // the device accepts for that slot.
    static int clampDelay(int slot, int ms);

    KnobModelSnapshot snapshot(bool isMacLayout) const;

    friend bool operator==(const KnobModel &a, const KnobModel &b) { return a.m_keys == b.m_keys; }
    friend bool operator!=(const KnobModel &a, const KnobModel &b) { return !(a == b); }

private:
    std::array<KnobKeyModel, kKnobKeyCount> m_keys;
};
