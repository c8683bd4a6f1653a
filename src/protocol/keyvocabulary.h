#pragma once

#include <QList>
#include <QString>

// The text and numeric forms of a virtual key and the conversions between them.
// A key value is 16 bits: low byte a HID Keyboard/Keypad usage, high byte a
// modifier mask (bit i = modifier usage 0xE0 + i). On the wire a modifier is a
// prefix byte 0xF1 + i placed before the key it modifies.
//
// Everything here is pure and thread-safe: the save worker calls it too.

enum KeyType
{
    Standard = 0,
    ModifierOnly = 1,
    Multimedia = 2,
    Mouse = 3,
    Light = 4,
    Procreate = 5,
};

// Display name of a plain key; only the low byte classifies.
QString keyCodeToString(unsigned short keyValue, bool isMacLayout);

// Combination name for a modifier key clicked on the keyboard page; empty for
// every other usage.
QString modifierKeyCodeToCombination(unsigned short usage, bool isMacLayout);

// Key usage or action code of a name; 0 when it names no key.
unsigned short combinationToKeyCode(const QString &name);

// Modifier mask of a name.
unsigned char combinationToModifierMask(const QString &name);

// Prefix bytes of a mask, lowest bit first.
QList<unsigned char> modifierPrefixKeys(unsigned char mask);

// KeyType of a name, given combinationToKeyCode(name) as code.
int getKeyType(const QString &name, unsigned short code);

// Shifted symbols typed as left Shift + the usage of the key carrying them.
struct ShiftedSymbol
{
    const char *symbol;
    unsigned char usage;
};
const QList<ShiftedSymbol> &shiftedSymbols();
// The symbol sent as Shift + usage, or an empty string.
QString shiftedSymbolForUsage(unsigned char usage);

// The 16 mouse and touch action names, in the order of their action codes.
const QStringList &mouseActionNames();
// The 21 media action names.
const QStringList &multimediaActionNames();
// "关闭灯光" and "LED模式1".."LED模式5".
const QStringList &lightActionNames();
