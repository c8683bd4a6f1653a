#include "tests/fakes/hidsim/hidsim.h"

#include "protocol/KnobFirmware.h"

#include <hidapi.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using hidsim::Packet;

struct Interface
{
    hidsim::InterfaceConfig config;
    int opens = 0;
    int writesSeen = 0;
};

struct Device
{
    hidsim::DeviceConfig config;
    std::vector<Interface> interfaces;
    bool plugged = true;
    // Bumped on every unplug so handles opened before it stay dead after a replug,
    // as a re-created hidraw node would leave them.
    unsigned long long plugEpoch = 0;
    double unplugAt = -1;
    double replugAt = -1;
    hidsim::FirmwareOptions firmware;
    KnobFirmware knob;
    int readRequests = 0;
    int writesSeen = 0;     // through any of its interfaces
    int unplugAtWrite = -1; // the device is pulled out as this write arrives
};

struct Pending
{
    double readyAt = 0;
    Packet data;
};

struct State
{
    std::mutex mutex;
    // Closed handles are kept until the next reset, so a late call through one
    // is seen and counted here instead of touching freed memory.
    std::vector<hid_device *> closedHandles;
    int closedHandleCalls = 0;

    State() = default;
    State(const State &) = delete;
    State &operator=(const State &) = delete;
    ~State();
    std::condition_variable changed;
    std::vector<std::unique_ptr<Device>> devices;
    std::vector<hidsim::WriteRecord> writes;
    int openHandles = 0;
    int enumerations = 0;
    int liveEnumerations = 0;
    int maxLiveEnumerations = 0;
    int enumerateDelayMs = 0;
    unsigned long long resetGeneration = 0;
    Clock::time_point epoch = Clock::now();
#ifdef HIDSIM_PRELOAD
    bool verbose = true;
#else
    bool verbose = false;
#endif
};

// hid_device_ is complete only further down; the closed handles are freed at exit.
void freeClosedHandles(std::vector<hid_device *> &handles);

State::~State()
{
    freeClosedHandles(closedHandles);
}

State &state()
{
    static State s;
    return s;
}

double elapsedMs(const State &s)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - s.epoch).count();
}

// The process-wide error text of hid_error(NULL). Kept per thread so that two
// scans on different threads cannot tear each other's text; callers must
// still copy it at once, as with the real library.
thread_local std::wstring t_globalError;

std::wstring widen(const std::string &text)
{
    return std::wstring(text.begin(), text.end());
}

void note(const State &s, const char *format, int device)
{
    if (s.verbose) {
        std::fprintf(stderr, "[hidsim] ");
        std::fprintf(stderr, format, device);
        std::fprintf(stderr, "\n");
    }
}

void setPlugged(State &s, int index, bool plugged)
{
    Device &d = *s.devices[index];
    if (d.plugged == plugged)
        return;
    d.plugged = plugged;
    if (!plugged)
        ++d.plugEpoch;
    note(s, plugged ? "device %d plugged in" : "device %d unplugged", index);
    s.changed.notify_all();
}

// Scheduled plug changes are applied lazily at every entry point; the program
// polls, so nothing needs a thread of its own.
void applySchedule(State &s)
{
    const double now = elapsedMs(s);
    for (std::size_t i = 0; i < s.devices.size(); ++i) {
        Device &d = *s.devices[i];
        if (d.unplugAt >= 0 && now >= d.unplugAt) {
            d.unplugAt = -1;
            setPlugged(s, static_cast<int>(i), false);
        }
        if (d.replugAt >= 0 && now >= d.replugAt) {
            d.replugAt = -1;
            setPlugged(s, static_cast<int>(i), true);
        }
    }
}

Device *deviceAt(State &s, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= s.devices.size())
        return nullptr;
    return s.devices[index].get();
}

Interface *interfaceAt(State &s, int device, int index)
{
    Device *d = deviceAt(s, device);
    if (!d || index < 0 || static_cast<std::size_t>(index) >= d->interfaces.size())
        return nullptr;
    return &d->interfaces[index];
}

} // namespace

struct hid_device_
{
    int device = -1;
    int interfaceIndex = -1;
    unsigned long long plugEpoch = 0;
    unsigned long long resetGeneration = 0;
    std::deque<Pending> input;
    std::wstring error;
    int answersRead = 0;
    bool closed = false;
};

