#pragma once

#include "protocol/packets.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

constexpr int kKnobKeyCount = 5;

struct KnobDocument;

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
QList<KeyWithDelay> packedKeyRecords(const KnobDocument &document, int knobKey);

// Taken on the UI thread from a copy of the document, so the write can run on a
// worker without touching the editor's.
AssignmentWritePlan planAssignmentWrite(const KnobDocument &document);

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
