#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

#include <memory>

// The application in front, as the desktop names it.
struct FocusedApp
{
    QString appId;   // Wayland app_id, or the WM_CLASS class on X11: what rules bind
    QString wmClass; // WM_CLASS class where the desktop gives one (X11, XWayland)
    QString title;
    qint64 pid = 0; // 0 when unknown; for the log only
    bool operator==(const FocusedApp &o) const { return appId == o.appId && wmClass == o.wmClass; }
    bool operator!=(const FocusedApp &o) const { return !(*this == o); }
};
Q_DECLARE_METATYPE(FocusedApp)

// Tells which application is in front, by the desktop's own events (never by
// polling). One backend per kind of desktop, chosen at run time.
class FocusWatcher : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FocusWatcher)

public:
    enum class State
    {
        Starting,    // asked the desktop; no answer yet
        Answering,   // focus changes arrive
        Unavailable, // this desktop does not say; reason() says why, in one sentence
    };

    explicit FocusWatcher(QObject *parent = nullptr) : QObject(parent) {}
    ~FocusWatcher() override = default;

    virtual QString backendName() const = 0; // "X11", "wlroots", "KWin", "GNOME Shell", "none"
    virtual State state() const = 0;
    virtual QString reason() const = 0;
    // The application in front now, as far as known.
    virtual FocusedApp current() const = 0;

Q_SIGNALS:
    void focusChanged(const FocusedApp &app);
    void stateChanged();

protected:
    // The desktop named the application in front: the backend answers from
    // now on, and says so and what is in front where either changed.
    void reportFront(State *state, FocusedApp *current, const FocusedApp &app);
};

// The backend for the desktop this process runs on, from the environment
// (XDG_CURRENT_DESKTOP, WAYLAND_DISPLAY, DISPLAY) and what answers.
std::unique_ptr<FocusWatcher> createFocusWatcher(QObject *parent = nullptr);
