#pragma once

#include "protocol/knobaction.h"

#include <QList>
#include <QStringList>

// The text a page shows for an action in the given layout.
QString actionText(const KnobAction &action, bool isMacLayout);
QStringList actionTexts(const QList<KnobAction> &actions, bool isMacLayout);

// Short label text of names (right-hand modifiers folded, then translated).
QString textBoxDisplayText(const QString &name);
