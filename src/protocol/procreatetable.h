#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The Procreate shortcuts the device can type: name -> key bytes (HID usages
// preceded by modifier prefix bytes). Fixed, and the same for both layouts.
const QHash<QString, QList<unsigned char>> &procreateKeyMap();

// The 30 names in the order the Procreate page lists them.
const QStringList &procreateKeyNames();

// The name whose key bytes equal sequence exactly, or an empty string.
QString procreateKeyNameFromSequence(const QList<unsigned char> &sequence);
