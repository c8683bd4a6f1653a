#include "ui/KnobEditor.h"

#include "ui/KnobModelCommand.h"

#include <QUndoStack>

#include <utility>

KnobEditor::KnobEditor(QObject *parent) : QObject(parent), m_undo(new QUndoStack(this))
{
    connect(m_undo, &QUndoStack::cleanChanged, this, &KnobEditor::reportUnsavedEdits);
}

bool KnobEditor::hasUnsavedEdits() const
{
    return !m_undo->isClean() || m_keptEdits;
}

void KnobEditor::setKeptEdits(bool kept)
{
    m_keptEdits = kept;
    reportUnsavedEdits();
}

void KnobEditor::reportUnsavedEdits()
{
    const bool unsaved = hasUnsavedEdits();
    if (unsaved == m_reportedUnsaved)
        return;
    m_reportedUnsaved = unsaved;
    emit unsavedEditsChanged(unsaved);
}

void KnobEditor::setModel(const KnobModel &model, bool whole)
{
    const KnobModel before = std::exchange(m_model, model);
    if (whole) {
        emit documentReplaced();
        return;
    }
    for (int k = 1; k <= kKnobKeyCount; ++k) {
        if (before.key(k) != m_model.key(k))
            emit gestureChanged(k);
    }
}

bool KnobEditor::push(const QString &text, const KnobModel &after, bool whole)
{
    if (after == m_model)
        return false;
    m_undo->push(new KnobModelCommand(this, text, m_model, after, whole));
    return true;
}

KnobEditor::Result KnobEditor::add(int k, const KnobModel &appended, bool standalone, const QString &name)
{
    Result r;
    if (!KnobModel::validKey(k))
        return r;
    const KnobKeyModel &current = m_model.key(k);
    KnobModel after = appended;
    StorageCheck check = checkModelKey(after.key(k), m_isMacLayout);
    if (check.rule == StorageRule::ActionAlone || (standalone && !current.isEmpty())) {
        // Only one of the two can stay: the newest choice wins.
        after = m_model;
        if (standalone) {
            after.replaceWithAction(k, name);
        } else {
            after.clearActions(k);
            const KnobKeyModel &added = appended.key(k);
            if (!added.keyCodes.isEmpty())
                after.key(k).keyCodes << added.keyCodes.last();
            else
                after.key(k).combinations << added.combinations.last();
            after.key(k).displayNames << added.displayNames.last();
        }
        // Swapping one stand-alone action for another loses nothing else.
        const bool onlyStandalone = current.keyCodes.isEmpty() && current.combinations.size() == 1 &&
                                    storageOfName(current.combinations.first()) == ActionStorage::Standalone;
        r.replacedOthers = !(standalone && onlyStandalone);
        check = checkModelKey(after.key(k), m_isMacLayout);
    }
    if (!check.ok()) {
        r.refusedBy = check.rule;
        r.replacedOthers = false;
        return r;
    }
    r.changed = push(QStringLiteral("add"), after);
    return r;
}

KnobEditor::Result KnobEditor::addKeyCode(int k, unsigned short value)
{
    if (!KnobModel::validKey(k))
        return {};
    KnobModel after = m_model;
    after.addKeyCode(k, value, m_isMacLayout);
    return add(k, after, false, QString());
}

KnobEditor::Result KnobEditor::addName(int k, const QString &name)
{
    if (!KnobModel::validKey(k))
        return {};
    KnobModel after = m_model;
    after.addCombination(k, name);
    return add(k, after, storageOfName(name) == ActionStorage::Standalone, name);
}

bool KnobEditor::removeAction(int k, int index)
{
    if (!KnobModel::validKey(k))
        return false;
    KnobModel after = m_model;
    return after.removeAction(k, index, m_isMacLayout) && push(QStringLiteral("remove"), after);
}

bool KnobEditor::removeLastAction(int k)
{
    if (!KnobModel::validKey(k))
        return false;
    return removeAction(k, int(m_model.key(k).displayNames.size()) - 1);
}

bool KnobEditor::clearKey(int k)
{
    if (!KnobModel::validKey(k))
        return false;
    KnobModel after = m_model;
    // A cleared gesture starts afresh: keys added to it later must not take
    // the old delays with them into the next save.
    after.key(k).clear();
    return push(QStringLiteral("clear"), after);
}

void KnobEditor::resetToDefaults()
{
    KnobModel after = m_model;
    after.resetToDefaults();
    push(QStringLiteral("reset"), after);
}

bool KnobEditor::setDelay(int k, int slot, int ms)
{
    if (!KnobModel::validKey(k) || slot < 0 || slot >= kMaxVirtualKeys)
        return false;
    KnobModel after = m_model;
    after.key(k).delays[slot] = KnobModel::clampDelay(slot, ms);
    return push(QStringLiteral("delay"), after);
}

bool KnobEditor::replaceModel(const QString &text, const KnobModel &model)
{
    return push(text, model, true);
}

KnobDocument KnobEditor::document() const
{
    return documentFromSnapshot(m_model.snapshot(m_isMacLayout), m_light);
}

bool KnobEditor::replaceDocument(const QString &text, const KnobDocument &document)
{
    return replaceModel(text, KnobModel::fromDocument(document, m_isMacLayout));
}

void KnobEditor::loadFromDevice(const KnobDocument &document, const QList<int> &gestures)
{
    KnobModel loaded = m_model;
    loaded.storeFromDocument(document, gestures);
    m_undo->clear();
    setModel(loaded, false);
}

void KnobEditor::adoptReadBack(const KnobDocument &document, const QList<int> &gestures)
{
    KnobModel held = m_model;
    held.storeFromDocument(document, gestures);
    setModel(held, true);
}

void KnobEditor::setLight(const LightSettings &light)
{
    if (m_light == light)
        return;
    m_light = light;
    emit lightChanged();
}

void KnobEditor::setMacLayout(bool mac)
{
    if (m_isMacLayout == mac)
        return;
    m_isMacLayout = mac;
    emit layoutChanged();
}

int KnobEditor::historyMark() const
{
    return m_undo->index();
}

void KnobEditor::withdrawEditsSince(int mark)
{
    if (mark >= 0 && mark < m_undo->index())
        m_undo->setIndex(mark);
}

void KnobEditor::clearHistory()
{
    m_undo->clear();
}

void KnobEditor::markSaved()
{
    m_undo->setClean();
}
