#pragma once

#include <QString>

// Chinese source text -> English display text, ready to go through tr().
// Actions and keys read as their file names; other texts without an entry
// (debug strings) come back unchanged.
QString uiText(const QString &source);
