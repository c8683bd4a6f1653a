#include "device/blelineparser.h"

#include "device/blewire.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

QList<QByteArray> BleLineParser::appendChunk(const QByteArray &chunk)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < chunk.size()) {
        const qsizetype newline = chunk.indexOf('\n', start);
        const qsizetype end = newline < 0 ? chunk.size() : newline;
        if (m_discarding) {
            if (newline >= 0)
                m_discarding = false;
        } else {
            m_buffer.append(chunk.constData() + start, end - start);
            if (m_buffer.size() > kMaxPendingBytes) {
                qWarning().noquote() << "蓝牙助手输出行过长，已丢弃:" << m_buffer.size() << "字节";
                m_buffer.clear();
                ++m_oversizedLines;
                m_discarding = newline < 0;
            } else if (newline >= 0) {
                const QByteArray line = m_buffer.trimmed();
                m_buffer.clear();
                if (!line.isEmpty())
                    lines.append(line);
            }
        }
        if (newline < 0)
            break;
        start = newline + 1;
    }
    return lines;
}

QByteArray BleLineParser::takeRemainder()
{
    const QByteArray rest = m_discarding ? QByteArray() : m_buffer.trimmed();
    clear();
    return rest;
}

void BleLineParser::clear()
{
    m_buffer.clear();
    m_discarding = false;
}

QList<BleHelperMessage> BleLineParser::feed(const QByteArray &chunk)
{
    QList<BleHelperMessage> messages;
    const QList<QByteArray> lines = appendChunk(chunk);
    for (const QByteArray &line : lines) {
        if (std::optional<BleHelperMessage> message = parseLine(line))
            messages.append(std::move(*message));
    }
    return messages;
}

std::optional<BleHelperMessage> BleLineParser::parseLine(const QByteArray &line)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        qDebug().noquote() << "蓝牙助手输出不是JSON对象，已忽略:" << QString::fromUtf8(line.left(200));
        return std::nullopt;
    }
    const QJsonObject obj = doc.object();
    const QString type = obj.value(QLatin1String("type")).toString();
    BleHelperMessage m;
    using T = BleHelperMessage::Type;
    if (type == QLatin1String("connected")) {
        m.type = T::Connected;
        m.address = obj.value(QLatin1String("address")).toString().trimmed();
        m.deviceId = obj.value(QLatin1String("device_id")).toString().trimmed();
    } else if (type == QLatin1String("gatt_uuids")) {
        m.type = T::GattUuids;
        m.writeUuid = obj.value(QLatin1String("write_uuid")).toString().trimmed();
    } else if (type == QLatin1String("write_ready")) {
        m.type = T::WriteReady;
    } else if (type == QLatin1String("write_ok")) {
        m.type = T::WriteOk;
        m.query = obj.value(QLatin1String("query")).toBool();
    } else if (type == QLatin1String("hardware_probe")) {
        m.type = T::HardwareProbe;
        m.online = obj.value(QLatin1String("online")).toBool();
    } else if (type == QLatin1String("notify")) {
        m.type = T::Notify;
        const std::optional<Packet> bytes = parseBleHexTokens(obj.value(QLatin1String("data")).toString());
        if (!bytes) {
            qDebug().noquote() << "蓝牙通知数据无效，已丢弃:" << QString::fromUtf8(line.left(200));
            return std::nullopt;
        }
        m.packet = configPacketFromNotification(*bytes).value_or(Packet());
    } else if (type == QLatin1String("session_disconnected")) {
        m.type = T::SessionDisconnected;
    } else if (type == QLatin1String("error")) {
        m.type = T::Error;
        m.message = obj.value(QLatin1String("message")).toString();
    } else {
        return std::nullopt;
    }
    return m;
}
