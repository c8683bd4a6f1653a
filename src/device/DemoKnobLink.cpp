#include "device/DemoKnobLink.h"

#include "device/KnobPort.h"
#include "protocol/packets.h"

#include <algorithm>
#include <chrono>
#include <thread>

class DemoKnobLink::Port final : public KnobPort
{
public:
    explicit Port(DemoKnobLink &knob) : m_knob(knob) {}
    int write(const unsigned char *data, std::size_t length) override { return m_knob.take(data, length); }
    int read(unsigned char *buffer, std::size_t size, int timeoutMs) override
    {
        if (m_knob.m_answers.empty()) {
            // Nothing more is coming: the answers of a request are queued whole.
            std::this_thread::sleep_for(std::chrono::milliseconds(std::max(0, timeoutMs)));
            return 0;
        }
        const Packet answer = std::move(m_knob.m_answers.front());
        m_knob.m_answers.pop_front();
        const std::size_t n = std::min(size, answer.size());
        std::copy(answer.begin(), answer.begin() + n, buffer);
        return static_cast<int>(n);
    }
    QString errorText() const override { return QString(); }

private:
    DemoKnobLink &m_knob;
};

DemoKnobLink::DemoKnobLink()
{
    // The sample: volume on the turns, undo and redo on the pressed turns,
    // mute on the press, and an orange light.
    const unsigned char ctrl = 0x01;
    const unsigned char shift = 0x02;
    const unsigned short keyZ = 0x1D;
    const std::vector<Packet> sample = {
        buildMultimediaKeyPacket(commandCodeForKnobKey(1), 0x00EA),
        buildMultimediaKeyPacket(commandCodeForKnobKey(2), 0x00E9),
        buildStandardKeyPacket(commandCodeForKnobKey(3), keyZ, ctrl),
        buildStandardKeyPacket(commandCodeForKnobKey(4), keyZ, ctrl | shift),
        buildMultimediaKeyPacket(commandCodeForKnobKey(5), 0x00E2),
        buildColorPacket(0xFF, 0x80, 0x00, 60, true),
    };
    for (const Packet &report : sample)
        m_firmware.receive(report.data(), report.size());
}

bool DemoKnobLink::isUp() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_up;
}

int DemoKnobLink::take(const unsigned char *data, std::size_t length)
{
    if (!m_up || length == 0)
        return -1;
    if (m_firmware.receive(data, length)) {
        const std::vector<Packet> answers = m_firmware.answers();
        m_answers.assign(answers.begin(), answers.end());
    }
    return static_cast<int>(length);
}

int DemoKnobLink::writeReports(const std::vector<Packet> &reports)
{
    return writeReportsOn(m_generation.load(), reports);
}

int DemoKnobLink::writeReportsOn(unsigned long long generation, const std::vector<Packet> &reports)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_generation != generation)
        return -1;
    int result = -1;
    for (const Packet &report : reports) {
        const int written = take(report.data(), report.size());
        if (result < 0)
            result = written;
    }
    return result;
}

void DemoKnobLink::close()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_up = false;
    m_answers.clear();
    ++m_generation;
}

bool DemoKnobLink::withPort(unsigned long long generation, const std::function<void(KnobPort &)> &f)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_up || m_generation != generation)
        return false;
    Port port(*this);
    f(port);
    return true;
}
