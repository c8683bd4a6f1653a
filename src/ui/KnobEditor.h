#pragma once

#include "protocol/KnobModel.h"
#include "protocol/knobdocument.h"
#include "protocol/knobstoragerules.h"

#include <QObject>

#include <optional>

class QUndoStack;

// The knob model the window edits, with its undo history. It is the model's
// only writer: every edit goes through here and is judged by what the knob can
// store, and whoever shows the model follows gestureChanged and
// documentReplaced. What the knob sends is loaded outside the history.
class KnobEditor : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KnobEditor)

public:
    explicit KnobEditor(QObject *parent = nullptr);

    const KnobModel &model() const { return m_model; }
    // What a save writes and a file holds: the actions, the light and the layout.
    KnobDocument document() const;
    // The light goes to the knob at once and the layout only names keys, so
    // neither is part of the history.
    const std::optional<LightSettings> &light() const { return m_light; }
    void setLight(const LightSettings &light);
    bool isMacLayout() const { return m_isMacLayout; }
    void setMacLayout(bool mac);
    QUndoStack *undoStack() const { return m_undo; }
    // The model holds edits the knob does not have, or edits are kept aside
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
    // Replaces the whole model as one undoable edit (an imported file, edits
    // that outlived an unplug).
    bool replaceModel(const QString &text, const KnobModel &model);
    // The actions of a document as one undoable edit; light and layout stay.
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
    // model as that.
    const KnobModel &heldByKnob() const { return m_heldByKnob; }
    void markHeldByKnob() { m_heldByKnob = m_model; }
    // A fresh read: the history is gone and the model is what the knob holds.
    void clearHistory();
    // The knob confirmed it holds the model.
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
    friend class KnobModelCommand;
    // For the undo commands: the model of a step, and whether the step
    // replaced it whole.
    void setModel(const KnobModel &model, bool whole);
    Result add(int k, const KnobModel &appended, bool standalone, const QString &name);
    bool push(const QString &text, const KnobModel &after, bool whole = false);
    void reportUnsavedEdits();

    KnobModel m_model;
    KnobModel m_heldByKnob;
    std::optional<LightSettings> m_light; // none until the knob sent one or the user chose one
#ifdef Q_OS_MACOS
    bool m_isMacLayout = true;
#else
    // Keyboards on other systems are PC keyboards: Ctrl and Alt, not command and option.
    bool m_isMacLayout = false;
#endif
    QUndoStack *m_undo = nullptr;
    bool m_keptEdits = false;
    bool m_reportedUnsaved = false;
};
