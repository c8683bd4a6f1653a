#include "support/devicetestsupport.h"

#include "device/KnobSession.h"

#include <QSignalSpy>
#include <QTest>

int resetWithKnob()
{
    hidsim::reset();
    return hidsim::addDevice(hidsim::knobDevice());
}

bool connectSession(KnobSession &session, int timeoutMs)
{
    if (session.isConnected())
        return true;
    QSignalSpy changed(&session, &KnobSession::connectionChanged);
    session.connectNow();
    return QTest::qWaitFor(
        [&] {
            for (const QList<QVariant> &args : std::as_const(changed))
                if (args.at(0).toBool())
                    return true;
            return false;
        },
        timeoutMs);
}

bool connectAndReadSession(KnobSession &session, int timeoutMs)
{
    QSignalSpy finished(&session, &KnobSession::configReadFinished);
    if (!connectSession(session, timeoutMs))
        return false;
    return QTest::qWaitFor([&] { return !finished.isEmpty(); }, timeoutMs);
}

std::vector<hidsim::WriteRecord> writesSince(double ms, bool withReadRequests)
{
    std::vector<hidsim::WriteRecord> out;
    for (hidsim::WriteRecord &r : hidsim::writes())
        if (r.timeMs >= ms && (withReadRequests || r.bytes.size() < 2 || r.bytes[1] != 0xFF))
            out.push_back(std::move(r));
    return out;
}
