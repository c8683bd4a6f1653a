#include "support/devicetestsupport.h"

#include <QTest>
#include <QTimer>

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

void MainLayoutWidgetTestAccess::stopStatusTimer(MainLayoutWidget &w)
{
    if (w.m_statusTimer)
        w.m_statusTimer->stop();
    if (w.m_bluetoothAutoConnectTimer)
        w.m_bluetoothAutoConnectTimer->stop();
}

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

bool connectWindow(MainLayoutWidget &w, int timeoutMs)
{
    w.autoConnectDevice();
    QElapsedTimer timer;
    timer.start();
    while (!MainLayoutWidgetTestAccess::isConnected(w) && timer.elapsed() < timeoutMs)
        QTest::qWait(10);
    return MainLayoutWidgetTestAccess::isConnected(w);
}

std::vector<hidsim::WriteRecord> writesSince(double ms, bool withReadRequests)
{
    std::vector<hidsim::WriteRecord> out;
    for (hidsim::WriteRecord &r : hidsim::writes())
        if (r.timeMs >= ms && (withReadRequests || r.bytes.size() < 2 || r.bytes[1] != 0xFF))
            out.push_back(std::move(r));
    return out;
}
