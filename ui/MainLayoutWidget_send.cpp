#include "ui/MainLayoutWidget.h"

#include "device/KnobSession.h"
#include "device/packetutil.h"
#include "protocol/assignmentwrite.h"
#include "protocol/keyvocabulary.h"
#include "protocol/packets.h"
#include "protocol/procreatetable.h"

#include <QDebug>
#include <QThread>

namespace {

QString hexValue(unsigned v)
{
    return QStringLiteral("0x%1").arg(v, 0, 16);
}

} // namespace

unsigned char MainLayoutWidget::getCommandCodeForSelectedKey() const
{
    return commandCodeForKnobKey(m_selectedKnobKey);
}

bool MainLayoutWidget::sendStandardKey(unsigned short keyCode, unsigned char modifierMask)
{
    qDebug().noquote() << "发送标准按键:" << hexValue(keyCode) << "修饰键:" << modifierMask;
    const Packet packet = buildStandardKeyPacket(getCommandCodeForSelectedKey(), keyCode, modifierMask);
    if (packet.empty()) {
        qDebug().noquote() << "无有效标准按键可发送";
        return false;
    }
    return sendPacketWithResult(packet) > 0;
}

bool MainLayoutWidget::sendMultimediaKey(unsigned short usage)
{
    qDebug().noquote() << "发送多媒体按键:" << hexValue(usage);
    return sendPacketWithResult(buildMultimediaKeyPacket(getCommandCodeForSelectedKey(), usage)) > 0;
}

bool MainLayoutWidget::sendMouseKey(const QString &name, unsigned short, unsigned char)
{
    qDebug().noquote() << "发送鼠标按键:" << name;
    const Packet packet = buildMouseKeyPacket(getCommandCodeForSelectedKey(), name);
    if (packet.empty()) {
        qWarning().noquote() << "未知的鼠标按键类型:" << name;
        return false;
    }
    return sendPacketWithResult(packet) > 0;
}

bool MainLayoutWidget::sendLightKey(unsigned short code)
{
    qDebug().noquote() << "发送灯光按键:" << hexValue(code);
    const std::vector<Packet> parts = buildLightModePackets(code);
    if (parts.empty()) {
        qDebug().noquote() << "未知灯光按键码，忽略";
        return false;
    }
    // A part that fails stops the sequence; the device may keep part 0 alone.
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            QThread::msleep(kPauseBetweenLightPartsMs);
        if (sendPacketWithResult(parts[i]) <= 0)
            return false;
    }
    return true;
}

bool MainLayoutWidget::sendProcreateKey(const QString &name)
{
    if (!m_session->isConnected() || m_selectedKnobKey == 0)
        return false;
    const Packet packet = buildProcreateKeyPacket(getCommandCodeForSelectedKey(), name);
    if (packet.empty()) {
        qDebug().noquote() << "未知或无默认快捷键的Procreate按键:" << name;
        return false;
    }
    qDebug().noquote() << "发送Procreate按键:" << name << "到knob" << m_selectedKnobKey;
    qDebug().noquote() << "数据包:" << packetToHex(packet);
    if (sendPacketWithResult(packet) > 0) {
        qDebug().noquote() << "✓ Procreate按键发送成功";
        return true;
    }
    qDebug().noquote() << "✗ Procreate按键发送失败";
    return false;
}

KnobModelSnapshot MainLayoutWidget::takeKnobModelSnapshot() const
{
    return m_model.snapshot(m_isMacLayout);
}

QString MainLayoutWidget::keyCodeToString(unsigned short keyValue) const
{
    return ::keyCodeToString(keyValue, m_isMacLayout);
}

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
    return m_session->sendPacketForKnobKey(packet, m_selectedKnobKey);
}