namespace {

void freeClosedHandles(std::vector<hid_device *> &handles)
{
    for (hid_device *h : handles)
        delete h;
    handles.clear();
}

// Call with the state locked. Counts and reports a call through a handle that
// hid_close has already released; the caller must then not use it.
bool calledAfterClose(State &s, const hid_device *h, const char *function)
{
    if (!h->closed)
        return false;
    ++s.closedHandleCalls;
    std::fprintf(stderr, "[hidsim] %s called on a closed handle\n", function);
    return true;
}

unsigned classifyReport(const unsigned char *data, std::size_t length)
{
    if (length == 0)
        return hidsim::LayoutNone;
    if (data[0] == 0x00)
        return hidsim::LayoutReportIdZero;
    return length == 65 ? hidsim::Layout65 : length == 64 ? hidsim::Layout64 : hidsim::LayoutNone;
}

bool handleAlive(State &s, const hid_device *h)
{
    if (h->resetGeneration != s.resetGeneration)
        return false;
    const Device *d = deviceAt(s, h->device);
    return d && d->plugged && d->plugEpoch == h->plugEpoch;
}

void queueAnswers(State &s, Device &d, hid_device *h)
{
    ++d.readRequests;
    if (d.firmware.silent)
        return;
    std::vector<Packet> answers = d.knob.answers();
    if (d.firmware.answerLimit >= 0 && answers.size() > std::size_t(d.firmware.answerLimit))
        answers.resize(std::size_t(d.firmware.answerLimit));

    double at = elapsedMs(s) + d.firmware.firstAnswerDelayMs;
    for (Packet &p : answers) {
        if (d.firmware.extraReportByte)
            p.insert(p.begin(), 0x03);
        h->input.push_back({at, std::move(p)});
        at += d.firmware.answerIntervalMs;
    }
    s.changed.notify_all();
}

#ifdef HIDSIM_PRELOAD
void loadScenarioFromEnvironment()
{
    std::string text;
    if (const char *inline_ = std::getenv("HIDSIM_SCENARIO"))
        text = inline_;
    if (text.empty())
        text = "device";
    std::string error;
    if (!hidsim::loadScenario(text, &error))
        std::fprintf(stderr, "[hidsim] scenario error: %s\n", error.c_str());
    else
        std::fprintf(stderr, "[hidsim] scenario loaded: %s\n", text.c_str());
}
#endif

} // namespace

// ---------------------------------------------------------------------------
// hidapi C API

extern "C" {

int HID_API_EXPORT HID_API_CALL hid_init(void)
{
#ifdef HIDSIM_PRELOAD
    static std::once_flag once;
    std::call_once(once, loadScenarioFromEnvironment);
#endif
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_exit(void)
{
    return 0;
}

struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_enumerate(unsigned short vendor_id,
                                                                  unsigned short product_id)
{
    State &s = state();
    int delay = 0;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        ++s.enumerations;
        ++s.liveEnumerations;
        s.maxLiveEnumerations = std::max(s.maxLiveEnumerations, s.liveEnumerations);
        delay = s.enumerateDelayMs;
    }
    if (delay > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));

    std::lock_guard<std::mutex> lock(s.mutex);
    applySchedule(s);
    hid_device_info *head = nullptr;
    hid_device_info **tail = &head;
    for (const auto &d : s.devices) {
        if (!d->plugged)
            continue;
        if ((vendor_id && vendor_id != d->config.vendorId) ||
            (product_id && product_id != d->config.productId))
            continue;
        for (const Interface &i : d->interfaces) {
            auto *info = new hid_device_info{};
            info->path = i.config.nullPath ? nullptr : strdup(i.config.path.c_str());
            info->vendor_id = d->config.vendorId;
            info->product_id = d->config.productId;
            info->serial_number = wcsdup(d->config.serialNumber.c_str());
            info->manufacturer_string = wcsdup(d->config.manufacturer.c_str());
            info->product_string = wcsdup(d->config.product.c_str());
            info->usage_page = i.config.usagePage;
            info->usage = i.config.usage;
            info->interface_number = i.config.interfaceNumber;
            info->bus_type = static_cast<hid_bus_type>(i.config.busType);
            *tail = info;
            tail = &info->next;
        }
    }
    if (!head) {
        // The real library returns no list (and keeps no count) when nothing matches.
        --s.liveEnumerations;
        t_globalError = L"No HID devices found in the system.";
    }
    return head;
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info *devs)
{
    if (!devs)
        return;
    while (devs) {
        hid_device_info *next = devs->next;
        std::free(devs->path);
        std::free(devs->serial_number);
        std::free(devs->manufacturer_string);
        std::free(devs->product_string);
        delete devs;
        devs = next;
    }
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    --s.liveEnumerations;
}

} // extern "C"

