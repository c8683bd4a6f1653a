#pragma once

#include <QMetaObject>
#include <QObject>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// Book-keeping for the detached threads that talk to the USB device. The
// window waits for them before it closes the hidapi library, and a worker
// posts its result only while the window is not being destroyed, so a result
// either reaches a live window or is dropped with the window's posted events.
class DeviceWorkers : public std::enable_shared_from_this<DeviceWorkers>
{
public:
    DeviceWorkers() = default;
    Q_DISABLE_COPY_MOVE(DeviceWorkers)

    // Runs job on a detached thread. False when shutdown has begun or no
    // thread could be created; job has not run then.
    bool start(std::function<void()> job);

    // Queues f on target's thread unless shutdown has begun. Posting happens
    // under the lock that shutdown takes, so the window cannot start dying
    // between the check and the post.
    template <typename F> bool post(QObject *target, F &&f)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_shuttingDown || !target)
            return false;
        return QMetaObject::invokeMethod(target, std::forward<F>(f), Qt::QueuedConnection);
    }

    bool shuttingDown() const;
    int running() const;

    // No posts after this returns.
    void beginShutdown();
    // Blocks until every started job has returned.
    void waitForAll();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_idle;
    int m_running = 0;
    bool m_shuttingDown = false;
};
