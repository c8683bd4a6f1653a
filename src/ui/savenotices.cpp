#include "ui/savenotices.h"

#include "device/KnobSession.h"
#include "protocol/knobdocument.h"

#include "ui/uitext.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

// "<gestures> is …" or "<gestures> are …".
QString sentence(const QList<int> &keys, const char *one, const char *many)
{
    return QCoreApplication::translate("SaveNotice", keys.size() > 1 ? many : one).arg(gestureList(keys));
}

QString text(const char *source)
{
    return QCoreApplication::translate("SaveNotice", source);
}

} // namespace

QString gestureList(const QList<int> &keys)
{
    QStringList names;
    for (int k : keys)
        names << gestureText(k);
    QString text =
        names.size() > 1
            ? QCoreApplication::translate("SaveNotice", "%1 and %2")
                  .arg(names.mid(0, names.size() - 1).join(QCoreApplication::translate("SaveNotice", ", ")),
                       names.last())
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
        return {true, text(QT_TRANSLATE_NOOP("SaveNotice", "Saving")),
                text(QT_TRANSLATE_NOOP("SaveNotice", "Writing device configuration"))};
    return {true,
            sentence(emptied, QT_TRANSLATE_NOOP("SaveNotice", "%1 is empty"),
                     QT_TRANSLATE_NOOP("SaveNotice", "%1 are empty")),
            emptied.size() > 1
                ? text(QT_TRANSLATE_NOOP("SaveNotice", "The knob keeps their previous actions"))
                : text(QT_TRANSLATE_NOOP("SaveNotice", "The knob keeps its previous actions"))};
}

SaveNotice saveEndNotice(const SaveOutcome &outcome, const QList<int> &kept)
{
    if (!outcome.written)
        return {false, text(QT_TRANSLATE_NOOP("SaveNotice", "Save failed")),
                text(QT_TRANSLATE_NOOP("SaveNotice", "Write failed. Please save again."))};
    if (!outcome.verifiable)
        return {true, text(QT_TRANSLATE_NOOP("SaveNotice", "Settings sent")),
                text(QT_TRANSLATE_NOOP("SaveNotice", "Bluetooth cannot read them back"))};
    if (!outcome.readBack)
        return {false, text(QT_TRANSLATE_NOOP("SaveNotice", "Save not confirmed")),
                text(QT_TRANSLATE_NOOP("SaveNotice", "The knob did not answer the read-back"))};
    if (!outcome.check.matches())
        return {false, text(QT_TRANSLATE_NOOP("SaveNotice", "Save failed")),
                sentence(outcome.check.differingKeys, QT_TRANSLATE_NOOP("SaveNotice", "%1 was not stored"),
                         QT_TRANSLATE_NOOP("SaveNotice", "%1 were not stored"))};
    if (!kept.isEmpty())
        return {true, text(QT_TRANSLATE_NOOP("SaveNotice", "Settings saved")),
                sentence(kept, QT_TRANSLATE_NOOP("SaveNotice", "%1 kept its actions"),
                         QT_TRANSLATE_NOOP("SaveNotice", "%1 kept their actions"))};
    return {true, text(QT_TRANSLATE_NOOP("SaveNotice", "Settings saved")),
            text(QT_TRANSLATE_NOOP("SaveNotice", "Configuration written to device"))};
}