namespace {

hid_device *openPath(const char *path, int &openErrno)
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    applySchedule(s);
    if (!path) {
        t_globalError = L"Invalid path";
        return nullptr;
    }
    for (std::size_t di = 0; di < s.devices.size(); ++di) {
        Device &d = *s.devices[di];
        for (std::size_t ii = 0; ii < d.interfaces.size(); ++ii) {
            Interface &i = d.interfaces[ii];
            if (i.config.nullPath || i.config.path != path)
                continue;
            if (!d.plugged)
                break;
            if (!i.config.openError.empty()) {
                t_globalError = widen(i.config.openError);
                openErrno = i.config.openErrno;
                return nullptr;
            }
            auto *h = new hid_device_;
            h->device = static_cast<int>(di);
            h->interfaceIndex = static_cast<int>(ii);
            h->plugEpoch = d.plugEpoch;
            h->resetGeneration = s.resetGeneration;
            ++i.opens;
            ++s.openHandles;
            t_globalError.clear();
            return h;
        }
    }
    t_globalError = L"Failed to open a device with path '" + widen(path) + L"': No such file or directory";
    openErrno = ENOENT;
    return nullptr;
}

} // namespace

extern "C" {

HID_API_EXPORT hid_device *HID_API_CALL hid_open_path(const char *path)
{
    int openErrno = 0;
    hid_device *handle = openPath(path, openErrno);
    // Set last, after the lock is gone, so callers see it as they would after
    // the library's failed open().
    if (!handle && openErrno != 0)
        errno = openErrno;
    return handle;
}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    if (!dev || !data)
        return -1;
    State &s = state();
    hidsim::WriteRecord record;
    int delay = 0;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (calledAfterClose(s, dev, "hid_write"))
            return -1;
        record.timeMs = elapsedMs(s);
        if (dev->resetGeneration == s.resetGeneration)
            if (Device *d = deviceAt(s, dev->device))
                delay = d->firmware.writeDelayMs;
    }
    if (delay > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));

    std::lock_guard<std::mutex> lock(s.mutex);
    if (calledAfterClose(s, dev, "hid_write"))
        return -1;
    applySchedule(s);
    if (Device *d = deviceAt(s, dev->device);
        d && handleAlive(s, dev) && d->unplugAtWrite >= 0 && d->writesSeen++ == d->unplugAtWrite) {
        d->unplugAtWrite = -1;
        setPlugged(s, dev->device, false);
    }
    record.device = dev->device;
    record.bytes.assign(data, data + length);
    int result = -1;
    if (!handleAlive(s, dev)) {
        dev->error = L"No such device";
    } else {
        Device &d = *s.devices[dev->device];
        Interface &i = d.interfaces[dev->interfaceIndex];
        record.path = i.config.path;
        const int seen = i.writesSeen++;
        if (length == 0) {
            dev->error = L"Invalid argument";
        } else if (i.config.failAllWrites || seen < i.config.failFirstWrites ||
                   (i.config.failWritesFrom >= 0 && seen >= i.config.failWritesFrom) ||
                   (i.config.rejectLayouts & classifyReport(data, length))) {
            dev->error = L"Broken pipe";
        } else if (seen == i.config.shortWriteAt) {
            // Part of the report went out; the firmware drops a report it did not get whole.
            result = static_cast<int>(length) - 1;
            dev->error.clear();
        } else {
            result = static_cast<int>(length);
            dev->error.clear();
            if (d.knob.receive(data, length))
                queueAnswers(s, d, dev);
        }
    }
    record.result = result;
    // For a test watching another process: every report the firmware took, in hex, one a line.
    if (const char *log = std::getenv("HIDSIM_WRITE_LOG"); log && result > 0) {
        if (FILE *f = std::fopen(log, "a")) {
            for (std::size_t i = 0; i < length; ++i)
                std::fprintf(f, i ? " %02X" : "%02X", data[i]);
            std::fputc('\n', f);
            std::fclose(f);
        }
    }
    s.writes.push_back(std::move(record));
    return result;
}

