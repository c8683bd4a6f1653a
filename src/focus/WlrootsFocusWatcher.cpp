#include "focus/FocusBackends.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>

#include <poll.h>
#include <wayland-client.h>

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <algorithm>
#include <list>

namespace {

constexpr int kDiscoveryTimeoutMs = 1000;

class WlrootsFocusWatcher final : public FocusWatcher
{
public:
    WlrootsFocusWatcher(const QByteArray &display, QObject *parent) : FocusWatcher(parent)
    {
        m_display = wl_display_connect(display.isEmpty() ? nullptr : display.constData());
        if (!m_display) {
            m_reason = QStringLiteral("no Wayland compositor answers");
            return;
        }
        m_registry = wl_display_get_registry(m_display);
        wl_registry_add_listener(m_registry, &kRegistryListener, this);
        if (!roundtrip()) {
            m_reason = QStringLiteral("the Wayland compositor did not list its interfaces within a second");
            return;
        }
        if (!m_manager) {
            m_reason = QStringLiteral(
                "this Wayland compositor does not offer zwlr_foreign_toplevel_manager_v1 to other programs");
            return;
        }
        m_state = State::Answering;
        m_notifier = new QSocketNotifier(wl_display_get_fd(m_display), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { dispatch(0); });
        dispatch(0);
    }

    ~WlrootsFocusWatcher() override
    {
        for (Toplevel &t : m_toplevels)
            zwlr_foreign_toplevel_handle_v1_destroy(t.handle);
        if (m_manager)
            zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
        if (m_registry)
            wl_registry_destroy(m_registry);
        if (m_display)
            wl_display_disconnect(m_display);
    }

    QString backendName() const override { return QStringLiteral("wlroots"); }
    State state() const override { return m_state; }
    QString reason() const override { return m_reason; }
    FocusedApp current() const override { return m_current; }

private:
    struct Toplevel
    {
        WlrootsFocusWatcher *owner;
        zwlr_foreign_toplevel_handle_v1 *handle;
        QString appId;
        QString title;
        bool activated = false;
    };

    // One read of the socket, waiting at most timeoutMs, then every queued event.
    bool dispatch(int timeoutMs)
    {
        while (wl_display_prepare_read(m_display) != 0) {
            if (wl_display_dispatch_pending(m_display) < 0)
                return fail();
        }
        if (wl_display_flush(m_display) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(m_display);
            return fail();
        }
        pollfd p{wl_display_get_fd(m_display), POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) > 0) {
            if (wl_display_read_events(m_display) < 0)
                return fail();
        } else {
            wl_display_cancel_read(m_display);
        }
        if (wl_display_dispatch_pending(m_display) < 0)
            return fail();
        wl_display_flush(m_display);
        return true;
    }

    bool roundtrip()
    {
        bool done = false;
        static const wl_callback_listener listener{[](void *data, wl_callback *cb, uint32_t) {
            *static_cast<bool *>(data) = true;
            wl_callback_destroy(cb);
        }};
        wl_callback *cb = wl_display_sync(m_display);
        wl_callback_add_listener(cb, &listener, &done);
        const QDeadlineTimer deadline(kDiscoveryTimeoutMs);
        while (!done && !deadline.hasExpired()) {
            if (!dispatch(int(deadline.remainingTime())))
                break;
        }
        if (!done)
            wl_callback_destroy(cb);
        return done;
    }

    bool fail()
    {
        if (m_notifier)
            m_notifier->setEnabled(false);
        if (m_state != State::Unavailable) {
            m_state = State::Unavailable;
            m_reason = QStringLiteral("the connection to the Wayland compositor was lost");
            Q_EMIT stateChanged();
        }
        return false;
    }

    void publish(const FocusedApp &app)
    {
        if (app == m_current)
            return;
        m_current = app;
        Q_EMIT focusChanged(m_current);
    }

