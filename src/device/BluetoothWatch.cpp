#include "device/BluetoothWatch.h"

#include "device/blewire.h"
#include "device/childprocess.h"

#include <QCoreApplication>
#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kPollMs = 3000;
constexpr int kFirstRunMs = 500;
constexpr int kBackoffFirstMs = 5000;
constexpr int kBackoffMaxMs = 5 * 60 * 1000;
// A watch that stayed up this long starts its back-off afresh when it ends.
constexpr int kSteadyWatchMs = 60000;
constexpr int kKillWaitMs = 500;
// Exit code of a helper that does not know the command.
constexpr int kUsageExit = 64;
// Exit code of a run that found no usable service (or MTU) on the knob.
constexpr int kNoServiceExit = 4;
constexpr int kQuickRetryMs = 1000;

} // namespace

BluetoothWatch::BluetoothWatch(QObject *parent) : QObject(parent)
{
    m_process = new QProcess(this);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &BluetoothWatch::onReadyRead);
    connect(m_process, &QProcess::finished, this, [this](int exitCode) { onFinished(exitCode); });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            onFinished(kUsageExit);
    });
    m_runTimer = new QTimer(this);
    m_runTimer->setSingleShot(true);
    connect(m_runTimer, &QTimer::timeout, this, [this] {
        if (!m_linkUp && !m_stopped)
            emit connectWanted();
    });
    m_restartTimer = new QTimer(this);
    m_restartTimer->setSingleShot(true);
    connect(m_restartTimer, &QTimer::timeout, this, &BluetoothWatch::startWatch);
}

BluetoothWatch::~BluetoothWatch()
{
    stop();
}

void BluetoothWatch::start()
{
    m_stopped = false;
    startWatch();
}

void BluetoothWatch::stop()
{
    m_stopped = true;
    m_runTimer->stop();
    m_restartTimer->stop();
    if (m_process->state() == QProcess::NotRunning)
        return;
    const QSignalBlocker blocker(m_process);
    m_process->kill();
    m_process->waitForFinished(kKillWaitMs);
}

void BluetoothWatch::startWatch()
{
    if (m_stopped)
        return;
    const QString directory =
        m_helperDirectory.isEmpty() ? QCoreApplication::applicationDirPath() : m_helperDirectory;
    const BleHelperCommand command = findBluetoothHelperCommand(directory, {QStringLiteral("watch")});
    if (!command.found) {
        onFinished(kUsageExit);
        return;
    }
    m_parser.clear();
    m_connectedKnobs.clear();
    m_watchUptime.start();
    // Write mode keeps the helper's standard input open: it ends when that closes.
    tieToThisProcess(*m_process);
    m_process->start(command.program, command.arguments, QIODevice::ReadWrite);
}

void BluetoothWatch::onReadyRead()
{
    for (const QByteArray &line : m_parser.appendChunk(m_process->readAllStandardOutput()))
        handleLine(line);
}

void BluetoothWatch::handleLine(const QByteArray &line)
{
    const QJsonObject o = QJsonDocument::fromJson(line).object();
    const QString type = o.value(QLatin1String("type")).toString();
    if (type == QLatin1String("bluetooth")) {
        const bool available = o.value(QLatin1String("available")).toBool();
        const QString reason = o.value(QLatin1String("reason")).toString();
        qDebug().noquote() << (available ? QStringLiteral("蓝牙可用")
                                         : QStringLiteral("蓝牙不可用: %1").arg(reason));
        emit availabilityChanged(available, reason);
    } else if (type == QLatin1String("knob")) {
        const QString address = o.value(QLatin1String("address")).toString();
        const bool connected = o.value(QLatin1String("connected")).toBool();
        const int battery = connected ? o.value(QLatin1String("battery")).toInt(-1) : -1;
        if (battery != m_battery.value(address, -1)) {
            m_battery.insert(address, battery);
            if (battery >= 0)
                qDebug().noquote() << QStringLiteral("蓝牙电量: %1%").arg(battery);
            emit batteryChanged(address, battery);
        }
        // A line that only brings a new battery level.
        if (connected && m_connectedKnobs.contains(address))
            return;
        qDebug().noquote() << QStringLiteral("蓝牙旋钮 %1 %2").arg(address, connected ? "已连接" : "已断开");
        if (connected) {
            m_connectedKnobs.insert(address);
            m_failureBackoffMs = 0;
            m_lastFailure.clear();
            m_retriedQuickly = false;
            m_waitForReconnect = false;
            scheduleRun(0);
        } else {
            m_connectedKnobs.remove(address);
            if (m_connectedKnobs.isEmpty())
                m_runTimer->stop();
            emit knobGone(address);
        }
    }
}

