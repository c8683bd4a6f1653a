#include "protocol/knobaction.h"

KnobAction KnobAction::key(unsigned char modifiers, unsigned char usage, int delayMs)
{
    KnobAction a;
    a.kind = Key;
    a.modifiers = modifiers;
    a.usage = usage;
    a.delayMs = delayMs;
    return a;
}

KnobAction KnobAction::modifiersAlone(unsigned char modifiers, int delayMs)
{
    KnobAction a;
    a.kind = ModifiersAlone;
    a.modifiers = modifiers;
    a.delayMs = delayMs;
    return a;
}

KnobAction KnobAction::named(const QString &sourceName, int delayMs)
{
    KnobAction a;
    a.kind = Named;
    a.sourceName = sourceName;
    a.delayMs = delayMs;
    return a;
}

bool KnobAction::sameAction(const KnobAction &other) const
{
    if (kind != other.kind)
        return false;
    switch (kind) {
    case Key:
        return modifiers == other.modifiers && usage == other.usage;
    case ModifiersAlone:
        return modifiers == other.modifiers;
    case Named:
        return sourceName == other.sourceName;
    }
    return false;
}
