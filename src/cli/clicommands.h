#pragma once

#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class CliDevice;
struct KnobDocument;
class QIODevice;
class QTextStream;

// Exit codes of the tool.
enum CliExit
{
    CliOk = 0,
    CliUsage = 1,        // bad usage or an invalid file
    CliNoDevice = 2,     // no knob found, or the system refuses to open it
    CliDeviceFailed = 3, // write refused, read time-out, read-back differs
    CliBusy = 4,         // another program (the window) holds the knob
    CliBlocked = 5,      // doctor: something on the machine stands in the way of the knob
};

struct CliContext
{
    QTextStream *out = nullptr;
    QTextStream *err = nullptr;
    QIODevice *in = nullptr; // standard input, for "write -"
    std::function<std::unique_ptr<CliDevice>()> openDevice;
    // The window holding a knob the tool finds busy, to hand the job to; none: exit as busy.
    std::function<std::unique_ptr<CliDevice>()> askWindow;
    bool demo = false;        // --demo: openDevice gives the demo knob; list shows it alone
    bool progress = false;    // both streams are a terminal: show the save's progress
    QString profileDirectory; // the user's profiles; empty: the store's default folder
    std::optional<QStringList> readyMadeProfileDirectories; // unset: the store's default folders
};

// Runs one command line (arguments[0] is the program name); returns the exit code.
int runCli(const QStringList &arguments, const CliContext &context);

struct WriteOptions
{
    QString device; // --device, or empty for the only knob
    bool verbose = false;
    bool dryRun = false; // print the reports, open nothing
    QString profileName; // the profile the document is, for the window that takes the job over
};

// Writes a checked document to the knob as Save does, reads it back and
// prints the summary line; label names the source in messages ("knob.json",
// "profile Krita"). Both write and profile apply end here.
int writeDocumentCommand(const KnobDocument &document, const QString &label, const WriteOptions &options,
                         const CliContext &context);

// A quit signal arrived. True when a write in progress takes it: the write
// ends after the key it is on, says what the knob holds and runCli returns
// 128 + signal. False when nothing needs finishing first.
bool stopCliWrite(int signal);
