// Sending packets over the link that is up.
#include "ui/MainLayoutWidget.h"

#include "device/packetutil.h"

#include <QDebug>

namespace {

QString compatLine(const char *prefix, const HidPacket &packet)
{
    return QStringLiteral("%1 0x%2")
        .arg(QString::fromUtf8(prefix))
        .arg(packet[2], 2, 16, QLatin1Char('0'))
        .toUpper();
}

} // namespace

QString MainLayoutWidget::packetToHex(const std::vector<unsigned char> &packet)
{
    return ::packetToHex(packet);
}

unsigned char MainLayoutWidget::getLegacyCommandCodeForSelectedKey() const
{
    return compatibilityCommandCode(m_selectedKnobKey);
}

int MainLayoutWidget::sendPacketWithResult(const std::vector<unsigned char> &packet)
{
    return sendPacketForKnobKey(packet, m_selectedKnobKey);
}

int MainLayoutWidget::sendPacketForKnobKey(const std::vector<unsigned char> &packet, int knobKey)
{
    if (!m_isConnected) {
        qDebug().noquote() << "错误: 设备未连接";
        return -1;
    }
    const std::vector<HidPacket> sendList = buildSendList(packet, knobKey);

    if (m_isBluetoothConnected) {
        if (m_collectBluetoothBatch) {
            m_bluetoothBatchPackets.insert(m_bluetoothBatchPackets.end(), sendList.begin(), sendList.end());
            return static_cast<int>(packet.size());
        }
        int first = -1;
        for (std::size_t i = 0; i < sendList.size(); ++i) {
            if (i > 0)
                qDebug().noquote() << compatLine("BLE写入兼容Command", sendList[i]);
            const bool ok = sendBluetoothPacketsFast({sendList[i]});
            const int count = ok ? static_cast<int>(sendList[i].size()) : -1;
            if (first <= 0 && count > 0)
                first = count;
        }
        return first;
    }

    bool haveDevice = false;
    {
        // The save worker calls this too: even the null check reads m_device under the lock.
        std::lock_guard<std::mutex> lock(m_deviceMutex);
        haveDevice = m_device != nullptr;
    }
    if (!haveDevice) {
        qDebug().noquote() << "错误: 设备未连接";
        return -1;
    }
    // Held for every write and retry, so no other report lands between the
    // packets of this send list.
    std::lock_guard<std::mutex> lock(m_deviceMutex);
    hid_device *device = m_device;
    if (!device) {
        qDebug().noquote() << "错误: 设备在发送前已断开";
        return -1;
    }

    int result = -1;
    for (std::size_t i = 0; i < sendList.size(); ++i) {
        if (i > 0)
            qDebug().noquote() << compatLine("同步写入兼容Command", sendList[i]);
        const int written = hid_write(device, sendList[i].data(), sendList[i].size());
        if (result < 0 && written >= 0)
            result = written;
    }
    if (result >= 0)
        return result;

    const wchar_t *error = hid_error(device);
    qDebug().noquote() << (error ? QStringLiteral("发送错误: %1").arg(QString::fromWCharArray(error))
                                 : QStringLiteral("发送错误: 未知错误"));
    qDebug().noquote() << "尝试兼容报告格式重试...";
    for (const UsbWriteAttempt &attempt : compatibilityRetries(sendList)) {
        const int written = hid_write(device, attempt.bytes.data(), attempt.bytes.size());
        if (written < 0)
            continue;
        qDebug().noquote() << (attempt.kind == UsbWriteAttempt::ReportIdZero
                                   ? QStringLiteral("兼容重试成功: 65字节 + ReportID=0x00")
                                   : QStringLiteral("兼容重试成功: 64字节无ReportID"));
        return written;
    }
    qDebug().noquote() << "所有兼容重试失败";
    return -1;
}