void BluetoothWatch::onFinished(int exitCode)
{
    if (m_stopped)
        return;
    m_connectedKnobs.clear();
    for (auto it = m_battery.cbegin(); it != m_battery.cend(); ++it) {
        if (it.value() >= 0)
            emit batteryChanged(it.key(), -1);
    }
    m_battery.clear();
    if (exitCode == kUsageExit) {
        // No helper, or one without the watch: ask for runs on a timer.
        if (!m_polling)
            qDebug().noquote() << "蓝牙监视不可用，改为定时尝试连接";
        m_polling = true;
        scheduleRun(kFirstRunMs);
        return;
    }
    if (m_watchUptime.isValid() && m_watchUptime.elapsed() >= kSteadyWatchMs)
        m_watchBackoffMs = 0;
    m_watchBackoffMs =
        m_watchBackoffMs == 0 ? kBackoffFirstMs : std::min(m_watchBackoffMs * 2, kBackoffMaxMs);
    qDebug().noquote() << QStringLiteral("蓝牙监视已退出 (exitCode=%1)，%2 秒后重启")
                              .arg(exitCode)
                              .arg(m_watchBackoffMs / 1000);
    m_restartTimer->start(m_watchBackoffMs);
}

void BluetoothWatch::setLinkUp(bool up)
{
    m_linkUp = up;
    if (up) {
        m_runTimer->stop();
        m_retriedQuickly = false;
        return;
    }
    // Connecting resumes: at once when the watch knows a knob is there.
    m_failureBackoffMs = 0;
    m_lastFailure.clear();
    if (m_polling)
        scheduleRun(kFirstRunMs);
    else if (!m_connectedKnobs.isEmpty())
        scheduleRun(0);
}

bool BluetoothWatch::noteRunFinished(const QString &failure, int exitCode)
{
    if (failure.isEmpty() || m_linkUp || m_stopped)
        return true;
    const bool quickRetry = !isBleNoKnobExit(exitCode) && !std::exchange(m_retriedQuickly, true);
    // Only retried while a run has something to find.
    if (!m_polling && m_connectedKnobs.isEmpty())
        return true;
    if (quickRetry) {
        m_lastFailure = failure;
        m_failureBackoffMs = 0;
        scheduleRun(kQuickRetryMs);
        return false;
    }
    if (!m_polling && exitCode == kNoServiceExit) {
        m_runTimer->stop();
        m_waitForReconnect = true;
        return true;
    }
    if (failure != m_lastFailure) {
        m_lastFailure = failure;
        m_failureBackoffMs = 0;
        scheduleRun(m_polling ? kPollMs : kBackoffFirstMs);
        return true;
    }
    scheduleRun(nextBackoffMs());
    return true;
}

int BluetoothWatch::nextBackoffMs()
{
    m_failureBackoffMs =
        m_failureBackoffMs == 0 ? kBackoffFirstMs : std::min(m_failureBackoffMs * 2, kBackoffMaxMs);
    return m_failureBackoffMs;
}

void BluetoothWatch::scheduleRun(int delayMs)
{
    if (m_linkUp || m_stopped || m_waitForReconnect)
        return;
    m_runTimer->start(delayMs);
}