    static void onGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface,
                         uint32_t version)
    {
        auto *self = static_cast<WlrootsFocusWatcher *>(data);
        if (self->m_manager || strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) != 0)
            return;
        self->m_manager = static_cast<zwlr_foreign_toplevel_manager_v1 *>(wl_registry_bind(
            registry, name, &zwlr_foreign_toplevel_manager_v1_interface, std::min(version, 3u)));
        zwlr_foreign_toplevel_manager_v1_add_listener(self->m_manager, &kManagerListener, self);
    }

    static void onToplevel(void *data, zwlr_foreign_toplevel_manager_v1 *,
                           zwlr_foreign_toplevel_handle_v1 *handle)
    {
        auto *self = static_cast<WlrootsFocusWatcher *>(data);
        self->m_toplevels.push_back({self, handle, {}, {}, false});
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kToplevelListener, &self->m_toplevels.back());
    }

    static void onFinished(void *data, zwlr_foreign_toplevel_manager_v1 *)
    {
        auto *self = static_cast<WlrootsFocusWatcher *>(data);
        self->m_state = State::Unavailable;
        self->m_reason = QStringLiteral("the Wayland compositor stopped reporting its windows");
        Q_EMIT self->stateChanged();
    }

    static void onState(void *data, zwlr_foreign_toplevel_handle_v1 *, wl_array *states)
    {
        auto *t = static_cast<Toplevel *>(data);
        const auto *begin = static_cast<const uint32_t *>(states->data);
        const auto *end = begin + states->size / sizeof(uint32_t);
        t->activated =
            std::find(begin, end, uint32_t(ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED)) != end;
    }

    // Title, app_id and state take effect together, at done.
    static void onDone(void *data, zwlr_foreign_toplevel_handle_v1 *)
    {
        auto *t = static_cast<Toplevel *>(data);
        if (t->activated)
            t->owner->m_active = t->handle;
        else if (t->owner->m_active == t->handle)
            t->owner->m_active = nullptr;
        else
            return;
        t->owner->publish(t->activated ? FocusedApp{t->appId, QString(), t->title, 0} : FocusedApp{});
    }

    static void onClosed(void *data, zwlr_foreign_toplevel_handle_v1 *handle)
    {
        auto *t = static_cast<Toplevel *>(data);
        WlrootsFocusWatcher *self = t->owner;
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
        self->m_toplevels.remove_if([handle](const Toplevel &x) { return x.handle == handle; });
        if (self->m_active == handle) {
            self->m_active = nullptr;
            self->publish({});
        }
    }

    static constexpr wl_registry_listener kRegistryListener{onGlobal, [](void *, wl_registry *, uint32_t) {}};
    static constexpr zwlr_foreign_toplevel_manager_v1_listener kManagerListener{onToplevel, onFinished};
    static constexpr zwlr_foreign_toplevel_handle_v1_listener kToplevelListener{
        [](void *data, zwlr_foreign_toplevel_handle_v1 *, const char *title) {
            static_cast<Toplevel *>(data)->title = QString::fromUtf8(title);
        },
        [](void *data, zwlr_foreign_toplevel_handle_v1 *, const char *appId) {
            static_cast<Toplevel *>(data)->appId = QString::fromUtf8(appId);
        },
        [](void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {},
        [](void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {},
        onState,
        onDone,
        onClosed,
        [](void *, zwlr_foreign_toplevel_handle_v1 *, zwlr_foreign_toplevel_handle_v1 *) {},
    };

    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    zwlr_foreign_toplevel_manager_v1 *m_manager = nullptr;
    std::list<Toplevel> m_toplevels; // stable addresses: each is its handle's listener data
    zwlr_foreign_toplevel_handle_v1 *m_active = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    State m_state = State::Unavailable;
    QString m_reason;
    FocusedApp m_current;
};

} // namespace

std::unique_ptr<FocusWatcher> createWlrootsFocusWatcher(const QByteArray &display, QObject *parent)
{
    return std::make_unique<WlrootsFocusWatcher>(display, parent);
}
