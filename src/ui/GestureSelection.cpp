#include "ui/GestureSelection.h"

void GestureSelection::select(int gesture)
{
    if (gesture < 1 || gesture > 5)
        gesture = 0;
    if (gesture == m_current)
        return;
    m_current = gesture;
    emit changed(gesture);
}
