#include "device/deviceworkers.h"

#include <chrono>

#include <QMetaObject>

#include <system_error>
#include <thread>

DeviceWorkers::DeviceWorkers(QObject *owner) : m_mailbox(new DeviceWorkerMailbox(this, owner)) {}

// The mailbox is a child of the owner and goes with it.
DeviceWorkers::~DeviceWorkers() = default;

bool DeviceWorkers::start(std::function<void()> job)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_shuttingDown)
            return false;
        ++m_running;
    }
    auto self = shared_from_this();
    try {
        std::thread([self, job = std::move(job)]() mutable {
            // The job and everything it captured are gone before the count
            // drops, so nothing of it outlives waitForAll().
            {
                std::function<void()> run;
                run.swap(job);
                run();
            }
            std::lock_guard<std::mutex> lock(self->m_mutex);
            if (--self->m_running == 0)
                self->m_idle.notify_all();
        }).detach();
    } catch (const std::system_error &) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (--m_running == 0)
            m_idle.notify_all();
        return false;
    }
    return true;
}

bool DeviceWorkers::post(std::function<void()> f)
{
    DeviceWorkerMailbox *mailbox = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_shuttingDown)
            return false;
        m_results.push_back(std::move(f));
        mailbox = m_mailbox.data();
    }
    // The mailbox outlives every running worker: the owner waits for them
    // before it is destroyed.
    if (mailbox)
        QMetaObject::invokeMethod(mailbox, "drain", Qt::QueuedConnection);
    return true;
}

void DeviceWorkers::drain()
{
    for (;;) {
        std::function<void()> next;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_results.empty())
                return;
            next = std::move(m_results.front());
            m_results.pop_front();
        }
        next();
    }
}

bool DeviceWorkers::shuttingDown() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_shuttingDown;
}

int DeviceWorkers::running() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_running;
}

void DeviceWorkers::beginShutdown()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shuttingDown = true;
}

bool DeviceWorkers::waitForAll(int timeoutMs)
{
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_idle.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_running == 0; }))
            return false;
    }
    waitForAll();
    return true;
}

void DeviceWorkers::waitForAll()
{
    std::deque<std::function<void()>> dropped;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_idle.wait(lock, [this] { return m_running == 0; });
        dropped.swap(m_results);
    }
    // Destroyed outside the lock: a dropped result may release a device handle.
    dropped.clear();
}
