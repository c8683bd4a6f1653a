#include "protocol/assignmentwrite.h"

#include "protocol/actionnames.h"
#include "protocol/keyvocabulary.h"
#include "protocol/knobdocument.h"

#include <QDebug>

#include <algorithm>

namespace {

const QString kRule = QStringLiteral("========================================");

QString hex(unsigned v)
{
    return QStringLiteral("0x%1").arg(v, 0, 16);
}

int delayFor(const KnobAction &action, int index)
{
    // Slots past the last one behave like an unset slot of the delay page.
    int d = (index >= 0 && index < kMaxVirtualKeys) ? action.delayMs : 50;
    d = std::min(d, kMaxDelayMs);
    return std::max(d, KnobAction::defaultDelay(index));
}

struct GroupedRecord
{
    KeyWithDelay record;
    int group; // one group per virtual key: its prefixes and its key
};

void appendPrefixed(QList<GroupedRecord> &out, unsigned char mask, int delay, unsigned char key, int group)
{
    for (unsigned char prefix : modifierPrefixKeys(mask))
        out.append({{0, prefix}, group});
    out.append({{static_cast<unsigned short>(delay), key}, group});
}

QList<GroupedRecord> groupedPackedRecords(const KnobDocument &document, int knobKey)
{
    QList<GroupedRecord> out;
    unsigned char pending = 0;
    int group = 0;
    const QList<KnobAction> &actions = document.keys[knobKey - 1];
    for (int v = 0; v < actions.size(); ++v) {
        const KnobAction &a = actions[v];
        unsigned char mask = a.modifiers;
        unsigned char usage = a.usage;
        if (a.kind == KnobAction::Named) {
            mask = combinationToModifierMask(a.sourceName);
            usage = static_cast<unsigned char>(combinationToKeyCode(a.sourceName) & 0xFF);
        }
        // Modifiers without a key of their own are held for the next key.
        if (a.kind == KnobAction::ModifiersAlone || (a.kind == KnobAction::Named && usage == 0)) {
            pending |= mask;
            continue;
        }
        appendPrefixed(out, static_cast<unsigned char>(mask | pending), delayFor(a, v), usage, group++);
        pending = 0;
    }
    if (pending != 0) {
        for (unsigned char prefix : modifierPrefixKeys(pending))
            out.append({{0, prefix}, group});
    }
    return out;
}

// At most 19 records fit. A cut between a key and its modifier prefixes would
// leave the modifiers pressed alone, so such a key is dropped whole.
QList<KeyWithDelay> truncatedRecords(const QList<GroupedRecord> &records)
{
    int n = int(records.size());
    if (n > kMaxKeyRecords) {
        n = kMaxKeyRecords;
        const int cutGroup = records[n].group;
        while (n > 0 && records[n - 1].group == cutGroup)
            --n;
    }
    QList<KeyWithDelay> kept;
    for (int i = 0; i < n; ++i)
        kept.append(records[i].record);
    return kept;
}

PlannedSend standardSend(unsigned char command, unsigned short keyCode, unsigned char mask)
{
    PlannedSend s;
    s.logLines << QStringLiteral("发送标准按键: %1 修饰键: %2").arg(hex(keyCode)).arg(mask);
    Packet p = buildStandardKeyPacket(command, keyCode, mask);
    if (p.empty())
        s.refusal = QStringLiteral("无有效标准按键可发送");
    else
        s.packets.push_back(std::move(p));
    return s;
}

PlannedSend nameSend(unsigned char command, int knobKey, const QString &name)
{
    const unsigned short code = combinationToKeyCode(name);
    const unsigned char mask = combinationToModifierMask(name);
    const int type = getKeyType(name, code);
    PlannedSend s;
    s.logLines << QStringLiteral("发送组合键: %1 KeyCode: %2 Type: %3").arg(name, hex(code)).arg(type);
    Packet p;
    switch (type) {
    case Multimedia:
        s.logLines << QStringLiteral("识别为多媒体键，调用 sendMultimediaKey")
                   << QStringLiteral("发送多媒体按键: %1").arg(hex(code));
        s.packets.push_back(buildMultimediaKeyPacket(command, code));
        return s;
    case Mouse:
        s.logLines << QStringLiteral("发送鼠标按键: %1").arg(name);
        p = buildMouseKeyPacket(command, name);
        if (p.empty()) {
            s.refusal = QStringLiteral("未知的鼠标按键类型: %1").arg(name);
            s.refusalIsWarning = true;
        } else {
            s.packets.push_back(std::move(p));
        }
        return s;
    case Light:
        s.logLines << QStringLiteral("发送灯光按键: %1").arg(hex(code));
        s.packets = buildLightModePackets(code);
        s.pauseBetweenMs = kPauseBetweenLightPartsMs;
        if (s.packets.empty())
            s.refusal = QStringLiteral("未知灯光按键码，忽略");
        return s;
    case Procreate:
        p = buildProcreateKeyPacket(command, name);
        if (p.empty()) {
            s.refusal = QStringLiteral("未知或无默认快捷键的Procreate按键: %1").arg(name);
        } else {
            s.logLines << QStringLiteral("发送Procreate按键: %1 到knob %2").arg(name).arg(knobKey)
                       << QStringLiteral("数据包: %1").arg(packetToHex(p));
            s.packets.push_back(std::move(p));
        }
        return s;
    default: {
        PlannedSend standard = standardSend(command, code, mask);
        standard.logLines.prepend(s.logLines.first());
        return standard;
    }
    }
}

bool needsOneByOne(const QList<KnobAction> &actions)
{
    return std::any_of(actions.cbegin(), actions.cend(), [](const KnobAction &a) {
        if (a.kind != KnobAction::Named)
            return false;
        const int type = getKeyType(a.sourceName, combinationToKeyCode(a.sourceName));
        return type >= Multimedia && type <= Procreate;
    });
}

QString nameOf(const KnobAction &action)
{
    return action.kind == KnobAction::Named ? action.sourceName : modifiersAloneModelName(action.modifiers);
}

// Runs one send; true when its last packet was accepted.
bool runSend(const PlannedSend &s, int knobKey, const AssignmentWriteIo &io)
{
    for (const QString &line : s.logLines)
        qDebug().noquote() << line;
    if (!s.refusal.isEmpty()) {
        if (s.refusalIsWarning)
            qWarning().noquote() << s.refusal;
        else
            qDebug().noquote() << s.refusal;
        return false;
    }
    for (std::size_t i = 0; i < s.packets.size(); ++i) {
        if (i > 0 && s.pauseBetweenMs > 0 && io.pause)
            io.pause(s.pauseBetweenMs);
        if (io.send(s.packets[i], knobKey) <= 0)
            return false;
    }
    return !s.packets.empty();
}

void pause(const AssignmentWriteIo &io, int ms)
{
    if (io.pause)
        io.pause(ms);
}

bool runOneByOne(const KnobWritePlan &knob, const AssignmentWriteIo &io)
{
    qDebug().noquote() << QStringLiteral("检测到特殊按键，使用逐个发送模式");
    bool ok = true;
    for (const PlannedSend &s : knob.sends) {
        if (!runSend(s, knob.knobKey, io))
            ok = false;
        pause(io, kPauseAfterOneByOneSendMs);
    }
    pause(io, kPauseBeforeOneByOneEndMs);
    if (io.send(buildAssignmentEndPacket(), knob.knobKey) <= 0)
        ok = false;
    qDebug().noquote() << kRule;
    if (ok)
        qDebug().noquote() << QStringLiteral("✓ 按键序列发送完成");
    else
        qWarning().noquote() << QStringLiteral("✗ 按键序列发送失败");
    return ok;
}

bool runPacked(const KnobWritePlan &knob, const AssignmentWriteIo &io)
{
    if (knob.sends.isEmpty())
        return true;
    const Packet &keyPacket = knob.sends.first().packets.front();
    qDebug().noquote() << QStringLiteral("\n[数据包 1] 按键按下");
    if (knob.truncated())
        qWarning().noquote() << QStringLiteral("警告: 按键序列超长，已截断 (%1 -> %2)")
                                    .arg(knob.recordCount)
                                    .arg(knob.writtenRecordCount);
    qDebug().noquote() << QStringLiteral("数据包内容 (65 字节):") << '\n' + packetToHex(keyPacket);
    const int keyCount = io.send(keyPacket, knob.knobKey);
    if (keyCount <= 0) {
        qWarning().noquote() << QStringLiteral("✗ 数据包1发送失败");
        qDebug().noquote() << kRule;
        return false;
    }
    qDebug().noquote() << QStringLiteral("✓ 数据包1发送成功 (已发送 %1 字节)").arg(keyCount);
    pause(io, kPauseBeforePackedEndMs);
    qDebug().noquote() << QStringLiteral("\n[数据包 2] 按键释放");
    const Packet end = buildAssignmentEndPacket();
    qDebug().noquote() << QStringLiteral("数据包内容 (65 字节):") << '\n' + packetToHex(end);
    const int endCount = io.send(end, knob.knobKey);
    bool ok = endCount > 0;
    if (!ok) {
        qWarning().noquote() << QStringLiteral("✗ 数据包2发送失败");
        qDebug().noquote() << kRule;
    } else {
        qDebug().noquote() << QStringLiteral("✓ 数据包2发送成功 (已发送 %1 字节)").arg(endCount);
        qDebug().noquote() << kRule;
        qDebug().noquote() << QStringLiteral("✓ 按键序列发送完成");
    }
    pause(io, kPauseAfterPackedKnobMs);
    return ok;
}

} // namespace

