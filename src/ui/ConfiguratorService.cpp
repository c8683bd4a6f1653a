// The window's end of the hand-over: jobs from the command-line tool run
// through the window's session and are answered when the session says so.
#include "ui/ConfiguratorService.h"

#include "device/KnobSession.h"
#include "device/configread.h"
#include "device/handover.h"
#include "device/hidscan.h"
#include "protocol/configjson.h"

#include <QDebug>

namespace {

// A colour report that has not gone out by then never will.
constexpr int kLightGiveUpMs = 5000;

QStringList hexPackets(const std::vector<Packet> &packets)
{
    QStringList hex;
    for (const Packet &p : packets)
        hex << QString::fromLatin1(
            QByteArray(reinterpret_cast<const char *>(p.data()), qsizetype(p.size())).toHex());
    return hex;
}

QString callerName(const QString &caller)
{
    return caller.isEmpty() ? QStringLiteral("another program") : caller;
}

} // namespace

ConfiguratorService::ConfiguratorService(KnobSession *session, QObject *parent)
    : QObject(parent), m_session(session)
{
    connect(m_session, &KnobSession::configPacketRead, this, [this](const Packet &p) {
        if (m_job == Job::Read)
            m_packets.push_back(p);
    });
    connect(m_session, &KnobSession::configReadFinished, this, &ConfiguratorService::onReadFinished);
    connect(m_session, &KnobSession::saveChecked, this, [this](const SaveOutcome &outcome) {
        if (m_job == Job::Write)
            m_outcome = outcome;
    });
    connect(m_session, &KnobSession::saveFinished, this, &ConfiguratorService::onSaveFinished);
    connect(m_session, &KnobSession::saveProgress, this, [this](int done, int total) {
        if (m_job != Job::Write)
            return;
        QDBusMessage progress =
            QDBusMessage::createSignal(QString::fromLatin1(handover::kPath),
                                       QString::fromLatin1(handover::kInterface), QStringLiteral("Progress"));
        progress << done << total;
        m_callBus.send(progress);
    });
    connect(m_session, &KnobSession::lightingSendFailed, this, [this] { m_lightFailed = true; });
    connect(m_session, &KnobSession::connectionChanged, this, &ConfiguratorService::onConnectionChanged);
    connect(m_session, &KnobSession::lightSendFinished, this, [this] {
        if (m_lightPoll.isActive())
            checkLightSent();
    });
    // A colour report the link never ends is given up on.
    m_lightPoll.setSingleShot(true);
    m_lightPoll.setInterval(kLightGiveUpMs);
    connect(&m_lightPoll, &QTimer::timeout, this, &ConfiguratorService::checkLightSent);
}

ConfiguratorService::~ConfiguratorService()
{
    if (m_job != Job::None)
        replyFailed(QStringLiteral("the window closed before it was done"));
}

bool ConfiguratorService::publish(const QDBusConnection &connection)
{
    QDBusConnection bus = connection;
    if (!bus.isConnected())
        return false;
    return bus.registerObject(QString::fromLatin1(handover::kPath), this, QDBusConnection::ExportAllSlots);
}

QString ConfiguratorService::knobName() const
{
    const HidScanResult &scan = m_session->lastScanResult();
    KnobCandidate knob;
    knob.path = scan.path;
    knob.serial = scan.serial;
    return knob.describe();
}

QString ConfiguratorService::refusal(QString *errorName) const
{
    // The demo knob is not the one the tool found busy.
    if (!m_session->isConnected() || m_session->isDemo()) {
        *errorName = QString::fromLatin1(handover::kErrorNotHeld);
        return QStringLiteral("the window holds no knob");
    }
    *errorName = QString::fromLatin1(handover::kErrorRefused);
    if (m_job != Job::None)
        return QStringLiteral("the window is doing another program's job; try again once it is done");
    if (m_session->isSaveRunning())
        return QStringLiteral("the window is saving to the knob; try again once it is done");
    if (m_session->isConfigReadInProgress())
        return QStringLiteral("the window is reading the knob; try again once it is done");
    return m_refusal ? m_refusal() : QString();
}

bool ConfiguratorService::admit()
{
    QString name;
    const QString why = refusal(&name);
    if (why.isEmpty())
        return true;
    sendErrorReply(name, why);
    return false;
}

void ConfiguratorService::begin(Job job)
{
    m_job = job;
    m_call = message();
    m_callBus = connection();
    setDelayedReply(true);
    m_packets.clear();
    m_outcome = SaveOutcome();
    m_lightFailed = false;
    m_stopBeforeSave = false;
}

void ConfiguratorService::replyOk(const QVariantList &arguments)
{
    m_job = Job::None;
    m_lightPoll.stop();
    m_callBus.send(m_call.createReply(arguments));
}

void ConfiguratorService::replyFailed(const QString &sentence)
{
    m_job = Job::None;
    m_lightPoll.stop();
    m_callBus.send(m_call.createErrorReply(QString::fromLatin1(handover::kErrorFailed), sentence));
}

QString ConfiguratorService::Knob(const QString &device)
{
    if (!admit())
        return QString();
    const HidScanResult &scan = m_session->lastScanResult();
    if (!device.isEmpty() && device != scan.path && device != scan.serial) {
        sendErrorReply(QString::fromLatin1(handover::kErrorNotHeld),
                       QStringLiteral("the window holds another knob"));
        return QString();
    }
    return knobName();
}

