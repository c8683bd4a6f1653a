#pragma once

#include "protocol/knobdocument.h"
#include "protocol/knobstoragerules.h"

#include <QObject>

#include <optional>

class QUndoStack;

// The knob document the window edits, with its undo history. It is the
// document's only writer: every edit goes through here and is judged by what
// the knob can store, and whoever shows the document follows gestureChanged and
// documentReplaced. What the knob sends is loaded outside the history.
class KnobEditor : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KnobEditor)

public:
    explicit KnobEditor(QObject *parent = nullptr);

    static bool validGesture(int k) { return k >= 1 && k <= kKnobKeyCount; }

    // What a save writes and a file holds: the actions, the light and the layout.
    const KnobDocument &document() const { return m_document; }
    // The actions of gesture k (1..5), each with its delay; none for any other k.
    const QList<KnobAction> &gesture(int k) const;
    // The light goes to the knob at once and the layout only names keys, so
    // neither is part of the history.
    const std::optional<LightSettings> &light() const { return m_document.light; }
    void setLight(const LightSettings &light);
    bool isMacLayout() const { return m_document.isMacLayout; }
    void setMacLayout(bool mac);
    QUndoStack *undoStack() const { return m_undo; }
    // The document holds edits the knob does not have, or edits are kept aside
    // for a knob that went away.
    bool hasUnsavedEdits() const;
    void setKeptEdits(bool kept);

    struct Result
    {
        bool changed = false;
        bool replacedOthers = false;               // the key's other actions had to go
        StorageRule refusedBy = StorageRule::None; // nothing changed because of this rule
    };
    // Appends a plain key value or a name to physical key k. A media, mouse or
    // drawing-app action replaces the key's actions, and a keyboard key
    // replaces such an action; an edit the knob could not store is refused.
    Result addKeyCode(int k, unsigned short value);
    Result addName(int k, const QString &name);
    bool removeAction(int k, int index);
    bool removeLastAction(int k);
    bool clearKey(int k);
    void resetToDefaults();
    // One undo step; the delay is kept within what the slot accepts.
    bool setDelay(int k, int slot, int ms);
    // Replaces every gesture as one undoable edit (edits that outlived an
    // unplug); light and layout stay.
    bool replaceGestures(const QString &text, const KnobDocument::Gestures &gestures);
    // The actions of a document (an imported file) as one undoable edit.
    bool replaceDocument(const QString &text, const KnobDocument &document);

    // The given gestures as the knob holds them: not undoable, the history is
    // gone and nothing is unsaved.
    void loadFromDevice(const KnobDocument &document, const QList<int> &gestures);
    // A point in the history, and taking back every edit made after it (edits
    // that turned out to be something else, such as the clicks of an unlock).
    int historyMark() const;
    void withdrawEditsSince(int mark);
    // The given gestures as a save's read-back has them, outside the history:
    // edits made while the save ran stay undoable.
    void adoptReadBack(const KnobDocument &document, const QList<int> &gestures);
    // What the knob held at the last read or confirmed save, and marking the
    // document as that.
    const KnobDocument::Gestures &heldByKnob() const { return m_heldByKnob; }
    void markHeldByKnob() { m_heldByKnob = m_document.keys; }
    // A fresh read: the history is gone and the document is what the knob holds.
    void clearHistory();
    // The knob confirmed it holds the document.
    void markSaved();

Q_SIGNALS:
    // Gesture k (1..5) holds other actions or delays.
    void gestureChanged(int k);
    // Anything may have changed.
    void documentReplaced();
    void lightChanged();
    void layoutChanged();
    void unsavedEditsChanged(bool unsaved);

private:
    friend class KnobEditCommand;
    // For the undo commands: the gestures of a step, and whether the step
    // replaced them whole.
    void setGestures(const KnobDocument::Gestures &gestures, bool whole);
    Result add(int k, KnobAction action);
    bool push(const QString &text, const KnobDocument::Gestures &after, bool whole = false);
    void reportUnsavedEdits();

    // The light is none until the knob sent one or the user chose one.
    KnobDocument m_document;
    KnobDocument::Gestures m_heldByKnob;
    QUndoStack *m_undo = nullptr;
    bool m_keptEdits = false;
    bool m_reportedUnsaved = false;
};
