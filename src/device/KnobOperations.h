#pragma once

#include "device/LinkTurn.h"
#include "device/debugreadback.h"
#include "device/savereadback.h"
#include "protocol/assignmentwrite.h"
#include "protocol/knobdocument.h"
#include "protocol/packets.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

class Clock;
class ClockTimer;
class DeviceWorkers;
class KnobLink;
struct ConfigReadOutcome;

// How a save ended: whether the reports went out and what a read right after
// them found on the knob.
struct SaveOutcome
{
    bool written = false;
    bool verifiable = true;      // false where the link cannot read back
    bool readBack = false;       // the read after the write answered
    ReadBackCheck check;         // against what the document meant; valid when readBack
    std::vector<Packet> packets; // the read's answers
    KnobDocument document;       // those answers decoded; valid when readBack
    QList<int> unwrittenKeys;    // empty in the document: the knob keeps its own
    bool automatic = false;      // the profile switcher's, not the window's

    bool confirmed() const { return written && readBack && check.matches(); }
};

// The queue of what goes over the knob's link: reads, saves, colour packets
// and raw reports run one at a time, so no report of one lands between the
// reports of another and no answer meant for one is read by another. A read,
// a save or a colour change that finds the link held waits for it; the rest
// is refused with its reason. Lives on the session's thread; the blocking
// work runs on the session's workers, which get the link and copied data.
class KnobOperations : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KnobOperations)

public:
    using Kind = LinkOperation;
    using Refusal = LinkRefusal;

    // What the queue needs to know of the session's link.
    struct Link
    {
        // The link that is up, or null.
        std::function<std::shared_ptr<KnobLink>()> current;
        // A Bluetooth helper run has the knob.
        std::function<bool()> bluetoothRunGoing;
        // A read found the link gone.
        std::function<void()> lost;
        // A write has ended: a link it found gone goes down.
        std::function<void()> written;
    };

    // The pause that gathers a drag's colour changes runs on clock.
    KnobOperations(Link link, std::shared_ptr<DeviceWorkers> workers, Clock &clock,
                   QObject *parent = nullptr);
    ~KnobOperations() override;

    Refusal mayStart(Kind kind) const;

    void readConfiguration();
    // A link that reads as it is made (one that does not answer requests)
    // has the configuration in hand: it is reported at once, like the
    // answers of a read.
    void readConnectAnswers();
    bool save(const KnobDocument &document, bool automatic = false);
    void queueLighting(const LightSettings &light);
    bool sendRawReport(const Packet &packet, int knobKey);
    void stopSaveAfterCurrentKey();

    // Something has the link or waits for it.
    bool isBusy() const { return m_reading || m_saving || !isIdle(); }
    bool isReading() const { return m_reading; }
    bool isSaving() const { return m_saving; }
    int lightSendsCompleted() const { return m_lightSendsCompleted; }
    // The keyboard layout configurationRead names keys in.
    void setMacLayout(bool mac) { m_macLayout = mac; }

    // The link went down: a read of it is over and one waiting is dropped.
    void linkDown();
    // Nothing new starts; a save that waited is dropped. The running save may
    // be told to stop after its current key.
    void beginShutdown();
    bool saveCanBeStopped() const { return m_saving && m_stopSave; }
    void stopRunningSave() { m_stopSave->store(true); }

Q_SIGNALS:
    void configReadStarted();
    void configPacketRead(const Packet &packet);
    void configurationRead(const KnobDocument &document);
    void configReadFinished(bool ok, bool receivedAny);
    void saveProgress(int done, int total);
    void saveChecked(const SaveOutcome &outcome);
    void saveFinished(bool ok);
    void lightingSendFailed();
    // Every colour report's end, taken or not.
    void lightSendFinished(bool ok);
    void rawReportWritten(int result, bool answersFollow);
    void rawReportAnswer(int number, const Packet &report);
    void rawReadBackFinished(const DebugReadBackResult &result);

private:
    bool isIdle() const { return m_turn.isFree(); }
    unsigned begin(Kind kind) { return m_turn.begin(kind); }
    void end(unsigned ticket) { m_turn.end(ticket); }
    // The link is free again: a save, then a read, then a colour packet that
    // waited for it goes out.
    void startNext();
    void finishRead(unsigned long long generation, const ConfigReadOutcome &outcome);
    void startSaveWorker(const KnobDocument &document);
    void finishSave(bool written, bool readBack, const std::vector<Packet> &packets,
                    const KnobDocument &document, bool verifiable);
    void flushPendingLighting();
    void finishLightSend(bool ok);

    Link m_link;
    std::shared_ptr<DeviceWorkers> m_workers;
    LinkTurn m_turn;
    bool m_shutDown = false;

    bool m_reading = false;
    bool m_readPending = false;
    std::vector<Packet> m_readPackets; // the running read's answers, decoded once it ends
    bool m_macLayout = true;

    bool m_saving = false;
    bool m_saveAutomatic = false;                  // of the save running or waiting
    std::shared_ptr<std::atomic<bool>> m_stopSave; // shared with the running save's worker
    std::unique_ptr<KnobDocument> m_deferredSave;

    LightSettings m_pendingLight;
    bool m_lightSendPending = false;
    int m_lightSendsCompleted = 0;
    std::unique_ptr<ClockTimer> m_lightTimer;
};
