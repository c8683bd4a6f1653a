#include "focus/FocusBackends.h"

#include <QSocketNotifier>

#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>

namespace {

// Everything goes through xcb's non-blocking calls: requests are queued with
// the handler for their reply, and replies are taken when the socket says so,
// so a slow or vanished X server never holds up the caller's thread.
class X11FocusWatcher final : public FocusWatcher
{
public:
    X11FocusWatcher(const QByteArray &display, const QString &note, QObject *parent)
        : FocusWatcher(parent), m_note(note)
    {
        int screen = 0;
        m_conn = xcb_connect(display.isEmpty() ? nullptr : display.constData(), &screen);
        if (xcb_connection_has_error(m_conn)) {
            m_reason = QStringLiteral("the X display %1 does not answer")
                           .arg(QString::fromLocal8Bit(display.isEmpty() ? qgetenv("DISPLAY") : display));
            return;
        }
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_conn));
        for (int i = 0; i < screen && it.rem; ++i)
            xcb_screen_next(&it);
        m_root = it.data->root;
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(m_conn, m_root, XCB_CW_EVENT_MASK, &mask);
        m_state = State::Starting;
        m_reason = QStringLiteral("waiting for the X server to answer");
        internAtom("_NET_ACTIVE_WINDOW", &m_activeAtom);
        internAtom("_NET_WM_PID", &m_pidAtom);
        internAtom("_NET_WM_NAME", &m_nameAtom);
        internAtom("UTF8_STRING", &m_utf8Atom);
        m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_conn), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { pump(); });
        xcb_flush(m_conn);
    }

    ~X11FocusWatcher() override { xcb_disconnect(m_conn); }

    QString backendName() const override { return QStringLiteral("X11"); }
    State state() const override { return m_state; }
    QString reason() const override { return m_state == State::Answering ? m_note : m_reason; }
    FocusedApp current() const override { return m_current; }

