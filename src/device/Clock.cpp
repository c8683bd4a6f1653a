#include "device/Clock.h"

#include <QTimer>

#include <chrono>

namespace {

class QtClockTimer final : public ClockTimer
{
public:
    QtClockTimer(Clock::Repeat repeat, std::function<void()> onTimeout)
    {
        m_timer.setSingleShot(repeat == Clock::Repeat::Once);
        QObject::connect(&m_timer, &QTimer::timeout, [f = std::move(onTimeout)] { f(); });
    }
    void start(int ms) override { m_timer.start(ms); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

class SystemClock final : public Clock
{
public:
    qint64 nowMs() const override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    std::unique_ptr<ClockTimer> makeTimer(Repeat repeat, std::function<void()> onTimeout) override
    {
        return std::make_unique<QtClockTimer>(repeat, std::move(onTimeout));
    }
};

} // namespace

std::shared_ptr<Clock> Clock::system()
{
    static const std::shared_ptr<Clock> clock = std::make_shared<SystemClock>();
    return clock;
}
