#pragma once

#include <QString>

// "Start at login": an XDG autostart entry that starts the program in the tray.
namespace Autostart {

// ~/.config/autostart/veltranix.desktop
QString entryPath();
// The entry for a program at executable, started with --background.
QString entryText(const QString &executable);
bool isOn();
// Writes the entry for this executable, or removes it.
bool set(bool on, QString *error);

} // namespace Autostart
