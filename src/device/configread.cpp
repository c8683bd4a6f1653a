#include "device/configread.h"

#include "device/KnobLink.h"
#include "device/KnobPort.h"
#include "device/packetutil.h"
#include "protocol/configdecode.h"

#include <QDebug>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

constexpr int kFirstAnswerWindowMs = 5000;
constexpr int kRepeatedRequestWindowMs = 2000;
constexpr int kSilenceAfterAnswerMs = 500;
constexpr int kReadSliceMs = 100;

QString portError(const KnobPort &port)
{
    const QString text = port.errorText();
    return text.isEmpty() ? QStringLiteral("未知错误") : text;
}

enum class Sent
{
    Whole,
    Short, // the firmware drops a report it did not get whole
    Failed
};

Sent sendRequest(KnobLink &transport, unsigned long long generation)
{
    const Packet request = buildReadRequestPacket();
    qDebug().noquote() << "发送自动读配置请求包:" << packetToHex(request);
    QString error;
    Sent sent = Sent::Failed;
    const bool current = transport.withPort(generation, [&](KnobPort &port) {
        drainPendingInput(port);
        const int written = port.write(request.data(), request.size());
        if (written < 0) {
            error = portError(port);
        } else if (written != static_cast<int>(request.size())) {
            error = QStringLiteral("只写入了 %1/%2 字节").arg(written).arg(request.size());
            sent = Sent::Short;
        } else {
            sent = Sent::Whole;
        }
    });
    if (!current)
        error = QStringLiteral("设备已断开");
    if (sent != Sent::Whole)
        qWarning().noquote() << QStringLiteral("自动读配置请求发送失败: %1").arg(error);
    return current ? sent : Sent::Failed;
}

constexpr int kMostStaleAnswers = 256;

} // namespace

int drainPendingInput(KnobPort &port)
{
    unsigned char buffer[kReportSize];
    int dropped = 0;
    // Bounded: a link that keeps talking must not hold the request up for ever.
    while (dropped < kMostStaleAnswers && port.read(buffer, sizeof buffer, 0) > 0)
        ++dropped;
    if (dropped > 0)
        qDebug().noquote() << QStringLiteral("请求前丢弃了 %1 个未读的旧应答").arg(dropped);
    return dropped;
}

int configReadFirstAnswerMs()
{
    return kFirstAnswerWindowMs;
}

int configReadGiveUpMs()
{
    return kFirstAnswerWindowMs + kRepeatedRequestWindowMs;
}

ConfigReadOutcome readDeviceConfiguration(KnobLink &transport, unsigned long long generation,
                                          const std::function<void(const Packet &)> &onPacket)
{
    ConfigReadOutcome out;
    Sent sent = sendRequest(transport, generation);
    // A request the knob did not get whole is not waited on: it goes again
    // at once, as the one repeat.
    bool repeated = sent == Sent::Short;
    if (repeated)
        sent = sendRequest(transport, generation);
    if (sent != Sent::Whole)
        return out;

    int windowMs = kFirstAnswerWindowMs;
    Clock::time_point start = Clock::now();
    unsigned char buffer[kReportSize];

    for (;;) {
        if (msSince(start) >= windowMs) {
            if (out.receivedAny || repeated) {
                out.ok = true;
                return out;
            }
            qDebug().noquote() << "5秒内未收到配置包，重新发送读配置请求";
            if (sendRequest(transport, generation) != Sent::Whole)
                return out;
            repeated = true;
            windowMs = kRepeatedRequestWindowMs;
            start = Clock::now();
            continue;
        }

        int r = 0;
        QString error;
        // One short read per lock, so writes and probes are never held up long.
        const bool current = transport.withPort(generation, [&](KnobPort &port) {
            r = port.read(buffer, sizeof buffer, kReadSliceMs);
            if (r < 0)
                error = portError(port);
        });
        if (!current) {
            out.ok = false;
            return out;
        }
        if (r < 0) {
            if (!out.receivedAny) {
                qWarning().noquote() << QStringLiteral("读取配置失败: %1").arg(error);
                return out;
            }
            // A device that stops talking after its answers looks like one that
            // was pulled out: only a write tells them apart.
            const HidPacket probe = probeReport();
            bool alive = false;
            transport.withPort(generation, [&](KnobPort &port) {
                alive = port.write(probe.data(), probe.size()) == static_cast<int>(probe.size());
            });
            if (!alive) {
                qWarning().noquote() << QStringLiteral("读取配置时设备已断开: %1").arg(error);
                out.linkLost = true;
                return out;
            }
            qDebug().noquote()
                << QStringLiteral("读取配置尾部返回错误，已收到配置包，按读取结束处理: %1").arg(error);
            out.ok = true;
            return out;
        }
        if (r == 0)
            continue;

        start = Clock::now();
        out.receivedAny = true;
        windowMs = kSilenceAfterAnswerMs;
        const Packet raw(buffer, buffer + r);
        const Packet packet = normaliseConfigResponse(raw);
        qDebug().noquote() << "读配置响应包(原始):" << packetToHex(raw);
        if (packet != raw)
            qDebug().noquote() << "读配置响应包(处理后):" << packetToHex(packet);

        if (isConfigReadEndPacket(packet)) {
            qDebug().noquote() << "收到配置读取结束包";
            out.ok = true;
            return out;
        }
        onPacket(packet);
    }
}
