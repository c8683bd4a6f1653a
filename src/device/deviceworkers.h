#pragma once

#include <QObject>
#include <QPointer>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class DeviceWorkerMailbox;

// Book-keeping for the detached threads that talk to the device. The owner
// (the session) waits for them before it closes the hidapi library, and a
// worker posts its result only while the owner is not shutting down, so a
// result either reaches a live owner or is dropped (and its resources
// released) during the owner's shutdown.
//
// Results travel through a queue guarded by our own mutex rather than inside
// Qt's posted events, so the hand-over is a plain lock that race detectors
// can see; the posted event only says "look at the queue".
class DeviceWorkers : public std::enable_shared_from_this<DeviceWorkers>
{
public:
    // Results are run on owner's thread, in the order they were posted.
    explicit DeviceWorkers(QObject *owner);
    ~DeviceWorkers();
    Q_DISABLE_COPY_MOVE(DeviceWorkers)

    // Runs job on a detached thread. False when shutdown has begun or no
    // thread could be created; job has not run then.
    bool start(std::function<void()> job);

    // Queues f to run on the owner's thread unless shutdown has begun; false
    // when it was not queued.
    bool post(std::function<void()> f);

    // Runs work(*this) on a detached thread and then done(result) on the
    // owner's thread; work may post(...) along the way. Neither runs once
    // shutdown has begun. False as for start().
    template <typename Work, typename Done> bool run(Work work, Done done)
    {
        // The thread holds these workers until the job returns, so `this` stays valid.
        return start([this, work = std::move(work), done = std::move(done)]() mutable {
            if (shuttingDown())
                return;
            auto result = work(*this);
            post([done = std::move(done), result = std::move(result)] { done(result); });
        });
    }

    bool shuttingDown() const;
    int running() const;

    // No posts after this returns.
    void beginShutdown();
    // Blocks until every started job has returned, then drops the results
    // nobody will run.
    void waitForAll();
    // The same for at most timeoutMs; false (nothing dropped) when some job still runs.
    bool waitForAll(int timeoutMs);

    // Runs the queued results (owner's thread).
    void drain();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_idle;
    int m_running = 0;
    bool m_shuttingDown = false;
    std::deque<std::function<void()>> m_results;
    QPointer<DeviceWorkerMailbox> m_mailbox;
};

// Lives on the owner's thread; a queued call to drain() wakes it.
class DeviceWorkerMailbox : public QObject
{
    Q_OBJECT
public:
    DeviceWorkerMailbox(DeviceWorkers *workers, QObject *parent) : QObject(parent), m_workers(workers) {}
    Q_INVOKABLE void drain() { m_workers->drain(); }

private:
    DeviceWorkers *m_workers;
};