int HID_API_EXPORT HID_API_CALL hid_read_timeout(hid_device *dev, unsigned char *data, size_t length,
                                                 int milliseconds)
{
    if (!dev || !data)
        return -1;
    State &s = state();
    std::unique_lock<std::mutex> lock(s.mutex);
    const double deadline = milliseconds < 0 ? -1 : elapsedMs(s) + milliseconds;
    for (;;) {
        // A close while this read waits is as wrong as a read after it.
        if (calledAfterClose(s, dev, "hid_read_timeout"))
            return -1;
        applySchedule(s);
        if (!handleAlive(s, dev)) {
            dev->error = L"No such device";
            return -1;
        }
        const double now = elapsedMs(s);
        if (const Device *d = deviceAt(s, dev->device)) {
            const int limit = d->interfaces[dev->interfaceIndex].config.failReadAfterAnswers;
            if (limit >= 0 && dev->answersRead >= limit) {
                dev->error = L"Input/output error";
                return -1;
            }
        }
        if (!dev->input.empty() && dev->input.front().readyAt <= now) {
            ++dev->answersRead;
            Packet p = std::move(dev->input.front().data);
            dev->input.pop_front();
            const std::size_t n = std::min(length, p.size());
            std::copy(p.begin(), p.begin() + n, data);
            dev->error.clear();
            return static_cast<int>(n);
        }
        if (deadline >= 0 && now >= deadline)
            return 0;
        double wakeAt = deadline;
        if (!dev->input.empty() && (wakeAt < 0 || dev->input.front().readyAt < wakeAt))
            wakeAt = dev->input.front().readyAt;
        // Wake at least every 50 ms so scheduled unplugs are noticed.
        const double wait = wakeAt < 0 ? 50.0 : std::min(50.0, std::max(0.0, wakeAt - now));
        s.changed.wait_for(lock, std::chrono::duration<double, std::milli>(wait));
    }
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device *dev)
{
    if (!dev)
        return;
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (calledAfterClose(s, dev, "hid_close"))
        return;
    --s.openHandles;
    dev->closed = true;
    dev->input.clear();
    s.closedHandles.push_back(dev);
}

static int copyDeviceString(hid_device *dev, wchar_t *string, size_t maxlen, bool product)
{
    if (!dev || !string || maxlen == 0)
        return -1;
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (calledAfterClose(s, dev, "hid_get_*_string"))
        return -1;
    applySchedule(s);
    if (!handleAlive(s, dev)) {
        dev->error = L"No such device";
        return -1;
    }
    const Device &d = *s.devices[dev->device];
    const std::wstring &text = product ? d.config.product : d.config.manufacturer;
    const std::size_t n = std::min(text.size(), maxlen - 1);
    std::copy(text.begin(), text.begin() + n, string);
    string[n] = L'\0';
    return 0;
}

int HID_API_EXPORT_CALL hid_get_manufacturer_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return copyDeviceString(dev, string, maxlen, false);
}

int HID_API_EXPORT_CALL hid_get_product_string(hid_device *dev, wchar_t *string, size_t maxlen)
{
    return copyDeviceString(dev, string, maxlen, true);
}

HID_API_EXPORT const wchar_t *HID_API_CALL hid_error(hid_device *dev)
{
    if (dev) {
        State &s = state();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (calledAfterClose(s, dev, "hid_error"))
            return L"Handle already closed";
    }
    const std::wstring &text = dev ? dev->error : t_globalError;
    return text.empty() ? L"Success" : text.c_str();
}

} // extern "C"

// ---------------------------------------------------------------------------
// Control interface

namespace hidsim {

DeviceConfig knobDevice(unsigned short vendorId, unsigned short productId)
{
    DeviceConfig config;
    config.vendorId = vendorId;
    config.productId = productId;
    static int serial = 0;
    config.serialNumber = L"SIM" + std::to_wstring(serial);
    const std::string base = "/dev/hidsim" + std::to_string(serial++) + "-";
    const auto iface = [&base](int number, unsigned short usagePage, unsigned short usage) {
        InterfaceConfig i;
        i.path = base + std::to_string(number);
        i.usagePage = usagePage;
        i.usage = usage;
        i.interfaceNumber = number;
        i.failAllWrites = number != 2;
        return i;
    };
    // Keyboard, consumer control, vendor.
    config.interfaces = {iface(0, 0x0001, 0x0006), iface(1, 0x000C, 0x0001), iface(2, 0xFF00, 0x0001)};
    return config;
}

void placeNodes(DeviceConfig &config, const std::string &dir)
{
    const std::string serial(config.serialNumber.begin(), config.serialNumber.end());
    for (InterfaceConfig &i : config.interfaces) {
        i.path = dir + "/" + serial + "-" + std::to_string(i.interfaceNumber);
        if (FILE *f = std::fopen(i.path.c_str(), "a"))
            std::fclose(f);
    }
}

void reset()
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.devices.clear();
    s.writes.clear();
    freeClosedHandles(s.closedHandles);
    s.closedHandleCalls = 0;
    s.enumerations = 0;
    s.maxLiveEnumerations = s.liveEnumerations;
    s.enumerateDelayMs = 0;
    ++s.resetGeneration;
    s.epoch = Clock::now();
    s.changed.notify_all();
}

