#include "ui/KnobModelCommand.h"

#include "ui/KnobEditor.h"

KnobModelCommand::KnobModelCommand(KnobEditor *editor, const QString &text, const KnobModel &before,
                                   const KnobModel &after)
    : QUndoCommand(text), m_editor(editor), m_before(before), m_after(after)
{}

void KnobModelCommand::undo()
{
    m_editor->setModel(m_before);
}

void KnobModelCommand::redo()
{
    m_editor->setModel(m_after);
}
