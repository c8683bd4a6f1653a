#pragma once

#include <QObject>
#include <QPointer>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class DeviceWorkerMailbox;

// Book-keeping for the detached threads that talk to the USB device. The
// window waits for them before it closes the hidapi library, and a worker
// posts its result only while the window is not being destroyed, so a result
// either reaches a live window or is dropped (and its resources released)
// during the window's shutdown.
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

    bool shuttingDown() const;
    int running() const;

    // No posts after this returns.
    void beginShutdown();
    // Blocks until every started job has returned, then drops the results
    // nobody will run.
    void waitForAll();

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
