#include "ui/MainLayoutWidget.h"

#include "protocol/assignmentwrite.h"
#include "protocol/keyvocabulary.h"
#include "protocol/packets.h"
#include "protocol/procreatetable.h"
#include "ui/pages/DelayWidget.h"

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
    if (!m_isConnected || m_selectedKnobKey == 0)
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
    KnobModelSnapshot snapshot;
    snapshot.isMacLayout = m_isMacLayout;
    for (int i = 0; i < kKnobKeyCount; ++i) {
        snapshot.keys[i].keyCodes = m_knobKeyCodes[i];
        snapshot.keys[i].combinations = m_knobCombinations[i];
        snapshot.keys[i].displayNames = m_knobDisplayNames[i];
    }
    // Without a delay page the snapshot keeps the default delays.
    if (const DelayWidget *delays = findChild<DelayWidget *>()) {
        for (int k = 1; k <= kKnobKeyCount; ++k) {
            for (int slot = 0; slot < kMaxVirtualKeys; ++slot)
                snapshot.keys[k - 1].delays[slot] = delays->delayForVirtualKey(k, slot);
        }
    }
    return snapshot;
}

AssignmentWriteResult MainLayoutWidget::writeKnobModelSnapshot(const KnobModelSnapshot &snapshot)
{
    if (!m_isConnected) {
        AssignmentWriteResult notConnected;
        notConnected.ok = false;
        return notConnected;
    }
    const AssignmentWritePlan plan = planAssignmentWrite(snapshot);

    AssignmentWriteIo io;
    // Every report names its physical key itself, so the write never moves
    // m_selectedKnobKey and the compatibility copy still follows each report.
    io.send = [this](const Packet &packet, int knobKey) { return sendPacketForKnobKey(packet, knobKey); };

    if (!m_isBluetoothConnected) {
        io.pause = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
        return executeAssignmentWrite(plan, io);
    }

    // Bluetooth: collected and written as one batch, unpaced.
    m_collectBluetoothBatch = true;
    m_bluetoothBatchPackets.clear();
    AssignmentWriteResult result = executeAssignmentWrite(plan, io);
    m_collectBluetoothBatch = false;
    if (result.ok && !m_bluetoothBatchPackets.empty())
        result.ok = sendBluetoothPacketsFast(m_bluetoothBatchPackets);
    m_bluetoothBatchPackets.clear();
    return result;
}

bool MainLayoutWidget::sendSelectedKeysToHardware()
{
    if (!m_isConnected)
        return false;
    return writeKnobModelSnapshot(takeKnobModelSnapshot()).ok;
}

QString MainLayoutWidget::keyCodeToString(unsigned short keyValue) const
{
    return ::keyCodeToString(keyValue, m_isMacLayout);
}

QString MainLayoutWidget::keyCodeToString(unsigned short keyValue, bool isMacLayout)
{
    return ::keyCodeToString(keyValue, isMacLayout);
}

QString MainLayoutWidget::modifierKeyCodeToCombination(unsigned short usage) const
{
    return ::modifierKeyCodeToCombination(usage, m_isMacLayout);
}

QString MainLayoutWidget::modifierKeyCodeToCombination(unsigned short usage, bool isMacLayout)
{
    return ::modifierKeyCodeToCombination(usage, isMacLayout);
}

unsigned short MainLayoutWidget::combinationToKeyCode(const QString &name) const
{
    return ::combinationToKeyCode(name);
}

unsigned char MainLayoutWidget::combinationToModifierMask(const QString &name) const
{
    return ::combinationToModifierMask(name);
}

int MainLayoutWidget::getKeyType(const QString &name, unsigned short code) const
{
    return ::getKeyType(name, code);
}
