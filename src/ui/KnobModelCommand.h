#pragma once

#include "protocol/KnobModel.h"

#include <QUndoCommand>

class KnobEditor;

// One edit of the knob model as the undo history keeps it: the whole model
// before and after. Five keys of at most 18 entries are cheap to copy, and a
// whole copy restores exactly what was there, delays included.
class KnobModelCommand : public QUndoCommand
{
public:
    KnobModelCommand(KnobEditor *editor, const QString &text, const KnobModel &before, const KnobModel &after,
                     bool whole);
    Q_DISABLE_COPY_MOVE(KnobModelCommand)

    void undo() override;
    void redo() override;

private:
    KnobEditor *m_editor;
    KnobModel m_before;
    KnobModel m_after;
    bool m_whole;
};
