#include "ui/actiontext.h"

#include "protocol/actionnames.h"
#include "ui/pages/pagevocabulary.h"
#include "ui/uitext.h"

#include <QHash>

namespace {

bool isSingleModifierAlone(const KnobAction &a)
{
    return a.kind == KnobAction::ModifiersAlone && (a.modifiers & (a.modifiers - 1)) == 0;
}

// The combination page's own spelling of an action where the knob's names
// differ from it (F17 and up, modifiers held together). A lone modifier keeps
// the layout's name, as the keyboard page gives it.
const QHash<QString, QString> &pageSpellings(bool isMacLayout)
{
    static const auto build = [](bool mac) {
        QHash<QString, QString> byId;
        for (const QString &name : combinationPageStrings()) {
            const ActionNameResult r = actionFromName(name, mac);
            if (r.ok && r.action.kind != KnobAction::Named && !isSingleModifierAlone(r.action) &&
                !byId.contains(r.action.id()))
                byId.insert(r.action.id(), name);
        }
        return byId;
    };
    static const QHash<QString, QString> mac = build(true), windows = build(false);
    return isMacLayout ? mac : windows;
}

} // namespace

QString actionText(const KnobAction &action, bool isMacLayout)
{
    const QString spelled = pageSpellings(isMacLayout).value(action.id());
    return actionLabel(spelled.isEmpty() ? actionDisplayName(action, isMacLayout) : spelled);
}

QStringList actionTexts(const QList<KnobAction> &actions, bool isMacLayout)
{
    QStringList texts;
    for (const KnobAction &a : actions)
        texts << actionText(a, isMacLayout);
    return texts;
}

QString textBoxDisplayText(const QString &name)
{
    QString text = name;
    text.replace(QStringLiteral("RightCtrl"), QStringLiteral("Ctrl"));
    text.replace(QStringLiteral("RightShift"), QStringLiteral("Shift"));
    text.replace(QStringLiteral("RightAlt"), QStringLiteral("Alt"));
    text.replace(QStringLiteral("RightWin"), QStringLiteral("Win"));
    text.replace(QStringLiteral("RightControl"), QStringLiteral("control"));
    text.replace(QStringLiteral("RightCommand"), QStringLiteral("command"));
    text.replace(QStringLiteral("RightOption"), QStringLiteral("option"));
    return actionLabel(text);
}
