#include "protocol/actionnames.h"

#include "protocol/configdecode.h"
#include "protocol/keyvocabulary.h"
#include "protocol/procreatetable.h"
#include "protocol/actionfilenames.h"

#include <QHash>

namespace {

// Prefix tokens in the order the key vocabulary strips them, with their bits.
struct ModifierToken
{
    const char *text;
    unsigned char bit;
};
constexpr ModifierToken kPrefixes[] = {
    {"RightCtrl+", 0x10},    {"RightShift+", 0x20},   {"RightAlt+", 0x40}, {"RightWin+", 0x80},
    {"Ctrl+", 0x01},         {"Shift+", 0x02},        {"Alt+", 0x04},      {"Win+", 0x08},
    {"Command+", 0x08},      {"RightCommand+", 0x80}, {"option+", 0x04},   {"RightOption+", 0x40},
    {"RightControl+", 0x10}, {"control+", 0x01},
};
// A modifier named alone at the end ("Ctrl+Alt+Win", "control").
constexpr ModifierToken kBareTokens[] = {
    {"Ctrl", 0x01},         {"control", 0x01},      {"Shift", 0x02},    {"Alt", 0x04},
    {"option", 0x04},       {"Win", 0x08},          {"Command", 0x08},  {"RightCtrl", 0x10},
    {"RightControl", 0x10}, {"RightShift", 0x20},   {"RightAlt", 0x40}, {"RightOption", 0x40},
    {"RightWin", 0x80},     {"RightCommand", 0x80},
};

bool isPrefixByte(int usage)
{
    return usage >= 0xF1 && usage <= 0xF8;
}

// Display and source names of the actions a page binds as a whole.
const QHash<QString, QString> &namedActionsByName()
{
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        QStringList sources = multimediaActionNames();
        sources += mouseActionNames();
        sources += procreateKeyNames();
        for (const QString &s : sources) {
            t.insert(s, s);
            t.insert(actionFileName(s), s);
        }
        return t;
    }();
    return table;
}

QHash<QString, unsigned char> buildKeyNames(bool isMacLayout)
{
    QHash<QString, unsigned char> t;
    const auto add = [&t](const QString &name, int usage) {
        if (!name.isEmpty() && !t.contains(name))
            t.insert(name, static_cast<unsigned char>(usage));
    };
    // Lowest usage first: the main-row digit wins over its keypad twin.
    for (bool mac : {isMacLayout, !isMacLayout}) {
        for (int u = 0; u <= 0xFF; ++u) {
            if (isPrefixByte(u))
                continue;
            const QString name = keyCodeToString(static_cast<unsigned short>(u), mac);
            add(name, u);
            add(actionFileName(name), u);
        }
    }
    // Spellings the shortcut page and hand-written files use.
    for (int c = 'a'; c <= 'z'; ++c)
        add(QString(QChar(c)), 0x04 + (c - 'a'));
    for (int n = 13; n <= 24; ++n)
        add(QStringLiteral("F%1").arg(n), 0x5B + n);
    add(QStringLiteral("Backspace"), 0x2A);
    add(QStringLiteral("Space"), 0x2C);
    add(QStringLiteral("Return"), 0x28);
    return t;
}

const QHash<QString, unsigned char> &keyNames(bool isMacLayout)
{
    static const QHash<QString, unsigned char> mac = buildKeyNames(true);
    static const QHash<QString, unsigned char> windows = buildKeyNames(false);
    return isMacLayout ? mac : windows;
}

ActionNameResult refused(const QString &error)
{
    ActionNameResult r;
    r.error = error;
    return r;
}

ActionNameResult accepted(const KnobAction &action)
{
    ActionNameResult r;
    r.ok = true;
    r.action = action;
    return r;
}

} // namespace

