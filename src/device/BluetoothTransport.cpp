#include "device/BluetoothTransport.h"

#include "device/KnobOwnerLock.h"
#include "device/blewire.h"
#include "device/childprocess.h"
#include "protocol/configdecode.h"

#include <QCoreApplication>
#include <QDebug>
#include <QProcess>

namespace {

constexpr int kHelperStartMs = 5000;

} // namespace

bool BluetoothTransport::isUp() const
{
    return m_up && !address().isEmpty();
}

QString BluetoothTransport::knobIdentity() const
{
    return KnobOwnerLock::addressIdentity(address());
}

void BluetoothTransport::setUp(bool up)
{
    if (!up && m_up.exchange(false))
        ++m_generation;
    m_up = up;
}

void BluetoothTransport::close()
{
    setUp(false);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_runAnswers.clear();
}

void BluetoothTransport::setRunAnswers(const std::vector<Packet> &packets)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_runAnswers = packets;
}

ConfigReadOutcome BluetoothTransport::readConfiguration(unsigned long long generation,
                                                        const std::function<void(const Packet &)> &onPacket)
{
    std::vector<Packet> answers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        answers.swap(m_runAnswers);
    }
    ConfigReadOutcome outcome;
    if (generation != m_generation.load())
        return outcome;
    for (const Packet &packet : sortConfigPacketsForApply(answers))
        onPacket(packet);
    outcome.ok = true;
    outcome.receivedAny = !answers.empty();
    return outcome;
}

int BluetoothTransport::writeReportsOn(unsigned long long generation, const std::vector<Packet> &reports)
{
    // A link gone down since the operation began says so as one that is down.
    if (generation != m_generation.load()) {
        qDebug().noquote() << "BLE批量发送失败: 蓝牙设备未连接或无数据";
        return -1;
    }
    return writeReports(reports);
}

void BluetoothTransport::setAddress(const QString &address)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_address = address;
    m_linkLost = false;
}

QString BluetoothTransport::address() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_address;
}

void BluetoothTransport::setHelperDirectory(const QString &directory)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_helperDirectory = directory;
}

int BluetoothTransport::writeReports(const std::vector<Packet> &reports)
{
    if (m_connectRunActive) {
        qDebug().noquote() << "BLE批量发送跳过: 正在读取设备配置";
        return -1;
    }
    const QString address = this->address();
    if (!m_up || address.isEmpty() || reports.empty()) {
        qDebug().noquote() << "BLE批量发送失败: 蓝牙设备未连接或无数据";
        return -1;
    }
    QString directory;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        directory = m_helperDirectory;
    }
    if (directory.isEmpty())
        directory = QCoreApplication::applicationDirPath();
    const BleHelperCommand command =
        findBluetoothHelperCommand(directory, bleBatchWriteArguments(address, reports));
    if (!command.found) {
        qDebug().noquote() << "BLE批量发送失败: 未找到 macOS/Windows BLE helper";
        return -1;
    }

    // A process of this run only, created and waited for on this thread.
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    tieToThisProcess(process);
    process.start(command.program, command.arguments, QIODevice::ReadWrite);
    if (!process.waitForStarted(kHelperStartMs)) {
        qDebug().noquote() << "BLE批量发送失败: helper启动失败" << process.errorString();
        return -1;
    }
    // Never shorter than the helper's own bounds: a batch cut off part-way
    // leaves the knob with half a save.
    if (!process.waitForFinished(bleWriteRunLimitMs(reports.size()))) {
        process.kill();
        process.waitForFinished(1000);
        qDebug().noquote() << "BLE批量发送失败: helper写入超时";
        return -1;
    }
    const QByteArray output = process.readAll();
    if (!isBleBatchWriteAcknowledged(output, process.exitStatus() == QProcess::NormalExit,
                                     process.exitCode())) {
        qDebug().noquote() << "BLE批量发送失败:" << QString::fromUtf8(output);
        if (process.exitStatus() == QProcess::NormalExit && isBleLinkGoneExit(process.exitCode()))
            m_linkLost = true;
        return -1;
    }
    qDebug().noquote() << QStringLiteral("BLE批量发送成功, packets=%1").arg(reports.size());
    return kBlePacketSize * static_cast<int>(reports.size());
}
