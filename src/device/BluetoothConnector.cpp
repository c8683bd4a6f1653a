#include "device/BluetoothConnector.h"

#include "device/blewire.h"
#include "device/childprocess.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMetaEnum>

namespace {

constexpr int kKillWaitMs = 500;

} // namespace

BluetoothConnector::BluetoothConnector(QObject *parent) : QObject(parent)
{
    m_process = new QProcess(this);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &BluetoothConnector::onReadyRead);
    connect(m_process, &QProcess::finished, this, &BluetoothConnector::onFinished);
    connect(m_process, &QProcess::started, this, [this] { logTiming("helper_process_started"); });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        qDebug().noquote() << "蓝牙助手进程错误:"
                           << QMetaEnum::fromType<QProcess::ProcessError>().valueToKey(error)
                           << m_process->errorString();
        // A helper that could not start never finishes: end the run here.
        if (error == QProcess::FailedToStart && m_running)
            onFinished(-1, QProcess::CrashExit);
    });
}

BluetoothConnector::~BluetoothConnector()
{
    stop();
}

QString BluetoothConnector::helperDirectory() const
{
    return m_helperDirectory.isEmpty() ? QCoreApplication::applicationDirPath() : m_helperDirectory;
}

bool BluetoothConnector::isProcessRunning() const
{
    return m_process->state() != QProcess::NotRunning;
}

void BluetoothConnector::stop()
{
    if (!isProcessRunning())
        return;
    // No report from a helper that is being replaced or shut down.
    const QSignalBlocker blocker(m_process);
    m_process->kill();
    m_process->waitForFinished(kKillWaitMs);
    m_running = false;
}

void BluetoothConnector::clearIdentity()
{
    m_address.clear();
    m_deviceId.clear();
    m_writeUuid.clear();
}

void BluetoothConnector::log(const QString &line) const
{
    if (!m_quiet)
        qDebug().noquote() << line;
}

void BluetoothConnector::logTiming(const char *phase) const
{
    if (!m_timingActive || !m_timing.isValid())
        return;
    log(QStringLiteral("[BLE_TIMING] phase=%1 elapsed_ms=%2")
            .arg(QString::fromLatin1(phase))
            .arg(m_timing.elapsed()));
}

bool BluetoothConnector::startRun()
{
    stop();
    m_parser.clear();
    m_timing.restart();
    m_timingActive = true;
    m_firstOutputSeen = false;
    log(QStringLiteral("[BLE_TIMING] phase=qt_helper_launch elapsed_ms=0"));
    m_run = Outcome{};
    m_running = true;

    const BleHelperCommand command = findBluetoothHelperCommand(helperDirectory(), bleAutoConnectArguments());
    if (!command.found) {
        m_timingActive = false;
        m_running = false;
        return false;
    }
    log(QStringLiteral("启动蓝牙自动查询: %1 %2")
            .arg(command.program, command.arguments.join(QLatin1Char(' '))));
    tieToThisProcess(*m_process);
    m_process->start(command.program, command.arguments, QIODevice::ReadWrite);
    return true;
}

void BluetoothConnector::onReadyRead()
{
    const QByteArray chunk = m_process->readAllStandardOutput();
    if (m_timingActive && !m_firstOutputSeen) {
        m_firstOutputSeen = true;
        logTiming("helper_first_output");
    }
    for (const QByteArray &line : m_parser.appendChunk(chunk))
        handleLine(line);
}

void BluetoothConnector::handleLine(const QByteArray &line)
{
    log(QStringLiteral("蓝牙助手: ") + QString::fromUtf8(line));
    const std::optional<BleHelperMessage> parsed = BleLineParser::parseLine(line);
    if (!parsed)
        return;
    const BleHelperMessage &m = *parsed;
    switch (m.type) {
    case BleHelperMessage::Type::Connected:
        if (!m.address.isEmpty())
            m_address = m.address;
        if (!m.deviceId.isEmpty())
            m_deviceId = m.deviceId;
        m_run.connectedInRun = true;
        break;
    case BleHelperMessage::Type::GattUuids:
        if (!m.writeUuid.isEmpty())
            m_writeUuid = m.writeUuid;
        break;
    case BleHelperMessage::Type::WriteOk:
        if (m.query)
            m_run.querySent = true;
        break;
    case BleHelperMessage::Type::HardwareProbe:
        m_run.online = m.online;
        break;
    case BleHelperMessage::Type::Notify:
        if (!m.packet.empty())
            m_run.packets.push_back(m.packet);
        break;
    case BleHelperMessage::Type::SessionDisconnected:
        m_run.connectedInRun = false;
        m_run.online = false;
        break;
    case BleHelperMessage::Type::Error:
        m_run.error = m.message;
        break;
    case BleHelperMessage::Type::WriteReady:
        break;
    }
    emit messageReceived(m);
}

void BluetoothConnector::onFinished(int exitCode, QProcess::ExitStatus status)
{
    const bool timed = m_timingActive;
    if (timed) {
        logTiming("helper_process_finished");
        m_timingActive = false;
    }
    // What the helper printed last without a newline still counts.
    if (m_process->bytesAvailable() > 0) {
        for (const QByteArray &line : m_parser.appendChunk(m_process->readAllStandardOutput()))
            handleLine(line);
    }
    const QByteArray rest = m_parser.takeRemainder();
    log(QStringLiteral("蓝牙助手结束: exitCode=%1 exitStatus=%2 配置包数=%3")
            .arg(exitCode)
            .arg(int(status))
            .arg(m_run.packets.size()));
    if (!rest.isEmpty())
        handleLine(rest);
    m_running = false;
    Outcome outcome = m_run;
    outcome.timed = timed;
    outcome.exitCode = status == QProcess::NormalExit ? exitCode : -1;
    // Kept for the "configuration applied" timing line.
    m_timingActive = timed;
    emit runFinished(outcome);
    m_timingActive = false;
}