bool ConfiguratorService::Read(const QString &caller, QStringList &)
{
    if (!admit())
        return false;
    begin(Job::Read);
    m_caller = callerName(caller);
    qDebug().noquote() << "读取配置，转交自" << m_caller;
    m_session->readConfiguration();
    return false;
}

void ConfiguratorService::onReadFinished(bool ok, bool receivedAny)
{
    if (m_job != Job::Read)
        return;
    if (!ok || !receivedAny) {
        replyFailed(QStringLiteral("the knob did not answer the configuration read; gave up after %1 s")
                        .arg(configReadGiveUpMs() / 1000));
        return;
    }
    replyOk({true, hexPackets(m_packets)});
}

bool ConfiguratorService::Write(const QString &document, const QString &label, const QString &caller,
                                QStringList &, bool &)
{
    if (!admit())
        return false;
    const ConfigJsonParse parsed = configDocumentFromJson(document.toUtf8());
    if (!parsed.ok) {
        sendErrorReply(QString::fromLatin1(handover::kErrorFailed), parsed.error);
        return false;
    }
    begin(Job::Write);
    m_caller = callerName(caller);
    qDebug().noquote() << "写入配置，转交自"
                       << m_caller + (label.isEmpty() ? QString() : QLatin1Char(' ') + label);
    m_writeNotice = label.isEmpty() ? tr("Configuration written by %1").arg(m_caller)
                                    : tr("Profile %1 written by %2").arg(label, m_caller);
    // The colour report goes first, so that the save's read-back holds it.
    if (parsed.document.light) {
        m_writeDocument = parsed.document;
        startLight(*parsed.document.light);
    } else {
        startSave(parsed.document);
    }
    return false;
}

void ConfiguratorService::startSave(const KnobDocument &document)
{
    if (m_stopBeforeSave) {
        replyFailed(QStringLiteral("stopped before the first key"));
        return;
    }
    // The user may have saved or edited while the colour report went out.
    if (m_session->isSaveRunning() || (m_refusal && !m_refusal().isEmpty())) {
        replyFailed(m_session->isSaveRunning() ? QStringLiteral("the window started a save of its own")
                                               : m_refusal());
        return;
    }
    emit writeStarting(m_writeNotice);
    if (!m_session->save(document))
        replyFailed(QStringLiteral("the knob refused the write"));
}

void ConfiguratorService::startLight(const LightSettings &light)
{
    m_light = light;
    m_lightsBefore = m_session->lightSendsCompleted();
    m_session->queueLighting(light);
    m_lightPoll.start();
}

void ConfiguratorService::onSaveFinished(bool ok)
{
    if (m_job != Job::Write)
        return;
    if (!ok) {
        replyFailed(QStringLiteral("the knob refused the write"));
        return;
    }
    replyOk({m_outcome.readBack, hexPackets(m_outcome.packets), !m_lightFailed});
}

void ConfiguratorService::Light(const QString &colour, int brightness, bool on, const QString &caller)
{
    if (!admit())
        return;
    bool ok = false;
    const uint rgb = colour.toUInt(&ok, 16);
    if (!ok || colour.size() != 6 || brightness < 0 || brightness > 100) {
        sendErrorReply(QString::fromLatin1(handover::kErrorFailed),
                       QStringLiteral("the light %1 at %2% cannot be set").arg(colour).arg(brightness));
        return;
    }
    begin(Job::Light);
    m_caller = callerName(caller);
    LightSettings light;
    light.red = static_cast<unsigned char>(rgb >> 16);
    light.green = static_cast<unsigned char>(rgb >> 8);
    light.blue = static_cast<unsigned char>(rgb);
    light.brightness = brightness;
    light.on = on;
    startLight(light);
}

void ConfiguratorService::checkLightSent()
{
    // Still waiting unless a report ended or the give-up time ran out.
    if (m_session->lightSendsCompleted() == m_lightsBefore && m_lightPoll.isActive())
        return;
    m_lightPoll.stop();
    const bool sent = !m_lightFailed && m_session->lightSendsCompleted() != m_lightsBefore;
    if (m_job == Job::Write) {
        // Whether it took is the tool's next question, after the save.
        m_lightFailed = !sent;
        startSave(m_writeDocument);
        return;
    }
    if (m_job != Job::Light)
        return;
    if (!sent) {
        replyFailed(QStringLiteral("the knob refused the colour report"));
        return;
    }
    replyOk({});
    emit lightSet(m_light, tr("Light set by %1").arg(m_caller));
}

void ConfiguratorService::Stop()
{
    if (m_job != Job::Write)
        return;
    if (m_session->isSaveRunning())
        m_session->stopSaveAfterCurrentKey();
    else
        m_stopBeforeSave = true;
}

void ConfiguratorService::onConnectionChanged(bool connected)
{
    if (connected || m_job == Job::None)
        return;
    replyFailed(m_job == Job::Write  ? QStringLiteral("the knob was disconnected during the write")
                : m_job == Job::Read ? QStringLiteral("the knob was disconnected during the read")
                                     : QStringLiteral("the knob refused the colour report"));
}
