#pragma once

#include <QList>
#include <QString>

#include <vector>

// Byte layouts of every report the program writes to the knob. Byte 0 is the
// report number 0x03; reports are zero-filled before their fields are written.
using Packet = std::vector<unsigned char>;

// A packet in log lines: two upper-case hex digits per byte, single spaces, a
// line break after every 16th byte, nothing after the last one.
QString packetToHex(const Packet &packet);
// The same on one line, as command lines, files and the debug console show it.
QString packetToHexLine(const Packet &packet);

constexpr int kReportSize = 65;
constexpr int kLightModeReportSize = 64;
// Key records that fit in one assignment report (bytes 7..63).
constexpr int kMaxKeyRecords = 19;
// Most virtual keys one physical key holds.
constexpr int kMaxVirtualKeys = 18;
// Longest delay the 16-bit field carries, in milliseconds.
constexpr int kMaxDelayMs = 60000;

enum AssignmentType : unsigned char
{
    KeyboardAssignment = 1,
    MultimediaAssignment = 2,
    MouseAssignment = 3,
    ProcreateAssignment = 4,
};

// Command code of a physical key (1..5); anything else shares key 5's code.
unsigned char commandCodeForKnobKey(int knobKey);
// Physical key of a current or older command code, 0 for any other code.
int knobKeyIndexForCommand(unsigned char code);

struct KeyWithDelay
{
    unsigned short delayMs = 0;
    unsigned char key = 0;
    friend bool operator==(const KeyWithDelay &a, const KeyWithDelay &b)
    {
        return a.delayMs == b.delayMs && a.key == b.key;
    }
};

// 03 FD cc 01 type 00 n, then one 3-byte record (delay big-endian, key) each.
// Records past the 19th do not fit and are not written.
Packet buildKeyRecordsPacket(unsigned char commandCode, unsigned char type,
                             const QList<KeyWithDelay> &records);

// One keyboard key with its modifiers as prefix records; an empty packet when
// there is neither a key nor a modifier.
Packet buildStandardKeyPacket(unsigned char commandCode, unsigned short keyCode, unsigned char modifierMask);

// The launcher usages carry a second entry 00 N: 2 for the browser ones, 1 for
// the others; 0 for every other usage (no second entry).
unsigned char multimediaSecondEntry(unsigned short usage);
Packet buildMultimediaKeyPacket(unsigned char commandCode, unsigned short usage);

// Empty when the name is not one of the 16 mouse and touch actions.
Packet buildMouseKeyPacket(unsigned char commandCode, const QString &name);

// The three 64-byte parts of a lighting mode (action code 0xF0..0xF5); empty
// for any other code.
std::vector<Packet> buildLightModePackets(unsigned short code);

// Empty when the name is not in the Procreate table.
Packet buildProcreateKeyPacket(unsigned char commandCode, const QString &name);

// 03 FD FE FF: closes every assignment write.
Packet buildAssignmentEndPacket();

// 03 FD 00 06 r g b brightness(0..100) on.
Packet buildColorPacket(unsigned char red, unsigned char green, unsigned char blue, int brightness, bool on);

// The light as the device stores it: a colour, a brightness 0..100 and on/off.
struct LightSettings
{
    unsigned char red = 255;
    unsigned char green = 255;
    unsigned char blue = 255;
    int brightness = 100;
    bool on = true;

    // "#rrggbb", as log lines and files show the colour.
    QString colorName() const;
    Packet packet() const { return buildColorPacket(red, green, blue, brightness, on); }
    bool operator==(const LightSettings &o) const
    {
        return red == o.red && green == o.green && blue == o.blue && brightness == o.brightness && on == o.on;
    }
    bool operator!=(const LightSettings &o) const { return !(*this == o); }
};

// 03 followed by 64 x FF.
Packet buildReadRequestPacket();
