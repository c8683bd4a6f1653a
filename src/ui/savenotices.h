#pragma once

#include "protocol/knobdocument.h"

#include <QList>
#include <QString>

struct SaveOutcome;

// The toasts of a save. Titles and texts are interface-text sources.
struct SaveNotice
{
    bool success = true;
    QString title;
    QString text;
};

// When Save is pressed: the gestures the user emptied (the knob keeps what it
// has for them, as there is no report for "nothing"), or plain "saving".
SaveNotice saveStartNotice(const KnobDocument::Gestures &edited, const KnobDocument::Gestures &knobHolds);

// When the save has been read back; `kept` are the emptied gestures that
// still hold actions on the knob.
SaveNotice saveEndNotice(const SaveOutcome &outcome, const QList<int> &kept);

// "Turn left", "Turn left and press", "Turn left, turn right and press".
QString gestureList(const QList<int> &keys);
