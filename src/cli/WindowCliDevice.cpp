// The tool's link when the window holds the knob: each job goes to the window
// over the session bus and the window runs it through its own session, so the
// tool never opens the knob while the window writes to it.
#include "cli/clidevice.h"

#include "device/handover.h"
#include "protocol/configjson.h"
#include "protocol/knobdocument.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QFileInfo>

#include <optional>

namespace {

constexpr int kAskTimeoutMs = 5000;
// The window's own time-outs for a read, a save with its read-back and a
// colour report stay well inside these.
constexpr int kReadTimeoutMs = 30000;
constexpr int kWriteTimeoutMs = 120000;
constexpr int kLightTimeoutMs = 15000;

const char *const kCaller = "veltranix-cli";

// Hands the window's Progress signals on to the save's progress callback.
class ProgressRelay : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressRelay)

public:
    explicit ProgressRelay(std::function<void(int, int)> progress) : m_progress(std::move(progress)) {}
    ~ProgressRelay() override = default;

public Q_SLOTS:
    void progress(int done, int total)
    {
        if (m_progress)
            m_progress(done, total);
    }

private:
    std::function<void(int, int)> m_progress;
};

// The session bus there is; never one launched for the tool, which on X11
// would outlive it.
QDBusConnection sessionBus()
{
    const QString name = QStringLiteral("veltranix-cli");
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    const QString socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus");
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR") && QFileInfo(socket).exists())
        return QDBusConnection::connectToBus(QStringLiteral("unix:path=") + socket, name);
    return QDBusConnection(name); // not connected
}

class WindowCliDevice final : public CliDevice
{
public:
    WindowCliDevice() : m_bus(sessionBus()) {}
    ~WindowCliDevice() override { QDBusConnection::disconnectFromBus(QStringLiteral("veltranix-cli")); }

    bool open(const QString &device, QString *error, OpenFailure *failure) override
    {
        if (!m_bus.isConnected())
            return false;
        const QDBusMessage reply = call(QStringLiteral("Knob"), {device}, kAskTimeoutMs);
        if (reply.type() == QDBusMessage::ErrorMessage) {
            // Only the window's own refusal is worth telling; anything else
            // (no window on the bus, another knob) leaves the busy message.
            if (reply.errorName() == QLatin1String(handover::kErrorRefused)) {
                *failure = OpenFailure::Busy;
                *error = reply.errorMessage();
            }
            return false;
        }
        m_knob = reply.arguments().value(0).toString();
        return !m_knob.isEmpty();
    }

    QString knobName() const override { return m_knob; }

    bool readConfiguration(std::vector<Packet> *packets, QString *error) override
    {
        // A write's read-back serves the read that follows it, as it does for
        // the tool's own link.
        if (m_haveReadBack) {
            m_haveReadBack = false;
            *packets = m_readBack;
            return true;
        }
        const QDBusMessage reply =
            call(QStringLiteral("Read"), {QString::fromLatin1(kCaller)}, kReadTimeoutMs);
        if (!succeeded(reply, error))
            return false;
        *packets = fromHex(reply.arguments().value(1).toStringList());
        return true;
    }

    bool saveDocument(const KnobDocument &document, const std::function<void(int, int)> &progress,
                      QString *error) override
    {
        m_haveReadBack = false;
        ProgressRelay relay(progress);
        const QString path = QString::fromLatin1(handover::kPath);
        const QString interface = QString::fromLatin1(handover::kInterface);
        m_bus.connect(QString(), path, interface, QStringLiteral("Progress"), &relay,
                      SLOT(progress(int, int)));
        const QDBusMessage reply =
            call(QStringLiteral("Write"),
                 {QString::fromUtf8(configDocumentToJson(document)), m_label, QString::fromLatin1(kCaller)},
                 kWriteTimeoutMs);
        m_bus.disconnect(QString(), path, interface, QStringLiteral("Progress"), &relay,
                         SLOT(progress(int, int)));
        if (!succeeded(reply, error))
            return false;
        const QVariantList out = reply.arguments();
        m_haveReadBack = out.value(0).toBool();
        m_readBack = fromHex(out.value(1).toStringList());
        m_lightTaken = out.value(2).toBool();
        m_writtenLight = document.light;
        return true;
    }

    bool sendLight(const LightSettings &light, QString *error) override
    {
        // The window sent the document's light ahead of its save.
        if (m_writtenLight && *m_writtenLight == light) {
            m_writtenLight.reset();
            if (!m_lightTaken)
                *error = QStringLiteral("the knob refused the colour report");
            return m_lightTaken;
        }
        m_haveReadBack = false;
        const QString colour = QStringLiteral("%1%2%3")
                                   .arg(light.red, 2, 16, QLatin1Char('0'))
                                   .arg(light.green, 2, 16, QLatin1Char('0'))
                                   .arg(light.blue, 2, 16, QLatin1Char('0'))
                                   .toUpper();
        const QDBusMessage reply =
            call(QStringLiteral("Light"), {colour, light.brightness, light.on, QString::fromLatin1(kCaller)},
                 kLightTimeoutMs);
        return succeeded(reply, error);
    }

    void setJobLabel(const QString &label) override { m_label = label; }

    // From the signal path during saveDocument: the window stops its save.
    void stopAfterCurrentKey() override
    {
        m_bus.send(QDBusMessage::createMethodCall(
            QString::fromLatin1(handover::kService), QString::fromLatin1(handover::kPath),
            QString::fromLatin1(handover::kInterface), QStringLiteral("Stop")));
    }

private:
    QDBusMessage call(const QString &method, const QVariantList &arguments, int timeoutMs)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QString::fromLatin1(handover::kService), QString::fromLatin1(handover::kPath),
            QString::fromLatin1(handover::kInterface), method);
        message.setArguments(arguments);
        // Waited for in an event loop: the window may be this very process (the tests).
        QDBusPendingCallWatcher watcher(m_bus.asyncCall(message, timeoutMs));
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        if (!watcher.isFinished())
            loop.exec();
        return watcher.reply();
    }

    static bool succeeded(const QDBusMessage &reply, QString *error)
    {
        if (reply.type() == QDBusMessage::ReplyMessage)
            return true;
        *error = reply.errorName().startsWith(QLatin1String(handover::kInterface))
                     ? reply.errorMessage()
                     : QStringLiteral("the window did not answer: %1").arg(reply.errorMessage());
        return false;
    }

    static std::vector<Packet> fromHex(const QStringList &hex)
    {
        std::vector<Packet> packets;
        for (const QString &h : hex) {
            const QByteArray bytes = QByteArray::fromHex(h.toLatin1());
            packets.emplace_back(bytes.begin(), bytes.end());
        }
        return packets;
    }

    QDBusConnection m_bus;
    QString m_knob;
    QString m_label;
    bool m_haveReadBack = false;
    std::vector<Packet> m_readBack;
    std::optional<LightSettings> m_writtenLight;
    bool m_lightTaken = false;
};

} // namespace

std::unique_ptr<CliDevice> createWindowCliDevice()
{
    return std::make_unique<WindowCliDevice>();
}

#include "WindowCliDevice.moc"
