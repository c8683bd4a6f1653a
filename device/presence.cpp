// Finding and losing the device by polling.
#include "ui/MainLayoutWidget.h"

#include "device/packetutil.h"

#include <QDebug>

void MainLayoutWidget::checkDeviceStatus()
{
    if (m_deviceProbeInFlight || m_bluetoothConnecting)
        return;

    if (m_isConnected) {
        const int limit = m_isBluetoothConnected ? 100 : 10;
        if (++m_livenessTicks >= limit) {
            m_livenessTicks = 0;
            checkConnectedDeviceAlive();
        }
        return;
    }

    m_livenessTicks = 0;
    if (m_exclusiveCooldownTicks > 0) {
        --m_exclusiveCooldownTicks;
        return;
    }
    bool idle = false;
    if (!m_probeWorkerBusy.compare_exchange_strong(idle, true))
        return;
    if (m_idleProbeTicks++ <= 8) {
        m_probeWorkerBusy = false;
        return;
    }
    m_idleProbeTicks = 0;
    startInterfaceScan(ScanKind::StatusTimer);
}

void MainLayoutWidget::checkConnectedDeviceAlive()
{
    // The probe is the same report as the assignment-end packet: written in
    // the middle of a save it would end a physical key's write early on the
    // device. A save's own writes notice an unplug, so none is needed then.
    if (!m_isConnected || m_configReadInProgress || m_saveRunning || m_isBluetoothConnected)
        return;

    hid_device *device = nullptr;
    unsigned long long generation = 0;
    {
        std::lock_guard<std::mutex> lock(m_deviceMutex);
        device = m_device;
        generation = m_deviceGeneration;
    }
    if (!device) {
        disconnectDevice();
        return;
    }

    const HidPacket probe = probeReport();
    QString error = QStringLiteral("未知错误");
    {
        std::lock_guard<std::mutex> lock(m_deviceMutex);
        if (m_device == device && m_deviceGeneration == generation) {
            if (hid_write(device, probe.data(), probe.size()) >= 0)
                return;
            // Read while the handle is certainly still open.
            if (const wchar_t *text = hid_error(device))
                error = QString::fromWCharArray(text);
        }
    }
    qDebug().noquote() << "[liveness] 句柄写探测失败，判定断开:" << error;
    disconnectDevice();
}