QList<int> AssignmentWritePlan::truncatedKnobKeys() const
{
    QList<int> keys;
    for (const KnobWritePlan &k : knobs) {
        if (k.truncated())
            keys.append(k.knobKey);
    }
    return keys;
}

QList<KeyWithDelay> packedKeyRecords(const KnobDocument &document, int knobKey)
{
    QList<KeyWithDelay> records;
    if (knobKey < 1 || knobKey > kKnobKeyCount)
        return records;
    for (const GroupedRecord &g : groupedPackedRecords(document, knobKey))
        records.append(g.record);
    return records;
}

AssignmentWritePlan planAssignmentWrite(const KnobDocument &document)
{
    AssignmentWritePlan plan;
    for (int k = 1; k <= kKnobKeyCount; ++k) {
        const QList<KnobAction> &actions = document.keys[k - 1];
        if (actions.isEmpty())
            continue;
        KnobWritePlan knob;
        knob.knobKey = k;
        knob.plainCount = int(std::count_if(actions.cbegin(), actions.cend(),
                                            [](const KnobAction &a) { return a.kind == KnobAction::Key; }));
        knob.nameCount = int(actions.size()) - knob.plainCount;
        const unsigned char command = commandCodeForKnobKey(k);
        if (needsOneByOne(actions)) {
            knob.mode = WriteMode::OneByOne;
            // Keys go first, then the named actions, each in its own order.
            for (const KnobAction &a : actions) {
                if (a.kind == KnobAction::Key)
                    knob.sends.append(standardSend(command, a.usage, a.modifiers));
            }
            for (const KnobAction &a : actions) {
                if (a.kind != KnobAction::Key)
                    knob.sends.append(nameSend(command, k, nameOf(a)));
            }
        } else {
            knob.mode = WriteMode::Packed;
            const QList<GroupedRecord> records = groupedPackedRecords(document, k);
            const QList<KeyWithDelay> kept = truncatedRecords(records);
            knob.recordCount = int(records.size());
            knob.writtenRecordCount = int(kept.size());
            if (!kept.isEmpty()) {
                PlannedSend s;
                s.packets.push_back(buildKeyRecordsPacket(command, KeyboardAssignment, kept));
                knob.sends.append(s);
            }
        }
        plan.knobs.append(knob);
    }
    return plan;
}

AssignmentWriteResult executeAssignmentWrite(const AssignmentWritePlan &plan, const AssignmentWriteIo &io)
{
    AssignmentWriteResult result;
    result.truncatedKnobKeys = plan.truncatedKnobKeys();
    int done = 0;
    for (const KnobWritePlan &knob : plan.knobs) {
        if (io.stopRequested && io.stopRequested()) {
            qWarning().noquote() << QStringLiteral("写入在按键 %1 之前停止").arg(knob.knobKey);
            result.ok = false;
            result.stopped = true;
            break;
        }
        qDebug().noquote() << kRule;
        qDebug().noquote() << QStringLiteral("开始发送按键 %1 的自定义按键序列").arg(knob.knobKey);
        qDebug().noquote()
            << QStringLiteral("普通按键数量: %1, 组合键数量: %2").arg(knob.plainCount).arg(knob.nameCount);
        const bool ok = knob.mode == WriteMode::OneByOne ? runOneByOne(knob, io) : runPacked(knob, io);
        if (!ok) {
            result.ok = false;
            result.failedKnobKeys.append(knob.knobKey);
        }
        if (io.progress)
            io.progress(++done, int(plan.knobs.size()));
    }
    return result;
}
