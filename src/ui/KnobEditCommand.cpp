#include "ui/KnobEditCommand.h"

#include "ui/KnobEditor.h"

KnobEditCommand::KnobEditCommand(KnobEditor *editor, const QString &text,
                                 const KnobDocument::Gestures &before, const KnobDocument::Gestures &after,
                                 bool whole)
    : QUndoCommand(text), m_editor(editor), m_before(before), m_after(after), m_whole(whole)
{}

void KnobEditCommand::undo()
{
    m_editor->setGestures(m_before, m_whole);
}

void KnobEditCommand::redo()
{
    m_editor->setGestures(m_after, m_whole);
}
