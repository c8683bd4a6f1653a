// Times one save of five physical keys, each packed with 18 key records,
// through the knob session against the simulated knob.
#include "bench/knobpackets.h"
#include "device/KnobSession.h"
#include "protocol/knobdocument.h"
#include "tests/fakes/hidsim/hidsim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <cstdio>

namespace {

// Five keys of 18 plain keys each, 50 ms apart: what the packed keys above decode to.
KnobDocument packedDocument()
{
    KnobDocument document;
    for (int k = 1; k <= 5; ++k)
        for (int i = 0; i < 18; ++i)
            document.keys[k - 1] << KnobAction::key(0, static_cast<unsigned char>(0x04 + k + i),
                                                    KnobAction::defaultDelay(i));
    return document;
}

int fail(const char *what)
{
    std::fprintf(stderr, "savebench: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    hidsim::reset();
    const int device = hidsim::addDevice(hidsim::knobDevice());
    const unsigned char codes[5] = {0x02, 0x04, 0x05, 0x06, 0x03};
    for (int k = 1; k <= 5; ++k)
        hidsim::preloadAssignment(device, k,
                                  keyPacket(codes[k - 1], static_cast<unsigned char>(0x04 + k), 18));

    KnobSession session;
    QSignalSpy connected(&session, &KnobSession::connectionChanged);
    QSignalSpy packets(&session, &KnobSession::configPacketRead);
    QSignalSpy readDone(&session, &KnobSession::configReadFinished);
    QSignalSpy saved(&session, &KnobSession::saveFinished);
    session.connectNow();
    if (!QTest::qWaitFor([&] { return session.isConnected(); }, 10000))
        return fail("no connection");
    if (!QTest::qWaitFor([&] { return !readDone.isEmpty(); }, 15000))
        return fail("configuration read did not finish");
    if (!readDone.at(0).at(0).toBool() || packets.size() != 5)
        return fail("configuration not read");

    hidsim::clearWrites();
    QElapsedTimer timer;
    timer.start();
    if (!session.save(packedDocument()))
        return fail("save refused");
    if (!QTest::qWaitFor([&] { return !saved.isEmpty(); }, 30000))
        return fail("save did not finish");
    const double wallMs = timer.nsecsElapsed() / 1e6;
    if (!saved.at(0).at(0).toBool())
        return fail("save failed");

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
