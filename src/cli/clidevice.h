#pragma once

#include "protocol/packets.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

struct KnobDocument;
struct LightSettings;

// What the command-line tool needs from a link to the knob. Every call blocks
// with its own time-outs; failures come back as false with a sentence in *error.
class CliDevice
{
public:
    CliDevice() = default;
    virtual ~CliDevice() = default;
    Q_DISABLE_COPY_MOVE(CliDevice)

    // Why open failed.
    enum class OpenFailure
    {
        NoKnob,           // nothing with the knob's ids, or nothing answered
        PermissionDenied, // the system refused to open the knob's nodes
        WriteRefused,     // it opened but refused the probe report
        Busy,             // another program holds the knob
        BusyOfSeveral,    // no knob was named, more than one is there, and another program holds one
        Ambiguous,        // no knob was named and more than one answers
    };

    // Opens the knob named by an interface path or a serial number. Unnamed,
    // the only knob there is: none is chosen while any knob is held by
    // another program or more than one answers. False when no knob can be
    // used; *failure says why.
    virtual bool open(const QString &device, QString *error, OpenFailure *failure) = 0;
    // The open knob as a user names it: "/dev/hidraw3 (serial 0001)".
    virtual QString knobName() const = 0;

    // One configuration read: the packets before the end packet. False on a
    // time-out before any answer (the read's own, once) or a link lost during the read.
    virtual bool readConfiguration(std::vector<Packet> *packets, QString *error) = 0;

    // Writes the document's gestures exactly as the Save button does (same reports, same
    // pauses, same end reports); progress(done, total) after each physical key.
    virtual bool saveDocument(const KnobDocument &document,
                              const std::function<void(int done, int total)> &progress, QString *error) = 0;

    // From the signal path while saveDocument runs: the save ends after the
    // physical key it is on and that key's end packet.
    virtual void stopAfterCurrentKey() {}

    // Sends one colour report.
    virtual bool sendLight(const LightSettings &light, QString *error) = 0;

    // What the document being written is called (a profile's name), for a
    // window that takes the write over and says what it wrote.
    virtual void setJobLabel(const QString &) {}
};

// The link the tool uses: the knob, or the in-process demo knob.
std::unique_ptr<CliDevice> createCliDevice(bool demo = false);
// The window that holds the knob, asked over the session bus to do the jobs;
// open() fails when no window answers there, and says why only when the
// window refuses (OpenFailure::Busy).
std::unique_ptr<CliDevice> createWindowCliDevice();
