#pragma once

#include "protocol/knobdocument.h"

#include <QUndoCommand>

class KnobEditor;

// One edit of the knob document as the undo history keeps it: every gesture's
// actions before and after. Five gestures of at most 18 actions are cheap to
// copy, and a whole copy restores exactly what was there, delays included.
class KnobEditCommand : public QUndoCommand
{
public:
    KnobEditCommand(KnobEditor *editor, const QString &text, const KnobDocument::Gestures &before,
                    const KnobDocument::Gestures &after, bool whole);
    Q_DISABLE_COPY_MOVE(KnobEditCommand)

    void undo() override;
    void redo() override;

private:
    KnobEditor *m_editor;
    KnobDocument::Gestures m_before;
    KnobDocument::Gestures m_after;
    bool m_whole;
};
