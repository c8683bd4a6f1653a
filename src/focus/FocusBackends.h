#pragma once

#include "focus/FocusWatcher.h"

#include <QByteArray>
#include <QDBusConnection>

// The backends one by one, for the factory and for tests that point them at a
// display or bus of their own.

// EWMH _NET_ACTIVE_WINDOW on an X display (empty: $DISPLAY). A non-empty note
// stays in reason() while it answers, for sessions where X11 sees only some
// windows.
std::unique_ptr<FocusWatcher> createX11FocusWatcher(const QByteArray &display, const QString &note,
                                                    QObject *parent);

// zwlr_foreign_toplevel_manager_v1 on a Wayland compositor (empty: $WAYLAND_DISPLAY).
// Unavailable when the compositor does not offer it.
std::unique_ptr<FocusWatcher> createWlrootsFocusWatcher(const QByteArray &display, QObject *parent);

// A KWin script that calls back on every activation; kwinService is where
// org.kde.kwin.Scripting answers.
std::unique_ptr<FocusWatcher> createKWinFocusWatcher(const QDBusConnection &bus, const QString &kwinService,
                                                     QObject *parent);

// Our GNOME Shell extension's signals on the session bus.
std::unique_ptr<FocusWatcher> createGnomeFocusWatcher(const QDBusConnection &bus, QObject *parent);

// The extension's names, for the package and for reason().
inline constexpr char kGnomeExtensionUuid[] = "veltranix-focus@veltranix";
inline constexpr char kGnomeLegacyExtensionUuid[] = "veltranix-focus-legacy@veltranix";
inline constexpr char kGnomeReporterPath[] = "/org/veltranix/FocusReporter";
inline constexpr char kGnomeReporterInterface[] = "org.veltranix.FocusReporter1";
