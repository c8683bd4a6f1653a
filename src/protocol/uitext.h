#pragma once

#include <QString>

// Chinese source text -> English display text. Texts without an entry (key
// names built at run time, debug strings) come back unchanged.
QString uiText(const QString &source);

// Number of entries in the table; for tests.
int uiTextEntryCount();
