#include "ui/savenotices.h"

#include "device/KnobSession.h"
#include "protocol/knobdocument.h"

#include <QStringList>

namespace {

// "<gestures> is …" or "<gestures> are …".
QString sentence(const QList<int> &keys, const char *one, const char *many)
{
    return gestureList(keys) + QString::fromLatin1(keys.size() > 1 ? many : one);
}

} // namespace

QString gestureList(const QList<int> &keys)
{
    QStringList names;
    for (int k : keys)
        names << gestureName(k);
    QString text = names.size() > 1 ? names.mid(0, names.size() - 1).join(QStringLiteral(", ")) +
                                          QStringLiteral(" and ") + names.last()
                                    : names.value(0);
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

SaveNotice saveStartNotice(const KnobDocument::Gestures &edited, const KnobDocument::Gestures &knobHolds)
{
    // Gestures empty on the knob too need no word.
    QList<int> emptied;
    for (int k = 1; k <= kKnobKeyCount; ++k) {
        if (edited[k - 1].isEmpty() && !knobHolds[k - 1].isEmpty())
            emptied << k;
    }
    if (emptied.isEmpty())
        return {true, QStringLiteral("正在保存"), QStringLiteral("正在写入设备配置")};
    return {true, sentence(emptied, " is empty", " are empty"),
            emptied.size() > 1 ? QStringLiteral("The knob keeps their previous actions")
                               : QStringLiteral("The knob keeps its previous actions")};
}

SaveNotice saveEndNotice(const SaveOutcome &outcome, const QList<int> &kept)
{
    if (!outcome.written)
        return {false, QStringLiteral("保存失败"), QStringLiteral("写入失败，请重新保存")};
    if (!outcome.verifiable)
        return {true, QStringLiteral("Settings sent"), QStringLiteral("Bluetooth cannot read them back")};
    if (!outcome.readBack)
        return {false, QStringLiteral("Save not confirmed"),
                QStringLiteral("The knob did not answer the read-back")};
    if (!outcome.check.matches())
        return {false, QStringLiteral("保存失败"),
                sentence(outcome.check.differingKeys, " was not stored", " were not stored")};
    if (!kept.isEmpty())
        return {true, QStringLiteral("保存成功"), sentence(kept, " kept its actions", " kept their actions")};
    return {true, QStringLiteral("保存成功"), QStringLiteral("配置已写入设备")};
}
