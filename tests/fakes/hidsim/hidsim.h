#pragma once

// Control interface of the simulated knob device. The same library implements
// the hidapi C functions the program calls, so code under test talks to these
// simulated devices exactly as it would to real ones.
//
// Every function here is thread-safe. Time stamps are milliseconds on a steady
// clock counted from the last reset().

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace hidsim {

using Packet = std::vector<unsigned char>;

// How a written report is classified for the per-layout write faults.
enum ReportLayout : unsigned
{
    LayoutNone = 0,
    Layout65 = 1u << 0,           // 65 bytes with a non-zero report id in byte 0
    LayoutReportIdZero = 1u << 1, // any length, byte 0 == 0x00
    Layout64 = 1u << 2,           // 64 bytes with a non-zero byte 0
};

struct InterfaceConfig
{
    std::string path; // empty together with nullPath = true gives a null path
    bool nullPath = false;
    int busType = 1; // hidapi bus type: 1 USB, 2 Bluetooth, ...
    unsigned short usagePage = 0xFF00;
    unsigned short usage = 0x0001;
    int interfaceNumber = 0;

    // Faults. A non-empty openError makes hid_open_path fail with that text,
    // leaving openErrno in errno (0 leaves errno alone).
    std::string openError;
    int openErrno = 0;
    bool failAllWrites = false;          // writes return -1 (an interface without an output report)
    int failFirstWrites = 0;             // the first N writes through any handle return -1
    unsigned rejectLayouts = LayoutNone; // writes of these layouts return -1
    // Writes through this interface are counted from 0 after the faults are set:
    // from write number failWritesFrom on every write returns -1 (the device
    // refuses everything), write number shortWriteAt writes one byte less than
    // asked (-1 for neither).
    int failWritesFrom = -1;
    int shortWriteAt = -1;
    // After this many answers were read through a handle of this interface,
    // the next read fails with an I/O error (-1: never).
    int failReadAfterAnswers = -1;
};

struct DeviceConfig
{
    unsigned short vendorId = 0x05AC;
    unsigned short productId = 0x022C;
    std::wstring manufacturer = L"VELTRANIX";
    std::wstring product = L"VX Knob";
    std::wstring serialNumber; // empty: the device reports none
    std::vector<InterfaceConfig> interfaces;
};

// A knob with a keyboard, a consumer-control and a vendor interface, as a
// typical receiver exposes them. Only the vendor interface (number 2)
// accepts output reports.
DeviceConfig knobDevice(unsigned short vendorId = 0x05AC, unsigned short productId = 0x022C);
// Moves the interfaces' paths into dir (as <serial>-<n>) and creates them
// there as plain files, so that a lock on "the node" is a real flock that
// another process sees.
void placeNodes(DeviceConfig &config, const std::string &dir);

struct WriteRecord
{
    double timeMs = 0; // when hid_write was entered
    int device = -1;
    std::string path;
    Packet bytes;    // exactly what was passed to hid_write
    int result = -1; // what hid_write returned
};

struct FirmwareOptions
{
    bool silent = false;                // never answers a read request
    bool extraReportByte = false;       // answers start 03 03 FD ... (an extra report number)
    int firstAnswerDelayMs = 20;        // from the read request to the first answer
    int answerIntervalMs = 5;           // between answers
    int writeDelayMs = 0;               // every hid_write blocks this long (slow writes)
    bool answerWithLegacyCodes = false; // answers carry the older command codes
    int answerLimit = -1;               // answers only this many packets, then falls silent (-1: all)
    int dropKey = 0;                    // takes this physical key's assignments but keeps its old one
};

// Removes every device, record and fault; handles still open stay valid
// objects but act like handles of an unplugged device.
void reset();

// Adds a plugged-in device; returns its id (0, 1, ...).
int addDevice(const DeviceConfig &config);

void unplug(int device);
void replug(int device);
// Plugging changes scheduled relative to now (used by scenarios and tests).
void scheduleUnplug(int device, int afterMs);
void scheduleReplug(int device, int afterMs);

// Replaces the interface's faults and restarts its write count.
void setInterfaceFaults(int device, int interfaceIndex, const InterfaceConfig &faults);
void setOpenError(int device, int interfaceIndex, const std::string &error);
// Opening the interface fails as an unreadable hidraw node does: errno EACCES
// and the library's "Failed to open ...: Permission denied" text.
void setOpenDenied(int device, int interfaceIndex);
void setFailAllWrites(int device, int interfaceIndex, bool fail);
// The device is unplugged as write number writeNumber (counted from now,
// through any interface) arrives; that write fails.
void setUnplugAtWrite(int device, int writeNumber);

void setFirmwareOptions(int device, const FirmwareOptions &options);
FirmwareOptions firmwareOptions(int device);
// Every hid_enumerate call blocks this long (a slow bus).
void setEnumerateDelay(int ms);

// The device's stored configuration.
void preloadAssignment(int device, int physicalKey, const Packet &packet);
void preloadColour(int device, const Packet &packet);
std::map<int, Packet> storedAssignments(int device); // physical key -> last packet, as received (65 bytes)
Packet storedColour(int device);                     // empty when none stored
int readRequestCount(int device);

// Observation.
std::vector<WriteRecord> writes();
void clearWrites();
int openHandleCount();
// Calls made through a handle after hid_close released it (including a read
// still waiting when the close came); each is also reported on stderr.
int closedHandleCalls();
int openCount(int device, int interfaceIndex); // successful hid_open_path calls
int enumerateCount();
int maxConcurrentEnumerations(); // most hid_enumerate lists alive at once
double nowMs();

// Scenario text: lines or ';'-separated statements, e.g.
//   device vid=05ac pid=022c; unplug-at 5000; replug-at 9000
// Returns false and leaves the simulator reset on a syntax error.
bool loadScenario(const std::string &text, std::string *error = nullptr);

} // namespace hidsim
