#include "ui/KnobModelCommand.h"

#include "ui/KnobEditor.h"

KnobModelCommand::KnobModelCommand(KnobEditor *editor, const QString &text, const KnobModel &before,
                                   const KnobModel &after, bool whole)
    : QUndoCommand(text), m_editor(editor), m_before(before), m_after(after), m_whole(whole)
{}

void KnobModelCommand::undo()
{
    m_editor->setModel(m_before, m_whole);
}

void KnobModelCommand::redo()
{
    m_editor->setModel(m_after, m_whole);
}
