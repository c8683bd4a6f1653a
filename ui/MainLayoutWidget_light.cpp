// Lighting changes go to the device at once, coalesced: the newest values are
// kept and at most one colour packet is on its way at any time.
#include "ui/MainLayoutWidget.h"

#include "device/deviceworkers.h"
#include "protocol/packets.h"

#include <QDebug>
#include <QTimer>

void MainLayoutWidget::queueLightSettings(const QColor &color, int brightness, bool on)
{
    m_pendingLightColor = color;
    m_pendingLightBrightness = brightness;
    m_pendingLightOn = on;

    if (!m_isConnected) {
        qDebug().noquote() << "设备未连接，无法发送灯光命令";
        return;
    }
    if (m_lightSendInFlight) {
        m_lightSendPending = true;
        return;
    }
    // A drag restarts the timer with every step, so only its last values go out.
    if (m_lightSendTimer)
        m_lightSendTimer->start();
    else
        flushPendingLightSettings();
}

void MainLayoutWidget::flushPendingLightSettings()
{
    if (m_lightSendInFlight) {
        m_lightSendPending = true;
        return;
    }
    if (!m_isConnected)
        return;

    const QColor color = m_pendingLightColor;
    const int brightness = m_pendingLightBrightness;
    const bool on = m_pendingLightOn;
    m_lightSendInFlight = true;
    m_lightSendPending = false;

    const QPointer<MainLayoutWidget> self(this);
    const std::weak_ptr<DeviceWorkers> weakWorkers = m_deviceWorkers;
    const bool started = m_deviceWorkers->start([self, weakWorkers, color, brightness, on] {
        const auto workers = weakWorkers.lock();
        // Alive until the window has joined its workers.
        MainLayoutWidget *window = self.data();
        if (!workers || workers->shuttingDown() || !window)
            return;
        const bool ok = window->sendLightSettings(color, brightness, on);
        workers->post([self, ok] {
            if (self)
                self->finishLightSend(ok);
        });
    });
    if (!started)
        finishLightSend(false);
}

void MainLayoutWidget::finishLightSend(bool ok)
{
    m_lightSendInFlight = false;
    if (!ok) {
        qDebug().noquote() << "灯光命令发送失败";
        if (m_isConnected)
            showToast(false, QStringLiteral("灯光命令发送失败"), QStringLiteral("请确认设备连接正常"));
    }
    if (!m_lightSendPending)
        return;
    m_lightSendPending = false;
    if (m_lightSendTimer) {
        m_lightSendTimer->setInterval(0);
        m_lightSendTimer->start();
    } else {
        flushPendingLightSettings();
    }
}

bool MainLayoutWidget::sendLightSettings(const QColor &color, int brightness, bool on)
{
    qDebug().noquote() << QStringLiteral("发送灯光设置: Color=%1 Brightness=%2 ON=%3")
                              .arg(color.name())
                              .arg(brightness)
                              .arg(on ? QStringLiteral("true") : QStringLiteral("false"));
    bool haveUsbHandle = false;
    {
        std::lock_guard<std::mutex> lock(m_deviceMutex);
        haveUsbHandle = m_device != nullptr;
    }
    const bool bluetooth = m_isBluetoothConnected;
    if (!haveUsbHandle && !bluetooth)
        return false;

    const Packet packet =
        buildColorPacket(static_cast<unsigned char>(color.red()), static_cast<unsigned char>(color.green()),
                         static_cast<unsigned char>(color.blue()), brightness, on);
    if (bluetooth) {
        if (sendBluetoothPacketsFast({packet}))
            return true;
    }
    // Command code 0x00: no compatibility copy, whatever key is selected.
    return sendPacketForKnobKey(packet, 0) > 0;
}
