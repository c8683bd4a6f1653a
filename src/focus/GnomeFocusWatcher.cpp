#include "focus/FocusBackends.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {

const QString kShell = QStringLiteral("org.gnome.Shell");

class GnomeFocusWatcher final : public FocusWatcher
{
    Q_OBJECT

public:
    GnomeFocusWatcher(const QDBusConnection &bus, QObject *parent) : FocusWatcher(parent), m_bus(bus)
    {
        if (!m_bus.isConnected()) {
            m_state = State::Unavailable;
            m_reason = QStringLiteral("there is no session bus to reach GNOME Shell");
            return;
        }
        const QString path = QLatin1String(kGnomeReporterPath);
        const QString iface = QLatin1String(kGnomeReporterInterface);
        // The extension says so itself when it is enabled (a first FocusChanged)
        // and when it is turned off (Stopped).
        m_bus.connect(QString(), path, iface, QStringLiteral("FocusChanged"), this,
                      SLOT(onFocusChanged(QString, QString, QString, uint)));
        m_bus.connect(QString(), path, iface, QStringLiteral("Stopped"), this, SLOT(onStopped()));

        QDBusMessage version = QDBusMessage::createMethodCall(
            kShell, QStringLiteral("/org/gnome/Shell"), QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        version << kShell << QStringLiteral("ShellVersion");
        call(version, [this](const QDBusMessage &reply) {
            const QList<QVariant> args = reply.arguments();
            const QString v =
                args.isEmpty() ? QString() : args.first().value<QDBusVariant>().variant().toString();
            const bool legacy = !v.isEmpty() && v.section(QLatin1Char('.'), 0, 0).toInt() < 45;
            if (legacy != m_legacyShell) {
                m_legacyShell = legacy;
                Q_EMIT stateChanged(); // the reason names the other extension
            }
        });
        call(QDBusMessage::createMethodCall(kShell, path, iface, QStringLiteral("Current")),
             [this](const QDBusMessage &reply) {
                 const QList<QVariant> a = reply.arguments();
                 if (reply.type() == QDBusMessage::ReplyMessage && a.size() == 4)
                     onFocusChanged(a[0].toString(), a[1].toString(), a[2].toString(), a[3].toUInt());
             });
    }

    QString backendName() const override { return QStringLiteral("GNOME Shell"); }
    State state() const override { return m_state; }
    QString reason() const override
    {
        if (m_state != State::Starting)
            return m_reason;
        return QStringLiteral(
                   "GNOME Shell tells other programs the window in front only through the "
                   "extension shipped with this program: turn it on with `gnome-extensions enable %1`")
            .arg(QLatin1String(m_legacyShell ? kGnomeLegacyExtensionUuid : kGnomeExtensionUuid));
    }
    FocusedApp current() const override { return m_current; }

private Q_SLOTS:
    void onFocusChanged(const QString &appId, const QString &wmClass, const QString &title, uint pid)
    {
        const FocusedApp app{appId, wmClass, title, qint64(pid)};
        reportFront(&m_state, &m_current, app);
    }

    void onStopped()
    {
        if (m_state == State::Starting)
            return;
        m_state = State::Starting;
        m_current = {};
        Q_EMIT stateChanged();
    }

private:
    template <typename F> void call(const QDBusMessage &message, F handler)
    {
        auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [handler](QDBusPendingCallWatcher *w) {
            w->deleteLater();
            handler(w->reply());
        });
    }

    QDBusConnection m_bus;
    State m_state = State::Starting;
    QString m_reason;
    bool m_legacyShell = false;
    FocusedApp m_current;
};

} // namespace

std::unique_ptr<FocusWatcher> createGnomeFocusWatcher(const QDBusConnection &bus, QObject *parent)
{
    return std::make_unique<GnomeFocusWatcher>(bus, parent);
}

#include "GnomeFocusWatcher.moc"
