#pragma once

#include "device/KnobLink.h"

#include <QString>

#include <atomic>
#include <mutex>
#include <vector>

// The Bluetooth link: every write is one run of the helper program with the
// reports on its command line. Runs on whatever thread calls it (a worker for
// saves and lighting) and blocks it for the helper's run. Reading is the
// connect run's: what it brought back is handed out once, in the order a
// read's answers are applied.
class BluetoothTransport final : public KnobLink
{
public:
    BluetoothTransport() = default;

    bool isUp() const override;
    QString knobIdentity() const override;
    bool overBluetooth() const override { return true; }
    int writeReports(const std::vector<Packet> &reports) override;
    int writeReportsOn(unsigned long long generation, const std::vector<Packet> &reports) override;
    bool writesWholeSaveAtOnce() const override { return true; }
    bool answersRequests() const override { return false; }
    ConfigReadOutcome readConfiguration(unsigned long long generation,
                                        const std::function<void(const Packet &)> &onPacket) override;
    unsigned long long generation() const override { return m_generation.load(); }
    void close() override;
    // No port to lend: nothing is read or written outside a helper run.
    bool withPort(unsigned long long, const std::function<void(KnobPort &)> &) override { return false; }

    // Going down starts a new generation.
    void setUp(bool up);
    // What a connect run read, for the read that follows it.
    void setRunAnswers(const std::vector<Packet> &packets);
    void setAddress(const QString &address);
    // A write run found the knob gone since this was last asked.
    bool takeLinkLost() { return m_linkLost.exchange(false); }
    QString address() const;
    void setHelperDirectory(const QString &directory);
    // While the connect run reads the configuration every write is refused:
    // the device answers one conversation at a time.
    void setConnectRunActive(bool active) { m_connectRunActive = active; }

private:
    mutable std::mutex m_mutex;
    QString m_address;
    QString m_helperDirectory;
    std::vector<Packet> m_runAnswers;
    std::atomic<unsigned long long> m_generation{1};
    std::atomic<bool> m_up{false};
    std::atomic<bool> m_connectRunActive{false};
    std::atomic<bool> m_linkLost{false};
};
