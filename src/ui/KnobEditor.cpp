#include "ui/KnobEditor.h"

#include "ui/KnobEditCommand.h"

#include "protocol/actionnames.h"

#include <QUndoStack>

#include <utility>

KnobEditor::KnobEditor(QObject *parent) : QObject(parent), m_undo(new QUndoStack(this))
{
#ifndef Q_OS_MACOS
    // Keyboards on other systems are PC keyboards: Ctrl and Alt, not command and option.
    m_document.isMacLayout = false;
#endif
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

namespace {

// Delays as the delay page accepts them, whoever supplied them.
QList<KnobAction> withClampedDelays(QList<KnobAction> actions)
{
    for (int v = 0; v < actions.size() && v < kMaxVirtualKeys; ++v)
        actions[v].delayMs = clampedDelay(v, actions[v].delayMs);
    return actions;
}

bool isStandalone(const KnobAction &a)
{
    return a.kind == KnobAction::Named && storageOfName(a.sourceName) == ActionStorage::Standalone;
}

} // namespace

const QList<KnobAction> &KnobEditor::gesture(int k) const
{
    static const QList<KnobAction> none;
    return validGesture(k) ? m_document.keys[k - 1] : none;
}

void KnobEditor::setGestures(const KnobDocument::Gestures &gestures, bool whole)
{
    const KnobDocument::Gestures before = std::exchange(m_document.keys, gestures);
    if (whole) {
        emit documentReplaced();
        return;
    }
    for (int k = 1; k <= kKnobKeyCount; ++k) {
        if (before[k - 1] != m_document.keys[k - 1])
            emit gestureChanged(k);
    }
}

bool KnobEditor::push(const QString &text, const KnobDocument::Gestures &after, bool whole)
{
    if (after == m_document.keys)
        return false;
    m_undo->push(new KnobEditCommand(this, text, m_document.keys, after, whole));
    return true;
}

KnobEditor::Result KnobEditor::add(int k, KnobAction action)
{
    Result r;
    const QList<KnobAction> &current = m_document.keys[k - 1];
    const bool standalone = isStandalone(action);
    KnobDocument::Gestures after = m_document.keys;
    action.delayMs = KnobAction::defaultDelay(int(current.size()));
    after[k - 1] << action;
    StorageCheck check = checkGestureStorage(after[k - 1]);
    if (check.rule == StorageRule::ActionAlone || (standalone && !current.isEmpty())) {
        // Only one of the two can stay: the newest choice wins, in the first
        // slot's delay.
        action.delayMs = current.isEmpty() ? 0 : current.first().delayMs;
        after[k - 1] = {action};
        // Swapping one stand-alone action for another loses nothing else.
        const bool onlyStandalone = current.size() == 1 && isStandalone(current.first());
        r.replacedOthers = !(standalone && onlyStandalone);
        check = checkGestureStorage(after[k - 1]);
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
    if (!validGesture(k))
        return {};
    return add(
        k, KnobAction::key(static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value & 0xFF)));
}

KnobEditor::Result KnobEditor::addName(int k, const QString &name)
{
    if (!validGesture(k))
        return {};
    const ActionNameResult r = actionFromName(name, m_document.isMacLayout);
    // A name no page binds (a lighting mode) is judged, and refused, as it is.
    return add(k, r.ok ? r.action : KnobAction::named(name));
}

bool KnobEditor::removeAction(int k, int index)
{
    if (!validGesture(k) || index < 0 || index >= m_document.keys[k - 1].size())
        return false;
    KnobDocument::Gestures after = m_document.keys;
    // The later actions move up a slot with their delays.
    after[k - 1].removeAt(index);
    return push(QStringLiteral("remove"), after);
}

bool KnobEditor::removeLastAction(int k)
{
    if (!validGesture(k))
        return false;
    return removeAction(k, int(m_document.keys[k - 1].size()) - 1);
}

bool KnobEditor::clearKey(int k)
{
    if (!validGesture(k))
        return false;
    KnobDocument::Gestures after = m_document.keys;
    after[k - 1].clear();
    return push(QStringLiteral("clear"), after);
}

void KnobEditor::resetToDefaults()
{
    // The factory assignment: volume down/up, brightness down/up and mute.
    static const char16_t *const kDefaults[kKnobKeyCount] = {u"音量-", u"音量+", u"屏幕亮度-", u"屏幕亮度+",
                                                             u"静音"};
    KnobDocument::Gestures after;
    for (int i = 0; i < kKnobKeyCount; ++i)
        after[i] = {KnobAction::named(QString::fromUtf16(kDefaults[i]))};
    push(QStringLiteral("reset"), after);
}

bool KnobEditor::setDelay(int k, int slot, int ms)
{
    if (!validGesture(k) || slot < 0 || slot >= kMaxVirtualKeys || slot >= m_document.keys[k - 1].size())
        return false;
    KnobDocument::Gestures after = m_document.keys;
    after[k - 1][slot].delayMs = clampedDelay(slot, ms);
    return push(QStringLiteral("delay"), after);
}

bool KnobEditor::replaceGestures(const QString &text, const KnobDocument::Gestures &gestures)
{
    KnobDocument::Gestures after;
    for (int i = 0; i < kKnobKeyCount; ++i)
        after[i] = withClampedDelays(gestures[i]);
    return push(text, after, true);
}

bool KnobEditor::replaceDocument(const QString &text, const KnobDocument &document)
{
    return replaceGestures(text, document.keys);
}

void KnobEditor::loadFromDevice(const KnobDocument &document, const QList<int> &gestures)
{
    KnobDocument::Gestures loaded = m_document.keys;
    for (int k : gestures) {
        if (validGesture(k))
            loaded[k - 1] = withClampedDelays(document.keys[k - 1]);
    }
    m_undo->clear();
    setGestures(loaded, false);
}

void KnobEditor::adoptReadBack(const KnobDocument &document, const QList<int> &gestures)
{
    KnobDocument::Gestures held = m_document.keys;
    for (int k : gestures) {
        if (validGesture(k))
            held[k - 1] = withClampedDelays(document.keys[k - 1]);
    }
    setGestures(held, true);
}

void KnobEditor::setLight(const LightSettings &light)
{
    if (m_document.light == light)
        return;
    m_document.light = light;
    emit lightChanged();
}

void KnobEditor::setMacLayout(bool mac)
{
    if (m_document.isMacLayout == mac)
        return;
    m_document.isMacLayout = mac;
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
