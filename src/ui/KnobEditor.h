#pragma once

#include "protocol/KnobModel.h"
#include "protocol/knobstoragerules.h"

#include <QObject>

class QUndoStack;

// The knob model the window edits, with its undo history. Every edit goes
// through here and is judged by what the knob can store; whoever shows the
// model follows modelChanged. Reads from the knob fill the model directly
// and then drop the history.
class KnobEditor : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KnobEditor)

public:
    explicit KnobEditor(QObject *parent = nullptr);

    KnobModel &model() { return m_model; }
    const KnobModel &model() const { return m_model; }
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
    Result addKeyCode(int k, unsigned short value, bool isMacLayout);
    Result addName(int k, const QString &name, bool isMacLayout);
    bool removeAction(int k, int index, bool isMacLayout);
    bool removeLastAction(int k, bool isMacLayout);
    bool clearKey(int k);
    void resetToDefaults();
    // The model already holds the new delay; `before` is the old one.
    void recordDelayEdit(int k, int slot, int before);
    // Replaces the whole model as one undoable edit (an imported file, edits
    // that outlived an unplug).
    bool replaceModel(const QString &text, const KnobModel &model);

    // A fresh read: the history is gone and the model is what the knob holds.
    void clearHistory();
    // The knob confirmed it holds the model.
    void markSaved();

    // For the undo commands.
    void setModel(const KnobModel &model);

Q_SIGNALS:
    void modelChanged();
    void unsavedEditsChanged(bool unsaved);

private:
    Result add(int k, const KnobModel &appended, bool standalone, const QString &name, bool isMacLayout);
    bool push(const QString &text, const KnobModel &after);
    void reportUnsavedEdits();

    KnobModel m_model;
    QUndoStack *m_undo = nullptr;
    bool m_keptEdits = false;
    bool m_reportedUnsaved = false;
};
