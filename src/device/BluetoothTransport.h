#pragma once

#include "device/KnobTransport.h"

#include <QString>

#include <atomic>
#include <mutex>

// The Bluetooth link: every write is one run of the helper program with the
// reports on its command line. Runs on whatever thread calls it (a worker for
// saves and lighting) and blocks it for the helper's run.
class BluetoothTransport final : public KnobTransport
{
public:
    BluetoothTransport() = default;

    bool isUp() const override;
    int writeReports(const std::vector<Packet> &reports) override;
    bool writesWholeSaveAtOnce() const override { return true; }

    void setUp(bool up) { m_up = up; }
    void setAddress(const QString &address);
    QString address() const;
    void setHelperDirectory(const QString &directory);
    // While the connect run reads the configuration every write is refused:
    // the device answers one conversation at a time.
    void setConnectRunActive(bool active) { m_connectRunActive = active; }
    // A write run found the knob gone since this was last asked.
    bool takeLinkLost() { return m_linkLost.exchange(false); }

private:
    mutable std::mutex m_mutex;
    QString m_address;
    QString m_helperDirectory;
    std::atomic<bool> m_up{false};
    std::atomic<bool> m_connectRunActive{false};
    std::atomic<bool> m_linkLost{false};
};
