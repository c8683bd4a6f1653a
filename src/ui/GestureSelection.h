#pragma once

#include <QObject>

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
