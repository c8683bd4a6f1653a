#pragma once

#include <QString>

#include <optional>

// One action a gesture sends, in the form a configuration file holds it: what
// goes on the wire, independent of how a page happens to name it.
// Its id is ASCII and stable: "key:0x04", "key:0x19+ctrl+gui",
// "mods:ctrl+shift", "media:volume-up", "mouse:left-click", "light:mode-2",
// "procreate:undo". Code compares ids, never the text a page shows.
struct KnobAction
{
    enum Kind
    {
        Key,            // a keyboard usage, with the modifiers held for it
        ModifiersAlone, // modifiers with no key of their own; they apply to the next key
        Named,          // a media, mouse or Procreate action, by its source name
    };

    Kind kind = Key;
    unsigned char modifiers = 0; // modifier mask (bit i = usage 0xE0 + i)
    unsigned char usage = 0;     // Key only
    QString sourceName;          // Named only: the untranslated name
    int delayMs = 0;             // wait before this virtual key

    static KnobAction key(unsigned char modifiers, unsigned char usage, int delayMs = 0);
    static KnobAction modifiersAlone(unsigned char modifiers, int delayMs = 0);
    static KnobAction named(const QString &sourceName, int delayMs = 0);

    // The wait before virtual key `slot` when nobody chose one: none before
    // the first key, 50 ms before every later one.
    static int defaultDelay(int slot) { return slot == 0 ? 0 : 50; }

    QString id() const;
    // The action of an id (delay 0); nothing for an id no action has.
    static std::optional<KnobAction> fromId(const QString &id);

    // Key value as the pages give it: modifier mask in the high byte, usage in the low.
    unsigned short keyValue() const { return static_cast<unsigned short>((modifiers << 8) | usage); }

    // Same id, delay aside.
    bool sameAction(const KnobAction &other) const;
    friend bool operator==(const KnobAction &a, const KnobAction &b)
    {
        return a.sameAction(b) && a.delayMs == b.delayMs;
    }
    friend bool operator!=(const KnobAction &a, const KnobAction &b) { return !(a == b); }
};
