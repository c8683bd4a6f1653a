#include "support/devicetestsupport.h"

#include "device/KnobSession.h"

#include <QMutex>
#include <QSignalSpy>
#include <QTest>

namespace {

QMutex g_recordMutex;
QStringList g_records;
QtMessageHandler g_previous = nullptr;
int g_recorders = 0;

void recordMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        QMutexLocker lock(&g_recordMutex);
        g_records.append(message);
    }
    if (qEnvironmentVariableIsSet("VX_TEST_VERBOSE") && g_previous)
        g_previous(type, context, message);
}

} // namespace

LogRecorder::LogRecorder()
{
    QMutexLocker lock(&g_recordMutex);
    if (g_recorders++ == 0) {
        g_records.clear();
        g_previous = qInstallMessageHandler(recordMessage);
    }
}

LogRecorder::~LogRecorder()
{
    QMutexLocker lock(&g_recordMutex);
    if (--g_recorders == 0)
        qInstallMessageHandler(g_previous);
}

QStringList LogRecorder::lines() const
{
    QMutexLocker lock(&g_recordMutex);
    return g_records;
}

int LogRecorder::count(const QString &fragment) const
{
    QMutexLocker lock(&g_recordMutex);
    int n = 0;
    for (const QString &line : std::as_const(g_records))
        if (line.contains(fragment))
            ++n;
    return n;
}

void LogRecorder::clear()
{
    QMutexLocker lock(&g_recordMutex);
    g_records.clear();
}

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

std::vector<hidsim::Packet> colourWrites()
{
    std::vector<hidsim::Packet> out;
    for (const hidsim::WriteRecord &r : hidsim::writes()) {
        if (r.bytes.size() >= 4 && r.bytes[1] == 0xFD && r.bytes[2] == 0x00 && r.bytes[3] == 0x06)
            out.push_back(r.bytes);
    }
    return out;
}
