#pragma once

#include "focus/FocusWatcher.h"

// A desktop the test drives: bring() puts an application in front.
class FakeFocusWatcher final : public FocusWatcher
{
public:
    explicit FakeFocusWatcher(State state = State::Answering) : m_state(state) {}

    QString backendName() const override { return QStringLiteral("fake"); }
    State state() const override { return m_state; }
    QString reason() const override
    {
        return m_state == State::Unavailable ? QStringLiteral("no desktop") : QString();
    }
    FocusedApp current() const override { return m_current; }

    void bring(const QString &appId, qint64 pid = 4242)
    {
        m_current = FocusedApp{appId, appId + QStringLiteral("-class"), appId, pid};
        emit focusChanged(m_current);
    }

private:
    State m_state;
    FocusedApp m_current;
};
