// Reading the device's stored configuration over USB on a worker thread.
#include "ui/MainLayoutWidget.h"

#include "device/deviceworkers.h"
#include "protocol/configdecode.h"

#include <QDebug>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

QString hidErrorText(hid_device *device)
{
    const wchar_t *text = hid_error(device);
    return text ? QString::fromWCharArray(text) : QStringLiteral("未知错误");
}

constexpr int kFirstAnswerWindowMs = 5000;
constexpr int kRepeatedRequestWindowMs = 2000;
constexpr int kSilenceAfterAnswerMs = 500;
constexpr int kReadSliceMs = 100;

} // namespace

void MainLayoutWidget::startAsyncDeviceConfigRead()
{
    if (!m_device || !m_isConnected || m_configReadInProgress)
        return;
    m_configReadInProgress = true;
    clearLoadedConfigState();

    hid_device *const device = m_device;
    const unsigned long long generation = m_deviceGeneration;
    const QPointer<MainLayoutWidget> self(this);
    const std::weak_ptr<DeviceWorkers> weakWorkers = m_deviceWorkers;

    const bool started = m_deviceWorkers->start([self, device, generation, weakWorkers] {
        const auto workers = weakWorkers.lock();
        // The window joins its workers before it dies, so it is alive here;
        // once shutdown has begun nothing would reach it anyway.
        MainLayoutWidget *window = self.data();
        if (!workers || workers->shuttingDown() || !window)
            return;
        bool receivedAny = false;
        std::vector<std::vector<unsigned char>> packets;
        const bool ok = window->requestDeviceConfigPackets(device, generation, self, receivedAny, packets);
        workers->post([self, device, generation, ok, receivedAny] {
            if (self)
                self->finishConfigRead(device, generation, ok, receivedAny);
        });
    });
    if (!started) {
        m_configReadInProgress = false;
        qDebug().noquote() << "后台读取配置失败，保留当前UI状态";
    }
}

void MainLayoutWidget::finishConfigRead(hid_device *device, unsigned long long generation, bool ok,
                                        bool receivedAny)
{
    // A result of a link that has gone (or been replaced) changes nothing.
    if (!m_isConnected || m_device != device || m_deviceGeneration != generation)
        return;
    m_configReadInProgress = false;
    if (!ok) {
        qDebug().noquote() << "后台读取配置失败，保留当前UI状态";
        return;
    }
    if (!receivedAny) {
        qDebug().noquote() << "2秒内未收到配置包，保持当前UI状态";
        return;
    }
    qDebug().noquote() << "后台配置读取结束";
    m_selectedKnobKey = 0;
    updateKnobKeySelection();
    syncDelayWidgetForCurrentKnob();
}

bool MainLayoutWidget::configReadLinkCurrent(hid_device *device, unsigned long long generation,
                                             const QPointer<MainLayoutWidget> &self) const
{
    return self && m_device == device && m_deviceGeneration == generation;
}

bool MainLayoutWidget::sendConfigReadRequest(hid_device *device, unsigned long long generation,
                                             const QPointer<MainLayoutWidget> &self)
{
    const Packet request = buildReadRequestPacket();
    qDebug().noquote() << "发送自动读配置请求包:" << packetToHex(request);
    QString error;
    {
        std::lock_guard<std::mutex> lock(m_deviceMutex);
        if (!configReadLinkCurrent(device, generation, self))
            error = QStringLiteral("设备已断开");
        else if (hid_write(device, request.data(), request.size()) < 0)
            error = hidErrorText(device);
    }
    if (error.isEmpty())
        return true;
    qDebug().noquote() << QStringLiteral("自动读配置请求发送失败: %1").arg(error);
    return false;
}

bool MainLayoutWidget::requestDeviceConfigPackets(hid_device *device, unsigned long long generation,
                                                  const QPointer<MainLayoutWidget> &self, bool &receivedAny,
                                                  std::vector<std::vector<unsigned char>> &packets)
{
    packets.clear();
    receivedAny = false;
    if (!device)
        return false;
    if (!sendConfigReadRequest(device, generation, self))
        return false;

    int windowMs = kFirstAnswerWindowMs;
    Clock::time_point start = Clock::now();
    bool repeated = false;
    unsigned char buffer[kReportSize];

    for (;;) {
        if (msSince(start) >= windowMs) {
            if (receivedAny || repeated)
                return true;
            qDebug().noquote() << "5秒内未收到配置包，重新发送读配置请求";
            if (!sendConfigReadRequest(device, generation, self))
                return false;
            repeated = true;
            windowMs = kRepeatedRequestWindowMs;
            start = Clock::now();
            continue;
        }

        int r = 0;
        QString error;
        {
            // One short read per lock, so writes and probes are never held up long.
            std::lock_guard<std::mutex> lock(m_deviceMutex);
            if (!configReadLinkCurrent(device, generation, self))
                return false;
            r = hid_read_timeout(device, buffer, sizeof buffer, kReadSliceMs);
            if (r < 0)
                error = hidErrorText(device);
        }
        if (r < 0) {
            if (!receivedAny) {
                qDebug().noquote() << QStringLiteral("读取配置失败: %1").arg(error);
                return false;
            }
            qDebug().noquote()
                << QStringLiteral("读取配置尾部返回错误，已收到配置包，按读取结束处理: %1").arg(error);
            return true;
        }
        if (r == 0)
            continue;

        start = Clock::now();
        receivedAny = true;
        windowMs = kSilenceAfterAnswerMs;
        const Packet raw(buffer, buffer + r);
        const Packet packet = normaliseConfigResponse(raw);
        qDebug().noquote() << "读配置响应包(原始):" << packetToHex(raw);
        if (packet != raw)
            qDebug().noquote() << "读配置响应包(处理后):" << packetToHex(packet);

        if (::isConfigReadEndPacket(packet)) {
            qDebug().noquote() << "收到配置读取结束包";
            return true;
        }
        packets.push_back(packet);
        // Posted calls run in order, so every packet is applied before the completion.
        m_deviceWorkers->post([self, device, generation, packet] {
            if (self && self->m_isConnected && self->m_device == device &&
                self->m_deviceGeneration == generation)
                self->applyReadConfigPacket(packet);
        });
    }
}

bool MainLayoutWidget::isConfigReadEndPacket(const std::vector<unsigned char> &packet) const
{
    return ::isConfigReadEndPacket(packet);
}
