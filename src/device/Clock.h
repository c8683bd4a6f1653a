#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

// A timer of a Clock. Its callback runs on the thread that made it, once or
// at every interval, until it is stopped or destroyed.
class ClockTimer
{
public:
    ClockTimer() = default;
    virtual ~ClockTimer() = default;
    Q_DISABLE_COPY_MOVE(ClockTimer)

    // (Re)starts it: the first call comes ms from now.
    virtual void start(int ms) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// The session's own time: the presence ticks, the first connection attempt
// and the pause that gathers colour changes. Tests step a clock of their own
// instead of waiting; the workers' write pacing keeps to real time.
class Clock
{
public:
    enum class Repeat
    {
        Once,
        Every
    };

    Clock() = default;
    virtual ~Clock() = default;
    Q_DISABLE_COPY_MOVE(Clock)

    virtual qint64 nowMs() const = 0;
    virtual std::unique_ptr<ClockTimer> makeTimer(Repeat repeat, std::function<void()> onTimeout) = 0;

    // Real time, on QTimer and the monotonic clock.
    static std::shared_ptr<Clock> system();
};