private:
    using Handler = std::function<void(const xcb_get_property_reply_t *)>;
    struct Pending
    {
        unsigned sequence;
        std::function<void(void *)> handler;
    };

    void internAtom(const char *name, xcb_atom_t *into)
    {
        const xcb_intern_atom_cookie_t c = xcb_intern_atom(m_conn, 0, uint16_t(strlen(name)), name);
        m_pending.push_back({c.sequence, [this, into](void *r) {
                                 *into = r ? static_cast<xcb_intern_atom_reply_t *>(r)->atom
                                           : xcb_atom_t(XCB_ATOM_NONE);
                                 if (into == &m_utf8Atom)
                                     readActiveWindow();
                             }});
    }

    void getProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, uint32_t longs, Handler h)
    {
        const xcb_get_property_cookie_t c = xcb_get_property(m_conn, 0, window, property, type, 0, longs);
        m_pending.push_back({c.sequence, [h = std::move(h)](void *r) {
                                 h(static_cast<const xcb_get_property_reply_t *>(r));
                             }});
    }

    static QByteArray value(const xcb_get_property_reply_t *r)
    {
        if (!r || r->format != 8)
            return QByteArray();
        return QByteArray(static_cast<const char *>(xcb_get_property_value(r)),
                          xcb_get_property_value_length(r));
    }

    void readActiveWindow()
    {
        getProperty(m_root, m_activeAtom, XCB_ATOM_WINDOW, 1, [this](const xcb_get_property_reply_t *r) {
            if (!r || r->type != XCB_ATOM_WINDOW || r->format != 32 || xcb_get_property_value_length(r) < 4) {
                // No EWMH window manager (yet): stay Starting, its first
                // _NET_ACTIVE_WINDOW arrives as a PropertyNotify on the root.
                setState(State::Starting,
                         QStringLiteral(
                             "the window manager does not publish _NET_ACTIVE_WINDOW on the root window"));
                return;
            }
            readWindow(*static_cast<const xcb_window_t *>(xcb_get_property_value(r)));
        });
    }

    void readWindow(xcb_window_t window)
    {
        const quint64 generation = ++m_generation;
        if (window == XCB_WINDOW_NONE) {
            publish({});
            return;
        }
        auto app = std::make_shared<FocusedApp>();
        getProperty(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256,
                    [app](const xcb_get_property_reply_t *r) {
                        const QList<QByteArray> parts = value(r).split('\0');
                        app->wmClass = app->appId =
                            parts.size() > 1 ? QString::fromLocal8Bit(parts.at(1)) : QString();
                    });
        getProperty(window, m_pidAtom, XCB_ATOM_CARDINAL, 1, [app](const xcb_get_property_reply_t *r) {
            if (r && r->format == 32 && xcb_get_property_value_length(r) >= 4)
                app->pid = *static_cast<const uint32_t *>(xcb_get_property_value(r));
        });
        getProperty(window, m_nameAtom, m_utf8Atom, 1024,
                    [this, app, generation](const xcb_get_property_reply_t *r) {
                        app->title = QString::fromUtf8(value(r));
                        // A newer activation overtook this one while its replies were on the way.
                        if (generation == m_generation)
                            publish(*app);
                    });
    }

    void publish(const FocusedApp &app)
    {
        m_reason.clear();
        reportFront(&m_state, &m_current, app);
    }

    void setState(State s, const QString &reason)
    {
        const bool changed = s != m_state || reason != m_reason;
        m_state = s;
        m_reason = reason;
        if (changed)
            Q_EMIT stateChanged();
    }

    void handleEvent(xcb_generic_event_t *e)
    {
        const auto *p = reinterpret_cast<const xcb_property_notify_event_t *>(e);
        if ((e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY && p->window == m_root &&
            p->atom == m_activeAtom && m_activeAtom != XCB_ATOM_NONE)
            readActiveWindow();
        std::free(e);
    }

    void pump()
    {
        // Reading a reply can pull events into xcb's queue and the other way
        // round, and the notifier only sees the socket: drain both until
        // neither moves.
        for (;;) {
            bool progress = false;
            while (xcb_generic_event_t *e = xcb_poll_for_event(m_conn)) {
                progress = true;
                handleEvent(e);
            }
            while (!m_pending.empty()) {
                void *reply = nullptr;
                xcb_generic_error_t *error = nullptr;
                if (!xcb_poll_for_reply(m_conn, m_pending.front().sequence, &reply, &error))
                    break;
                progress = true;
                const auto handler = std::move(m_pending.front().handler);
                m_pending.pop_front();
                handler(reply);
                std::free(reply);
                std::free(error);
            }
            xcb_flush(m_conn);
            if (progress)
                continue;
            // Looking for a reply that was not there yet may have read an
            // event off the socket: the notifier would not fire for it.
            xcb_generic_event_t *late = xcb_poll_for_queued_event(m_conn);
            if (!late)
                break;
            handleEvent(late);
        }
        if (xcb_connection_has_error(m_conn)) {
            m_notifier->setEnabled(false);
            m_pending.clear();
            setState(State::Unavailable, QStringLiteral("the connection to the X display was lost"));
        }
    }

    xcb_connection_t *m_conn = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_atom_t m_activeAtom = XCB_ATOM_NONE;
    xcb_atom_t m_pidAtom = XCB_ATOM_NONE;
    xcb_atom_t m_nameAtom = XCB_ATOM_NONE;
    xcb_atom_t m_utf8Atom = XCB_ATOM_NONE;
    std::deque<Pending> m_pending;
    QSocketNotifier *m_notifier = nullptr;
    quint64 m_generation = 0;
    State m_state = State::Unavailable;
    QString m_reason;
    QString m_note;
    FocusedApp m_current;
};

} // namespace

std::unique_ptr<FocusWatcher> createX11FocusWatcher(const QByteArray &display, const QString &note,
                                                    QObject *parent)
{
    return std::make_unique<X11FocusWatcher>(display, note, parent);
}
