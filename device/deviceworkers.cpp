#include "device/deviceworkers.h"

#include <system_error>
#include <thread>

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
        std::thread([self, job = std::move(job)] {
            job();
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

void DeviceWorkers::waitForAll()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_running == 0; });
}
