#pragma once

#include <QDBusConnection>

// The session bus as the window uses it, for every object it puts there.
struct WindowBus
{
    QDBusConnection connection;
    bool nameIsOurs = false; // the window's well-known name is claimed on it
};

// Connects once and claims the window's name; a machine without a session
// bus gives a connection that is not connected, and the window works without.
const WindowBus &windowSessionBus();
