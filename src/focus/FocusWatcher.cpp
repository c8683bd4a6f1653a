#include "focus/FocusWatcher.h"

#include "focus/FocusBackends.h"

#include <QDBusConnection>

namespace {

class NoFocusWatcher final : public FocusWatcher
{
public:
    NoFocusWatcher(const QString &reason, QObject *parent) : FocusWatcher(parent), m_reason(reason) {}
    QString backendName() const override { return QStringLiteral("none"); }
    State state() const override { return State::Unavailable; }
    QString reason() const override { return m_reason; }
    FocusedApp current() const override { return {}; }

private:
    QString m_reason;
};

} // namespace

void FocusWatcher::reportFront(State *state, FocusedApp *current, const FocusedApp &app)
{
    const bool first = *state != State::Answering;
    *state = State::Answering;
    if (first)
        Q_EMIT stateChanged();
    if (first || app != *current) {
        *current = app;
        Q_EMIT focusChanged(*current);
    }
}

std::unique_ptr<FocusWatcher> createFocusWatcher(QObject *parent)
{
    const QStringList desktops =
        qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower().split(QLatin1Char(':'), Qt::SkipEmptyParts);
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    if (desktops.contains(QLatin1String("kde")))
        return createKWinFocusWatcher(QDBusConnection::sessionBus(), QStringLiteral("org.kde.KWin"), parent);
    // GNOME on X11 keeps _NET_ACTIVE_WINDOW up to date; only its Wayland session needs the extension.
    if (desktops.contains(QLatin1String("gnome")) && wayland)
        return createGnomeFocusWatcher(QDBusConnection::sessionBus(), parent);
    if (wayland) {
        auto wlroots = createWlrootsFocusWatcher(QByteArray(), parent);
        if (wlroots->state() != FocusWatcher::State::Unavailable || !x11)
            return wlroots;
        return createX11FocusWatcher(
            QByteArray(),
            QStringLiteral("only X11 programs are seen: this Wayland desktop does not "
                           "tell which of its own windows is in front"),
            parent);
    }
    if (x11)
        return createX11FocusWatcher(QByteArray(), QString(), parent);
    return std::make_unique<NoFocusWatcher>(
        QStringLiteral("there is no desktop session here (neither DISPLAY nor WAYLAND_DISPLAY is set)"),
        parent);
}
