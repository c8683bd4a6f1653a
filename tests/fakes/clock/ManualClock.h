#pragma once

#include "device/Clock.h"

#include <algorithm>
#include <vector>

// A clock that moves only when a test advances it; timers due at the same
// moment fire in the order they were made.
class ManualClock final : public Clock
{
public:
    qint64 nowMs() const override { return m_now; }

    std::unique_ptr<ClockTimer> makeTimer(Repeat repeat, std::function<void()> onTimeout) override
    {
        auto timer = std::make_unique<Timer>(this, repeat, std::move(onTimeout));
        m_timers.push_back(timer.get());
        return timer;
    }

    // Fires every timer that falls due within ms, at its moment.
    void advance(qint64 ms)
    {
        const qint64 end = m_now + ms;
        for (;;) {
            Timer *next = nullptr;
            for (Timer *t : m_timers) {
                if (t->due >= 0 && t->due <= end && (!next || t->due < next->due))
                    next = t;
            }
            if (!next)
                break;
            m_now = next->due;
            next->due = next->repeat == Repeat::Every ? m_now + std::max(next->interval, 1) : -1;
            next->onTimeout();
        }
        m_now = end;
    }

private:
    struct Timer final : ClockTimer
    {
        Timer(ManualClock *c, Repeat r, std::function<void()> f)
            : clock(c), repeat(r), onTimeout(std::move(f))
        {}
        ~Timer() override
        {
            auto &all = clock->m_timers;
            all.erase(std::remove(all.begin(), all.end(), this), all.end());
        }
        void start(int ms) override
        {
            interval = ms;
            due = clock->m_now + ms;
        }
        void stop() override { due = -1; }
        bool isActive() const override { return due >= 0; }

        ManualClock *clock;
        Repeat repeat;
        std::function<void()> onTimeout;
        int interval = 0;
        qint64 due = -1;
    };

    qint64 m_now = 0;
    std::vector<Timer *> m_timers;
};
