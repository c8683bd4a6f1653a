#include "focus/FocusBackends.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QTemporaryFile>

namespace {

const QString kCallbackPath = QStringLiteral("/org/veltranix/FocusCallback");
const QString kScripting = QStringLiteral("org.kde.kwin.Scripting");
constexpr int kUnloadTimeoutMs = 500;

// KWin calls back to this connection's unique name, so no well-known name is
// needed; pid comes as a string because script numbers reach D-Bus as doubles.
const char kScript[] = R"(
(function () {
    function report(w) {
        if (!w)
            return;
        callDBus("%1", "%2", "org.veltranix.FocusCallback1", "Activated", String(w.resourceClass || ""),
                 String(w.caption || ""), String(w.pid || 0));
    }
    (workspace.windowActivated || workspace.clientActivated).connect(report);
    report(workspace.activeWindow || workspace.activeClient);
})();
)";

class KWinFocusWatcher final : public FocusWatcher
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.veltranix.FocusCallback1")

public:
    KWinFocusWatcher(const QDBusConnection &bus, const QString &service, QObject *parent)
        : FocusWatcher(parent), m_bus(bus), m_service(service),
          m_plugin(QStringLiteral("veltranix-focus-") + QString(bus.baseService()).remove(QLatin1Char(':')))
    {
        if (!m_bus.isConnected()) {
            m_reason = QStringLiteral("there is no session bus to reach KWin");
            return;
        }
        m_script.setFileTemplate(QDir::tempPath() + QStringLiteral("/veltranix-focus-XXXXXX.js"));
        if (!m_bus.registerObject(kCallbackPath, this, QDBusConnection::ExportScriptableSlots) ||
            !m_script.open() ||
            m_script.write(QString::fromLatin1(kScript).arg(m_bus.baseService(), kCallbackPath).toUtf8()) <
                0 ||
            !m_script.flush()) {
            m_reason = QStringLiteral("could not prepare the KWin script");
            return;
        }
        m_state = State::Starting;
        m_reason = QStringLiteral("waiting for KWin to run our script");
        QDBusMessage load = QDBusMessage::createMethodCall(m_service, QStringLiteral("/Scripting"),
                                                           kScripting, QStringLiteral("loadScript"));
        load << m_script.fileName() << m_plugin;
        auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(load), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
            w->deleteLater();
            const QDBusPendingReply<int> reply = *w;
            if (reply.isError() || reply.value() < 0) {
                setUnavailable(reply.isError()
                                   ? QStringLiteral("KWin does not answer on the session bus (%1)")
                                         .arg(reply.error().message())
                                   : QStringLiteral("KWin refused to load our script"));
                return;
            }
            m_loaded = true;
            // Plasma 6 puts the script at /Scripting/Script<id>, Plasma 5 at /<id>;
            // the wrong one is just an error reply.
            const QString id = QString::number(reply.value());
            for (const QString &path : {QStringLiteral("/Scripting/Script") + id, QLatin1Char('/') + id})
                m_bus.asyncCall(QDBusMessage::createMethodCall(
                    m_service, path, QStringLiteral("org.kde.kwin.Script"), QStringLiteral("run")));
        });
    }

    ~KWinFocusWatcher() override
    {
        if (m_loaded) {
            QDBusMessage unload = QDBusMessage::createMethodCall(m_service, QStringLiteral("/Scripting"),
                                                                 kScripting, QStringLiteral("unloadScript"));
            unload << m_plugin;
            // Waits briefly: a message only queued could die with the process,
            // leaving KWin calling back to a name that is gone.
            m_bus.call(unload, QDBus::Block, kUnloadTimeoutMs);
        }
        m_bus.unregisterObject(kCallbackPath);
    }

    QString backendName() const override { return QStringLiteral("KWin"); }
    State state() const override { return m_state; }
    QString reason() const override { return m_state == State::Answering ? QString() : m_reason; }
    FocusedApp current() const override { return m_current; }

public Q_SLOTS:
    // KWin's resourceClass is the app_id for Wayland windows and the WM_CLASS
    // class for X11 ones.
    Q_SCRIPTABLE void Activated(const QString &resourceClass, const QString &caption, const QString &pid)
    {
        if (m_state == State::Unavailable)
            return;
        const FocusedApp app{resourceClass, resourceClass, caption, pid.toLongLong()};
        reportFront(&m_state, &m_current, app);
    }

private:
    void setUnavailable(const QString &reason)
    {
        m_state = State::Unavailable;
        m_reason = reason;
        Q_EMIT stateChanged();
    }

    QDBusConnection m_bus;
    QString m_service;
    QString m_plugin;
    QTemporaryFile m_script;
    bool m_loaded = false;
    State m_state = State::Unavailable;
    QString m_reason;
    FocusedApp m_current;
};

} // namespace

std::unique_ptr<FocusWatcher> createKWinFocusWatcher(const QDBusConnection &bus, const QString &kwinService,
                                                     QObject *parent)
{
    return std::make_unique<KWinFocusWatcher>(bus, kwinService, parent);
}

#include "KWinFocusWatcher.moc"
