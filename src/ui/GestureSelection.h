#pragma once

#include "protocol/knobaction.h"

#include <QList>
#include <QObject>

#include <functional>

class KnobEditor;

// Which of the five gestures the pages work on: 1..5, or 0 for none. Kept
// apart from the editor: choosing a gesture is no edit and has no undo.
class GestureSelection : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GestureSelection)

public:
    explicit GestureSelection(QObject *parent = nullptr) : QObject(parent) {}

    int current() const { return m_current; }
    // Anything outside 1..5 selects none.
    void select(int gesture);

Q_SIGNALS:
    void changed(int gesture);

private:
    int m_current = 0;
};

// Calls show with what the selected gesture holds (an empty gesture when none
// is selected) now and whenever that or the selection changes, for as long as
// receiver lives.
void followSelectedGesture(QObject *receiver, const KnobEditor *editor, const GestureSelection *selection,
                           const std::function<void(const QList<KnobAction> &held)> &show);
