#pragma once

#include "device/KnobLink.h"
#include "protocol/KnobFirmware.h"

#include <atomic>
#include <deque>
#include <mutex>

// A knob that lives in the process, for trying the program without one: it
// runs the firmware model behind the same seam as the hidraw link, starts
// with a sample configuration, and answers reads like the device. Nothing
// here touches hidapi or Bluetooth.
class DemoKnobLink final : public KnobLink
{
public:
    DemoKnobLink();

    bool isUp() const override;
    int writeReports(const std::vector<Packet> &reports) override;
    bool writesWholeSaveAtOnce() const override { return false; }
    bool answersRequests() const override { return true; }
    QString knobIdentity() const override { return QStringLiteral("demo"); }
    bool overBluetooth() const override { return false; }
    unsigned long long generation() const override { return m_generation.load(); }
    void close() override;
    bool withPort(unsigned long long generation, const std::function<void(KnobPort &)> &f) override;
    int writeReportsOn(unsigned long long generation, const std::vector<Packet> &reports) override;

private:
    class Port;
    // Call with m_mutex held.
    int take(const unsigned char *data, std::size_t length);

    mutable std::mutex m_mutex;
    KnobFirmware m_firmware;
    std::deque<Packet> m_answers;
    bool m_up = true;
    std::atomic<unsigned long long> m_generation{1};
};
