#include "protocol/KnobModel.h"

#include "protocol/actionnames.h"
#include "protocol/keyvocabulary.h"
#include "protocol/knobdocument.h"
#include "protocol/uitext.h"

#include <algorithm>

int KnobModel::virtualKeyCount(int knobKey) const
{
    const KnobKeyModel &k = key(knobKey);
    return int(k.keyCodes.size() + k.combinations.size());
}

void KnobModel::addKeyCode(int knobKey, unsigned short value, bool isMacLayout)
{
    KnobKeyModel &k = key(knobKey);
    k.keyCodes.append(value);
    k.displayNames.append(uiText(keyCodeToString(value, isMacLayout)));
}

void KnobModel::addCombination(int knobKey, const QString &name)
{
    KnobKeyModel &k = key(knobKey);
    k.combinations.append(name);
    k.displayNames.append(uiText(name));
}

void KnobModel::replaceWithAction(int knobKey, const QString &name)
{
    clearActions(knobKey);
    addCombination(knobKey, name);
}

void KnobModel::clearActions(int knobKey)
{
    KnobKeyModel &k = key(knobKey);
    k.keyCodes.clear();
    k.combinations.clear();
    k.displayNames.clear();
}

bool KnobModel::removeAction(int knobKey, int index, bool isMacLayout)
{
    KnobKeyModel &k = key(knobKey);
    if (index < 0 || index >= k.displayNames.size())
        return false;
    // The display list interleaves the two lists; walk it as a save packs it
    // to find which list entry `index` stands for.
    int p = 0, c = 0;
    for (int i = 0; i <= index; ++i) {
        const QString &entry = k.displayNames[i];
        const bool plain =
            p < k.keyCodes.size() && (entry == uiText(keyCodeToString(k.keyCodes[p], isMacLayout)) ||
                                      entry == uiText(keyCodeToString(k.keyCodes[p], !isMacLayout)) ||
                                      entry == keyCodeToString(k.keyCodes[p], isMacLayout));
        const bool name = !plain && c < k.combinations.size() &&
                          (entry == k.combinations[c] || entry == uiText(k.combinations[c]));
        if (i == index) {
            if (plain)
                k.keyCodes.removeAt(p);
            else if (name)
                k.combinations.removeAt(c);
            break;
        }
        p += plain ? 1 : 0;
        c += name ? 1 : 0;
    }
    k.displayNames.removeAt(index);
    for (int s = index; s + 1 < kMaxVirtualKeys; ++s)
        k.delays[s] = clampDelay(s, k.delays[s + 1]);
    k.delays[kMaxVirtualKeys - 1] = KnobKeyModel::defaultDelay(kMaxVirtualKeys - 1);
    return true;
}

void KnobModel::clearAll()
{
    for (KnobKeyModel &k : m_keys)
        k.clear();
}

void KnobModel::resetToDefaults()
{
    static const char *const kDefaults[kKnobKeyCount] = {"音量-", "音量+", "屏幕亮度-", "屏幕亮度+", "静音"};
    for (int i = 0; i < kKnobKeyCount; ++i) {
        m_keys[i].clear();
        addCombination(i + 1, QString::fromUtf8(kDefaults[i]));
    }
}

void KnobModel::storeActions(int knobKey, const QList<KnobAction> &actions, bool isMacLayout)
{
    KnobKeyModel &k = key(knobKey);
    k.clear();
    for (int v = 0; v < actions.size(); ++v) {
        const KnobAction &a = actions.at(v);
        if (a.kind == KnobAction::Key && a.modifiers == 0) {
            k.keyCodes.append(a.usage);
            k.displayNames.append(uiText(keyCodeToString(a.usage, isMacLayout)));
        } else {
            k.combinations.append(a.kind == KnobAction::Named ? a.sourceName
                                                              : actionDisplayName(a, isMacLayout));
            k.displayNames.append(uiText(k.combinations.last()));
        }
        if (v < kMaxVirtualKeys)
            k.delays[v] = clampDelay(v, a.delayMs);
    }
}

void KnobModel::storeFromDocument(const KnobDocument &document, const QList<int> &knobKeys)
{
    for (int k : knobKeys)
        storeActions(k, document.keys[k - 1], document.isMacLayout);
}

int KnobModel::clampDelay(int slot, int ms)
{
    return std::clamp(ms, KnobKeyModel::defaultDelay(slot), kMaxDelayMs);
}

KnobModelSnapshot KnobModel::snapshot(bool isMacLayout) const
{
    KnobModelSnapshot s;
    s.keys = m_keys;
    s.isMacLayout = isMacLayout;
    return s;
}

KnobModel KnobModel::fromDocument(const KnobDocument &document, bool isMacLayout)
{
    KnobModel model;
    for (int k = 1; k <= kKnobKeyCount; ++k) {
        const QList<KnobAction> &actions = document.keys[k - 1];
        for (int v = 0; v < actions.size(); ++v) {
            const KnobAction &a = actions[v];
            if (a.kind == KnobAction::Key)
                model.addKeyCode(k, a.keyValue(), isMacLayout);
            else if (a.kind == KnobAction::ModifiersAlone)
                model.addCombination(k, modifiersAloneModelName(a.modifiers));
            else
                model.addCombination(k, a.sourceName);
            if (v < kMaxVirtualKeys)
                model.key(k).delays[v] = clampDelay(v, a.delayMs);
        }
    }
    return model;
}