unsigned char keyUsageFromName(const QString &keyName, bool isMacLayout, bool *ok)
{
    const auto &names = keyNames(isMacLayout);
    const auto it = names.constFind(keyName);
    if (it != names.constEnd()) {
        *ok = true;
        return it.value();
    }
    // "K" and the usage in hex, as unnamed usages are shown.
    if (keyName.size() == 3 && keyName.startsWith(QLatin1Char('K'))) {
        bool hexOk = false;
        const int usage = keyName.mid(1).toInt(&hexOk, 16);
        if (hexOk && keyName.mid(1) == keyName.mid(1).toUpper() && !isPrefixByte(usage)) {
            *ok = true;
            return static_cast<unsigned char>(usage);
        }
    }
    *ok = false;
    return 0;
}

ActionNameResult actionFromName(const QString &name, bool isMacLayout)
{
    if (name.isEmpty())
        return refused(QStringLiteral("the action name is empty"));

    const auto named = namedActionsByName().constFind(name);
    if (named != namedActionsByName().constEnd())
        return accepted(KnobAction::named(named.value()));

    const unsigned char symbolUsage = [&] {
        for (const ShiftedSymbol &s : shiftedSymbols()) {
            if (name == QLatin1String(s.symbol))
                return s.usage;
        }
        return static_cast<unsigned char>(0);
    }();
    if (symbolUsage != 0)
        return accepted(KnobAction::key(0x02, symbolUsage));

    unsigned char mask = 0;
    QString rest = name;
    for (bool stripped = true; stripped;) {
        stripped = false;
        for (const ModifierToken &t : kPrefixes) {
            if (rest.startsWith(QLatin1String(t.text))) {
                mask |= t.bit;
                rest = rest.mid(int(qstrlen(t.text)));
                stripped = true;
                break;
            }
        }
    }
    if (rest.isEmpty())
        return accepted(KnobAction::modifiersAlone(mask));
    for (const ModifierToken &t : kBareTokens) {
        if (rest == QLatin1String(t.text))
            return accepted(KnobAction::modifiersAlone(static_cast<unsigned char>(mask | t.bit)));
    }
    bool ok = false;
    const unsigned char usage = keyUsageFromName(rest, isMacLayout, &ok);
    if (!ok)
        return refused(QStringLiteral("unknown key name \"%1\"").arg(name));
    return accepted(KnobAction::key(mask, usage));
}

QString modifiersAloneModelName(unsigned char mask)
{
    static const char *const tokens[8] = {"Ctrl+",      "Shift+",      "Alt+",      "Win+",
                                          "RightCtrl+", "RightShift+", "RightAlt+", "RightWin+"};
    QString out;
    for (int bit = 0; bit < 8; ++bit) {
        if (mask & (1u << bit))
            out += QLatin1String(tokens[bit]);
    }
    return out;
}

QString actionDisplayName(const KnobAction &action, bool isMacLayout)
{
    switch (action.kind) {
    case KnobAction::Named:
        return actionFileName(action.sourceName);
    case KnobAction::ModifiersAlone: {
        const QString single = trailingModifierName(action.modifiers, isMacLayout);
        return single.isEmpty() ? modifiersAloneModelName(action.modifiers) : single;
    }
    case KnobAction::Key:
        if (action.modifiers == 0)
            return keyCodeToString(action.usage, isMacLayout);
        return standardCombinationFromPacket(action.modifiers, action.usage, isMacLayout);
    }
    return QString();
}

std::optional<bool> layoutOfActionName(const QString &name)
{
    const ActionNameResult r = actionFromName(name, false);
    if (!r.ok)
        return std::nullopt;
    const bool mac = actionDisplayName(r.action, true) == name;
    if (mac == (actionDisplayName(r.action, false) == name))
        return std::nullopt;
    return mac;
}

bool actionNameIsAmbiguous(const KnobAction &action, bool isMacLayout)
{
    const ActionNameResult back = actionFromName(actionDisplayName(action, isMacLayout), isMacLayout);
    return !back.ok || !back.action.sameAction(action);
}
