// Soak: connect, read the configuration, save it and unplug, over and over for
// a few minutes against the simulated knob, then compare open hidapi handles,
// open file descriptors, threads and resident memory with the figures after
// the first cycle (Qt sets up its caches during that one). Nothing may grow.
//
//   vx_soak [MINUTES]   (default 3; fractions allowed)
//
// Exit status 0 when nothing grew, 1 when something did, 2 when a cycle could
// not be completed at all.
#include "bench/knobpackets.h"
#include "device/KnobSession.h"
#include "tests/fakes/hidsim/hidsim.h"
#include "ui/MainLayoutWidget.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

struct Figures
{
    int handles = 0;
    int fds = 0;
    int threads = 0;
    long rssKiB = 0;
};

long statusField(const char *name)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(name) + ':';
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toLong();
    }
    return -1;
}

Figures measure()
{
    Figures f;
    f.handles = hidsim::openHandleCount();
    f.fds = int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
    f.threads = int(statusField("Threads"));
    f.rssKiB = statusField("VmRSS");
    return f;
}

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    return QTest::qWaitFor(done, timeoutMs);
}

// Everything the soak does to the device and the window goes through here, so
// it can drive another front end by changing these few calls.
struct SoakDriver
{
    KnobSession &session;
    MainLayoutWidget &window;
    int device;

    int readRequestsSeen = 0;
    int reportsWritten = 0;

    bool connect()
    {
        readRequestsSeen = hidsim::readRequestCount(device);
        hidsim::replug(device);
        session.connectNow();
        return waitFor([&] { return session.isConnected(); }, 10000);
    }
    // Done once the device has been asked and the read has ended.
    bool read()
    {
        return waitFor(
            [&] {
                return hidsim::readRequestCount(device) > readRequestsSeen &&
                       !session.isConfigReadInProgress();
            },
            15000);
    }
    // Done once the save has ended and the device took at least one key.
    bool save()
    {
        auto *button = window.findChild<QPushButton *>(QStringLiteral("saveButton"));
        if (!button)
            return false;
        hidsim::clearWrites();
        button->click();
        if (!waitFor([&] { return !session.isSaveRunning(); }, 30000))
            return false;
        int accepted = 0;
        for (const hidsim::WriteRecord &w : hidsim::writes())
            accepted +=
                w.result > 0 && w.bytes.size() > 4 && w.bytes[1] == 0xFD && w.bytes[4] == 0x01 ? 1 : 0;
        reportsWritten += accepted;
        return accepted > 0;
    }
    bool unplug()
    {
        hidsim::unplug(device);
        return waitFor([&] { return !session.isConnected(); }, 10000);
    }
};

void print(const char *label, const Figures &f)
{
    std::printf("%s: hid_handles=%d fds=%d threads=%d rss=%.1f MiB\n", label, f.handles, f.fds, f.threads,
                f.rssKiB / 1024.0);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    const double minutes = argc > 1 ? std::atof(argv[1]) : 3.0;

    hidsim::reset();
    const int device = hidsim::addDevice(hidsim::knobDevice());
    const unsigned char codes[5] = {0x02, 0x04, 0x05, 0x06, 0x03};
    for (int k = 1; k <= 5; ++k)
        hidsim::preloadAssignment(device, k,
                                  keyPacket(codes[k - 1], static_cast<unsigned char>(0x04 + k), 6));
    hidsim::preloadColour(device, {0x03, 0xFD, 0x00, 0x06, 0xFF, 0x80, 0x00, 0x64, 0x01});

    KnobSession session;
    MainLayoutWidget window(&session);
    window.resize(1280, 720);
    window.show();
    // The presence timer notices each unplug, as in the app.
    session.start();
    SoakDriver driver{session, window, device};

    const auto cycle = [&](int n) {
        const char *step = !driver.connect()  ? "connect"
                           : !driver.read()   ? "read"
                           : !driver.save()   ? "save"
                           : !driver.unplug() ? "unplug"
                                              : nullptr;
        if (step)
            std::fprintf(stderr, "soak: cycle %d stuck at %s\n", n, step);
        return step == nullptr;
    };

    const Figures before = measure();
    if (!cycle(0))
        return 2;
    const Figures start = measure();
    QElapsedTimer clock;
    clock.start();
    int cycles = 1;
    while (clock.elapsed() < qint64(minutes * 60000)) {
        if (!cycle(cycles))
            return 2;
        ++cycles;
    }
    // Let detached workers finish their last posted calls before counting.
    QTest::qWait(1500);
    const Figures end = measure();

    std::printf("soak: %d cycles in %.1f s, %d key reports accepted\n", cycles, clock.elapsed() / 1000.0,
                driver.reportsWritten);
    print("before first cycle", before);
    print("after first cycle ", start);
    print("end               ", end);
    std::printf("most hid_enumerate lists alive at once: %d\n", hidsim::maxConcurrentEnumerations());

    // Memory may wobble with the allocator; a leak per cycle shows as steady
    // growth far beyond this.
    const long rssSlackKiB = 8 * 1024;
    const bool grew = end.handles > start.handles || end.fds > start.fds || end.threads > start.threads ||
                      end.rssKiB > start.rssKiB + rssSlackKiB;
    std::printf("soak: %s\n", grew ? "GREW" : "nothing grew");
    return grew ? 1 : 0;
}
