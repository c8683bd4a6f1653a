#pragma once

#include <QString>

// What the session and the Bluetooth helper report in their own words (a
// failure reason, the permission hint), in the window's language.
QString reportedText(const QString &reported);

// An action's or key's name as the pages show it: its file name, translated
// where the window's language has a word for it.
QString actionLabel(const QString &name);

// A gesture as a sentence names it ("turn left").
QString gestureText(int knobKey);
