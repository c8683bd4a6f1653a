#pragma once

#include "device/KnobLink.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

#include <hidapi.h>

class KnobOwnerLock;

// The hidraw link (USB, or Bluetooth through the kernel's HID route): one open
// hidapi handle, the mutex every write and read on it is made under, and a
// generation that changes whenever the handle does, so a worker that copied
// the generation can tell the link it started on is gone.
class HidrawLink final : public KnobLink
{
public:
    HidrawLink() = default;
    ~HidrawLink() override;

    bool isUp() const override;
    int writeReports(const std::vector<Packet> &reports) override;
    bool writesWholeSaveAtOnce() const override { return false; }
    bool answersRequests() const override { return true; }
    QString knobIdentity() const override;
    bool overBluetooth() const override { return m_bluetooth.load(); }

    // Takes ownership of an open handle, and of the knob's owner lock for as
    // long as the handle stays open; knob: the lock's identity of the knob,
    // bluetooth: the node is on the Bluetooth bus. Returns the new generation.
    unsigned long long install(hid_device *handle, std::shared_ptr<KnobOwnerLock> ownerLock = nullptr,
                               const QString &knob = QString(), bool bluetooth = false);
    // Closes the handle (if any), then lets the knob go, and starts a new
    // generation, so every worker still holding the old one stops at its next check.
    void close() override;

    unsigned long long generation() const override { return m_generation.load(); }
    bool withPort(unsigned long long generation, const std::function<void(KnobPort &)> &f) override;
    int writeReportsOn(unsigned long long generation, const std::vector<Packet> &reports) override;

private:
    static constexpr unsigned long long kAnyGeneration = 0;
    int writeReportsLocked(unsigned long long generation, const std::vector<Packet> &reports,
                           QList<std::pair<QtMsgType, QString>> *lines);

    mutable std::mutex m_mutex;
    hid_device *m_device = nullptr;
    std::shared_ptr<KnobOwnerLock> m_ownerLock;
    QString m_knob;
    std::atomic<bool> m_bluetooth{false};
    std::atomic<unsigned long long> m_generation{0};
    // A close waiting for the mutex: readers give way instead of taking the
    // (unfair) lock again slice after slice.
    std::atomic<int> m_closing{0};
};
