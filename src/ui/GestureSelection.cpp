#include "ui/GestureSelection.h"

#include "ui/KnobEditor.h"

void GestureSelection::select(int gesture)
{
    if (gesture < 1 || gesture > 5)
        gesture = 0;
    if (gesture == m_current)
        return;
    m_current = gesture;
    emit changed(gesture);
}

void followSelectedGesture(QObject *receiver, const KnobEditor *editor, const GestureSelection *selection,
                           const std::function<void(const QList<KnobAction> &held)> &show)
{
    const auto update = [editor, selection, show] { show(editor->gesture(selection->current())); };
    QObject::connect(editor, &KnobEditor::gestureChanged, receiver, update);
    QObject::connect(editor, &KnobEditor::documentReplaced, receiver, update);
    QObject::connect(selection, &GestureSelection::changed, receiver, update);
    update();
}
