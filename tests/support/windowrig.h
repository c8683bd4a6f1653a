#pragma once

// The real window around a knob session on the simulated knob, driven the way
// a user drives it: click a physical key's label, a key of the keyboard page,
// Save; read the toast.

#include "device/KnobSession.h"
#include "fakes/clock/ManualClock.h"
#include "support/configtestsupport.h"
#include "ui/MainLayoutWidget.h"
#include "ui/pages/KeyboardWidget.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

struct WindowRig
{
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    KnobSession session{clock};
    MainLayoutWidget window{&session};
    QSignalSpy reads{&session, &KnobSession::configReadFinished};
    QSignalSpy saves{&session, &KnobSession::saveFinished};

    ~WindowRig() { session.shutdown(); }

    // Scans unless the link is already up, then waits for its first read.
    bool connect(int timeoutMs = 15000)
    {
        if (!session.isConnected())
            session.connectNow();
        return QTest::qWaitFor([&] { return session.isConnected() && !reads.isEmpty(); }, timeoutMs);
    }
    // The session's presence ticks, 100 ms at a time, until done() holds.
    bool stepUntil(const std::function<bool()> &done, int ticks = 300)
    {
        session.start();
        for (int i = 0; i < ticks && !done(); ++i) {
            clock->advance(100);
            QTest::qWait(5);
        }
        return done();
    }
    // One period of the liveness probe.
    void livenessPeriod()
    {
        session.start();
        clock->advance(1000);
    }
    QLabel *knobLabel(int knobKey) const
    {
        return window.findChild<QLabel *>(QStringLiteral("knobKeyLabel%1").arg(knobKey));
    }
    bool select(int knobKey)
    {
        QTest::mouseClick(knobLabel(knobKey), Qt::LeftButton);
        return knobview::selectedKey(window) == knobKey;
    }
    void clickKey(unsigned short usage) { emit window.findChild<KeyboardWidget *>()->keyClicked(usage); }
    // Presses Save; the result of that save, false when none came.
    bool save(int timeoutMs = 30000)
    {
        const qsizetype before = saves.size();
        window.findChild<QPushButton *>(QStringLiteral("saveButton"))->click();
        return QTest::qWaitFor([&] { return saves.size() > before; }, timeoutMs) &&
               saves.last().at(0).toBool();
    }
    QString toastTitle() const
    {
        const auto *title = window.findChild<QLabel *>(QStringLiteral("toastTitle"));
        return title ? title->text() : QString();
    }
};
