// Times one Save of five physical keys, each packed with 18 key records,
// through the real window against the simulated knob.
#include "tools/hidsim/hidsim.h"
#include "ui/MainLayoutWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <cstdio>

namespace {

hidsim::Packet packedKey(unsigned char commandCode, unsigned char firstUsage)
{
    hidsim::Packet p(65, 0);
    p[0] = 0x03;
    p[1] = 0xFD;
    p[2] = commandCode;
    p[3] = 0x01;
    p[4] = 0x01;
    p[6] = 18;
    for (int i = 0; i < 18; ++i) {
        p[7 + 3 * i] = 0x00;
        p[8 + 3 * i] = i == 0 ? 0x00 : 0x32;
        p[9 + 3 * i] = static_cast<unsigned char>(firstUsage + i);
    }
    return p;
}

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    return QTest::qWaitFor(done, timeoutMs);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    hidsim::reset();
    const int device = hidsim::addDevice(hidsim::knobDevice());
    const unsigned char codes[5] = {0x02, 0x04, 0x05, 0x06, 0x03};
    for (int k = 1; k <= 5; ++k)
        hidsim::preloadAssignment(device, k, packedKey(codes[k - 1], static_cast<unsigned char>(0x04 + k)));

    MainLayoutWidget window;
    window.resize(1280, 720);
    window.show();
    window.autoConnectDevice();
    if (!waitFor([&] { return window.isDeviceConnected(); }, 10000)) {
        std::fprintf(stderr, "savebench: no connection\n");
        return 1;
    }
    // The read has finished once the five labels are filled and the flag is down.
    if (!waitFor(
            [&] {
                if (window.isConfigReadInProgress())
                    return false;
                for (int k = 1; k <= 5; ++k) {
                    auto *label = window.findChild<QLabel *>(QStringLiteral("knobKeyLabel%1").arg(k));
                    if (!label || label->text().isEmpty())
                        return false;
                }
                return true;
            },
            15000)) {
        std::fprintf(stderr, "savebench: configuration not loaded\n");
        return 1;
    }

    auto *save = window.findChild<QPushButton *>(QStringLiteral("saveButton"));
    if (!save) {
        std::fprintf(stderr, "savebench: no Save button\n");
        return 1;
    }
    hidsim::clearWrites();
    QElapsedTimer timer;
    timer.start();
    save->click();
    if (!waitFor([&] { return !window.isSaveRunning(); }, 30000)) {
        std::fprintf(stderr, "savebench: save did not finish\n");
        return 1;
    }
    const double wallMs = timer.nsecsElapsed() / 1e6;
    const auto writes = hidsim::writes();
    int accepted = 0;
    for (const auto &w : writes)
        accepted += w.result > 0 ? 1 : 0;
    const double span = writes.empty() ? 0 : writes.back().timeMs - writes.front().timeMs;
    const auto stored = hidsim::storedAssignments(device);
    std::printf("save_wall_ms=%.1f\nsave_first_to_last_write_ms=%.1f\nsave_reports_written=%d\nsave_reports_"
                "accepted=%d\n"
                "save_keys_stored=%d\n",
                wallMs, span, static_cast<int>(writes.size()), accepted, static_cast<int>(stored.size()));
    return 0;
}
