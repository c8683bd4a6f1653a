#pragma once

#include "protocol/packets.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What travels between the program and the Bluetooth helper besides the JSON
// lines themselves: packet shapes, hex text, command lines, the write check.

// Every packet on the Bluetooth path is exactly this long: the report number
// stays, the 65th byte of a USB report has no room in the characteristic.
constexpr int kBlePacketSize = 64;

// The helper's bounds, shared so that the program waits longer than any run.
constexpr int kBleHelperCallMs = 5000;        // one BlueZ call
constexpr int kBleHelperConnectMs = 10000;    // Device1.Connect
constexpr int kBleHelperResolveMs = 15000;    // services resolved after connecting
constexpr int kBleHelperMtuWaitMs = 2000;     // the MTU exchange after that
constexpr int kBleHelperRetryWindowMs = 1000; // retrying a write BlueZ says is in progress
constexpr int kBleHelperRetryPauseMs = 100;
constexpr int kBleCommandPaceMs = 15; // between writes without response

// How long the program lets a write run of this many packets take: the
// helper's worst case, every bound above used up, and a margin.
int bleWriteRunLimitMs(std::size_t packets);

// Cut to the first 64 bytes or pad with zeros up to 64.
Packet normaliseBlePacket(const Packet &packet);

// Whitespace-separated base-16 tokens, each 0..255; nullopt as soon as one
// token is not such a number (the whole text is then unusable).
std::optional<Packet> parseBleHexTokens(const QString &text);

// A notification as a 65-byte configuration packet: a doubled leading report
// number (03 03 FD ...) loses its first byte, then a report of at least 64
// bytes beginning 03 FD is padded or cut to 65. nullopt for anything else.
std::optional<Packet> configPacketFromNotification(const Packet &bytes);

// The configuration query as it goes over the air.
Packet bleConfigQueryPacket();

// 03 FD FE FF after the notification normalisation: the device has sent all.
bool isBleConfigEndNotification(const Packet &bytes);

// Arguments of the automatic connect run that reads the configuration.
QStringList bleAutoConnectArguments();

// Arguments of one batch write: "connect", the address, a "--write-packet"
// pair per packet (normalised to 64 bytes), then "--listen" "0.15".
QStringList bleBatchWriteArguments(const QString &address, const std::vector<Packet> &packets);

// A batch write succeeded only with a normal exit, code 0 and the compact
// "type":"write_ok" pair somewhere in the merged output.
bool isBleBatchWriteAcknowledged(const QByteArray &output, bool normalExit, int exitCode);

// Helper exit codes that mean there is no knob to talk to (no system bus, no
// BlueZ, no adapter or none powered, no connected knob): quiet states, not
// failures to report.
bool isBleNoKnobExit(int exitCode);
// A write run that ended so: the link it wrote to is gone.
bool isBleLinkGoneExit(int exitCode);

struct BleHelperCommand
{
    QString program;
    QStringList arguments;
    bool found = false;
};

// The helper beside the application (or in its resources directory): an
// executable first, else a Python script run with "python3".
BleHelperCommand findBluetoothHelperCommand(const QString &directory, const QStringList &arguments);