int addDevice(const DeviceConfig &config)
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    auto d = std::make_unique<Device>();
    d->config = config;
    for (const InterfaceConfig &i : config.interfaces)
        d->interfaces.push_back(Interface{i, 0, 0});
    s.devices.push_back(std::move(d));
    return static_cast<int>(s.devices.size()) - 1;
}

namespace {
template <typename F> void withDevice(int device, F &&f)
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (Device *d = deviceAt(s, device))
        f(s, *d);
}

template <typename F> void withInterface(int device, int index, F &&f)
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (Interface *i = interfaceAt(s, device, index))
        f(*i);
}
} // namespace

void unplug(int device)
{
    withDevice(device, [device](State &s, Device &) { setPlugged(s, device, false); });
}

void replug(int device)
{
    withDevice(device, [device](State &s, Device &) { setPlugged(s, device, true); });
}

void scheduleUnplug(int device, int afterMs)
{
    withDevice(device, [afterMs](State &s, Device &d) { d.unplugAt = elapsedMs(s) + afterMs; });
}

void scheduleReplug(int device, int afterMs)
{
    withDevice(device, [afterMs](State &s, Device &d) { d.replugAt = elapsedMs(s) + afterMs; });
}

void setInterfaceFaults(int device, int interfaceIndex, const InterfaceConfig &faults)
{
    withInterface(device, interfaceIndex, [&](Interface &i) {
        i.config.openError = faults.openError;
        i.config.openErrno = faults.openErrno;
        i.config.failAllWrites = faults.failAllWrites;
        i.config.failFirstWrites = faults.failFirstWrites;
        i.config.rejectLayouts = faults.rejectLayouts;
        i.config.failWritesFrom = faults.failWritesFrom;
        i.config.shortWriteAt = faults.shortWriteAt;
        i.config.failReadAfterAnswers = faults.failReadAfterAnswers;
        i.writesSeen = 0;
    });
}

void setOpenError(int device, int interfaceIndex, const std::string &error)
{
    withInterface(device, interfaceIndex, [&](Interface &i) {
        i.config.openError = error;
        i.config.openErrno = 0;
    });
}

void setOpenDenied(int device, int interfaceIndex)
{
    withInterface(device, interfaceIndex, [&](Interface &i) {
        i.config.openError = "Failed to open a device with path '" + i.config.path + "': Permission denied";
        i.config.openErrno = EACCES;
    });
}

void setFailAllWrites(int device, int interfaceIndex, bool fail)
{
    withInterface(device, interfaceIndex, [&](Interface &i) { i.config.failAllWrites = fail; });
}

void setUnplugAtWrite(int device, int writeNumber)
{
    withDevice(device, [writeNumber](State &, Device &d) {
        d.unplugAtWrite = writeNumber;
        d.writesSeen = 0;
    });
}

void setFirmwareOptions(int device, const FirmwareOptions &options)
{
    withDevice(device, [&](State &, Device &d) {
        d.firmware = options;
        d.knob.options = {options.answerWithLegacyCodes, options.dropKey};
    });
}

FirmwareOptions firmwareOptions(int device)
{
    FirmwareOptions options;
    withDevice(device, [&](State &, Device &d) { options = d.firmware; });
    return options;
}

void setEnumerateDelay(int ms)
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.enumerateDelayMs = ms;
}

void preloadAssignment(int device, int physicalKey, const Packet &packet)
{
    withDevice(device, [&](State &, Device &d) { d.knob.preloadAssignment(physicalKey, packet); });
}

void preloadColour(int device, const Packet &packet)
{
    withDevice(device, [&](State &, Device &d) { d.knob.preloadColour(packet); });
}

std::map<int, Packet> storedAssignments(int device)
{
    std::map<int, Packet> out;
    withDevice(device, [&](State &, Device &d) { out = d.knob.assignments(); });
    return out;
}

Packet storedColour(int device)
{
    Packet out;
    withDevice(device, [&](State &, Device &d) { out = d.knob.colour(); });
    return out;
}

int readRequestCount(int device)
{
    int n = 0;
    withDevice(device, [&](State &, Device &d) { n = d.readRequests; });
    return n;
}

std::vector<WriteRecord> writes()
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.writes;
}

void clearWrites()
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.writes.clear();
}

int closedHandleCalls()
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.closedHandleCalls;
}

int openHandleCount()
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.openHandles;
}

int openCount(int device, int interfaceIndex)
{
    int n = 0;
    withInterface(device, interfaceIndex, [&](Interface &i) { n = i.opens; });
    return n;
}

int enumerateCount()
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.enumerations;
}

int maxConcurrentEnumerations()
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.maxLiveEnumerations;
}

double nowMs()
{
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return elapsedMs(s);
}

} // namespace hidsim
