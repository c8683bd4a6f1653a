#pragma once

#include "protocol/packets.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

constexpr int kKnobKeyCount = 5;

// The virtual keys of one physical key as the knob model holds them: plain key
// values and names in the order each was added, the display names of all of
// them in the user-visible (interleaved) order, and the wait before each slot.
struct KnobKeyModel
{
    QList<unsigned short> keyCodes;
    QStringList combinations;
    QStringList displayNames;
    // Milliseconds before virtual key slot i.
    std::array<int, kMaxVirtualKeys> delays;

    KnobKeyModel() { resetDelays(); }
    bool isEmpty() const { return keyCodes.isEmpty() && combinations.isEmpty(); }
    // Forgets the keys and puts every delay back to its default.
    void clear();
    void resetDelays();

    // The wait before virtual key `index` when nobody chose one: none before
    // the first key, 50 ms before every later one.
    static int defaultDelay(int index) { return index == 0 ? 0 : 50; }

    friend bool operator==(const KnobKeyModel &a, const KnobKeyModel &b)
    {
        return a.keyCodes == b.keyCodes && a.combinations == b.combinations &&
               a.displayNames == b.displayNames && a.delays == b.delays;
    }
    friend bool operator!=(const KnobKeyModel &a, const KnobKeyModel &b) { return !(a == b); }
};

// A copy of everything a save reads, taken on the UI thread so that the write
// can run on a worker without touching the live model.
struct KnobModelSnapshot
{
    std::array<KnobKeyModel, kKnobKeyCount> keys;
    bool isMacLayout = true;

    static int defaultDelay(int index) { return KnobKeyModel::defaultDelay(index); }
};

enum class WriteMode
{
    // All keys in one keyboard report with per-key delays.
    Packed,
    // One report per virtual key, without delays; needed as soon as an action
    // that is not a keyboard key is bound.
    OneByOne,
};

// One send: its packets go out in order, stopping at the first that fails.
struct PlannedSend
{
    QStringList logLines;          // logged before sending
    std::vector<Packet> packets;   // empty together with a refusal
    int pauseBetweenMs = 0;        // between consecutive packets of this send
    QString refusal;               // set when there is nothing valid to send; the send counts as failed
    bool refusalIsWarning = false; // an unknown mouse name is a warning, the other refusals are not
};

struct KnobWritePlan
{
    int knobKey = 0;
    WriteMode mode = WriteMode::Packed;
    int plainCount = 0;
    int nameCount = 0;
    // OneByOne: one send per virtual key. Packed: the key report, or nothing
    // when no record resulted (then no end report either).
    QList<PlannedSend> sends;
    // Packed: records built and records that fit in the report.
    int recordCount = 0;
    int writtenRecordCount = 0;
    // Packed: virtual keys the display order did not account for; they are
    // appended after the ordered ones rather than dropped.
    QStringList unorderedKeys;

    bool truncated() const { return writtenRecordCount < recordCount; }
};

struct AssignmentWritePlan
{
    QList<KnobWritePlan> knobs; // non-empty physical keys, ascending
    QList<int> truncatedKnobKeys() const;
};

// Pauses of the USB write, in milliseconds.
constexpr int kPauseAfterOneByOneSendMs = 50;
constexpr int kPauseBeforeOneByOneEndMs = 50;
constexpr int kPauseBeforePackedEndMs = 100;
constexpr int kPauseAfterPackedKnobMs = 50;
constexpr int kPauseBetweenLightPartsMs = 10;

// The delay records of a physical key in packed mode, untruncated.
QList<KeyWithDelay> packedKeyRecords(const KnobModelSnapshot &snapshot, int knobKey,
                                     QStringList *unorderedKeys = nullptr);

AssignmentWritePlan planAssignmentWrite(const KnobModelSnapshot &snapshot);

struct AssignmentWriteIo
{
    // Writes one report for a physical key (with whatever copies the link adds);
    // returns the byte count or -1.
    std::function<int(const Packet &packet, int knobKey)> send;
    // Sleeps; left empty where the link needs no pacing (Bluetooth batch).
    std::function<void(int ms)> pause;
    // After each physical key, written or failed; may be left empty.
    std::function<void(int done, int total)> progress;
    // Asked before each physical key: true ends the write there, so every key
    // written has its end packet. May be left empty.
    std::function<bool()> stopRequested;
};

struct AssignmentWriteResult
{
    bool ok = true;
    bool stopped = false; // asked to stop before every key was written; ok is false then
    QList<int> failedKnobKeys;
    QList<int> truncatedKnobKeys;
};

// Runs the plan. A failure marks the write failed but every other physical key
// is still written.
AssignmentWriteResult executeAssignmentWrite(const AssignmentWritePlan &plan, const AssignmentWriteIo &io);
