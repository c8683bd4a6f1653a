// The command-line tool's link to the knob: the same session the window uses,
// driven from a plain event loop, so every report, pause and end packet is the
// Save button's.
#include "cli/clidevice.h"

#include "device/KnobSession.h"
#include "device/configread.h"
#include "device/packetutil.h"
#include "protocol/assignmentwrite.h"

#include <QEventLoop>
#include <QTimer>

namespace {

constexpr int kConnectTimeoutMs = 5000;
// The read's own windows add up to at most about 7.5 s.
constexpr int kReadTimeoutMs = 15000;
// Five keys of one-by-one reports with their pauses stay far below this.
constexpr int kSaveTimeoutMs = 60000;
constexpr int kLightTimeoutMs = 5000;

// Runs the event loop until done() holds or the time is up.
bool waitUntil(KnobSession &session, const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QObject::connect(&session, &KnobSession::connectionChanged, &loop, [&] {
        if (done())
            loop.quit();
    });
    deadline.start(timeoutMs);
    poll.start(10);
    loop.exec();
    return done();
}

class SessionCliDevice final : public CliDevice
{
public:
    explicit SessionCliDevice(bool demo) : m_demo(demo)
    {
        QObject::connect(&m_session, &KnobSession::configPacketRead, &m_session,
                         [this](const Packet &p) { m_packets.push_back(p); });
        // A read that heard nothing at all (not even the end packet) is a
        // silent knob, not an empty configuration.
        QObject::connect(&m_session, &KnobSession::configReadFinished, &m_session,
                         [this](bool ok, bool receivedAny) {
                             m_readDone = true;
                             m_readOk = ok && receivedAny;
                         });
        QObject::connect(&m_session, &KnobSession::connectionChanged, &m_session, [this](bool up) {
            if (!up)
                m_lost = true;
        });
    }
    ~SessionCliDevice() override { m_session.shutdown(); }

    bool open(const QString &device, QString *error, OpenFailure *failure) override
    {
        m_readDone = false;
        m_packets.clear();
        if (m_demo) {
            m_session.startDemo();
        } else {
            QString only;
            if (!chooseKnob(device, &only, error, failure))
                return false;
            m_session.setInterfacePath(only);
            m_session.connectNow();
        }
        waitUntil(
            m_session, [this] { return m_session.isConnected() || !m_session.isScanRunning(); },
            kConnectTimeoutMs);
        if (!m_session.isConnected()) {
            explainScan(device, error, failure);
            return false;
        }
        // Connecting starts a configuration read; let it finish so nothing
        // else talks to the knob meanwhile.
        waitUntil(
            m_session, [this] { return m_readDone || m_lost; }, kReadTimeoutMs);
        m_haveFirstRead = m_readDone && m_readOk && !m_lost;
        // Asking a knob that stayed silent through the whole read again only doubles the wait.
        m_firstReadSilent = m_readDone && !m_readOk && !m_lost;
        return true;
    }

    QString knobName() const override
    {
        if (m_demo)
            return QStringLiteral("the demo knob");
        const HidScanResult &scan = m_session.lastScanResult();
        KnobCandidate knob;
        knob.path = scan.path;
        knob.serial = scan.serial;
        return knob.describe();
    }

    bool readConfiguration(std::vector<Packet> *packets, QString *error) override
    {
        if (!m_haveFirstRead && !m_firstReadSilent) {
            m_packets.clear();
            m_readDone = false;
            m_session.readConfiguration();
            waitUntil(
                m_session, [this] { return m_readDone || m_lost; }, kReadTimeoutMs);
        }
        m_haveFirstRead = false;
        m_firstReadSilent = false;
        if (m_lost) {
            *error = QStringLiteral("the knob was disconnected during the read");
            return false;
        }
        if (!m_readDone || !m_readOk) {
            *error = QStringLiteral("the knob did not answer the configuration read; gave up after %1 s")
                         .arg(configReadGiveUpMs() / 1000);
            return false;
        }
        *packets = m_packets;
        return true;
    }

    bool saveDocument(const KnobDocument &document, const std::function<void(int, int)> &progress,
                      QString *error) override
    {
        m_haveFirstRead = false;
        m_firstReadSilent = false;
        bool finished = false;
        bool ok = false;
        const QMetaObject::Connection a =
            QObject::connect(&m_session, &KnobSession::saveProgress, &m_session, [&](int done, int total) {
                if (progress)
                    progress(done, total);
            });
        const QMetaObject::Connection b =
            QObject::connect(&m_session, &KnobSession::saveFinished, &m_session, [&](bool result) {
                finished = true;
                ok = result;
            });
        // The session reads the knob back after every save; that read serves
        // the next readConfiguration unless something is sent in between.
        const QMetaObject::Connection c =
            QObject::connect(&m_session, &KnobSession::saveChecked, &m_session, [this](const SaveOutcome &o) {
                if (!o.readBack)
                    return;
                m_packets = o.packets;
                m_readDone = true;
                m_readOk = true;
                m_haveFirstRead = true;
            });
        if (m_session.save(document))
            waitUntil(
                m_session, [&] { return finished; }, kSaveTimeoutMs);
        QObject::disconnect(a);
        QObject::disconnect(b);
        QObject::disconnect(c);
        if (!finished || !ok) {
            m_haveFirstRead = false;
            *error = m_lost ? QStringLiteral("the knob was disconnected during the write")
                            : QStringLiteral("the knob refused the write");
            return false;
        }
        return true;
    }

    void stopAfterCurrentKey() override { m_session.stopSaveAfterCurrentKey(); }

    bool sendLight(const LightSettings &light, QString *error) override
    {
        m_haveFirstRead = false;
        m_firstReadSilent = false;
        bool failed = false;
        const QMetaObject::Connection c = QObject::connect(&m_session, &KnobSession::lightingSendFailed,
                                                           &m_session, [&] { failed = true; });
        const int before = m_session.lightSendsCompleted();
        // Without a link the colour report goes nowhere: no point waiting for it.
        const bool refused = m_session.mayStart(KnobOperations::Kind::Lighting) != KnobSession::Refusal::None;
        m_session.queueLighting(light);
        if (!refused)
            waitUntil(
                m_session, [&] { return m_session.lightSendsCompleted() > before || m_lost; },
                kLightTimeoutMs);
        QObject::disconnect(c);
        if (failed || m_lost || m_session.lightSendsCompleted() == before) {
            *error = QStringLiteral("the knob refused the colour report");
            return false;
        }
        return true;
    }

private:
    static QString holderText(const KnobHolder &holder)
    {
        return holder.isWindow() ? QStringLiteral("the VELTRANIX window (pid %1)").arg(holder.pid)
                                 : holder.describe();
    }

    // What the session is to scan for (*only: a path or a knob identity).
    // The tool never picks among knobs: unnamed, it takes the only one, and
    // none while another program holds any, as that one may be the knob the
    // user means.
    static bool chooseKnob(const QString &device, QString *only, QString *error, OpenFailure *failure)
    {
        // A knob named on the command line is the only one the tool writes to, probes included.
        const QList<KnobCandidate> knobs =
            surveyKnobs(targetVendorId(true), targetProductId(true), device.isEmpty());
        if (!device.isEmpty()) {
            for (const KnobCandidate &k : knobs) {
                if (k.paths.contains(device)) {
                    *only = device;
                    return true;
                }
                // An address matches however the route writes it.
                if ((!k.serial.isEmpty() && k.serial == device) ||
                    k.knob == KnobOwnerLock::addressIdentity(device)) {
                    *only = k.knob;
                    return true;
                }
            }
            if (device.startsWith(QLatin1Char('/'))) {
                *only = device; // the scan says nothing answers there
                return true;
            }
            *failure = OpenFailure::NoKnob;
            *error = QStringLiteral("no knob with serial %1 (see list)").arg(device);
            return false;
        }
        QStringList answering;
        for (const KnobCandidate &k : knobs) {
            if (k.busy && knobs.size() > 1) {
                *failure = OpenFailure::BusyOfSeveral;
                *error = QStringLiteral("the knob %1 is in use by %2; name the knob to use with --device "
                                        "PATH|SERIAL")
                             .arg(k.describe(), holderText(k.busyHolder));
                return false;
            }
            if (!k.path.isEmpty())
                answering << QStringLiteral("  ") + k.describe();
        }
        if (answering.size() > 1) {
            *failure = OpenFailure::Ambiguous;
            *error = QStringLiteral("%1 knobs found: use --device PATH|SERIAL\n%2")
                         .arg(answering.size())
                         .arg(answering.join(QLatin1Char('\n')));
            return false;
        }
        // One knob, or none usable: the session's scan finds it or says why.
        *only = knobs.size() == 1 ? knobs.first().knob : QString();
        return true;
    }

    // Why the scan found nothing usable, as one sentence.
    void explainScan(const QString &path, QString *error, OpenFailure *failure) const
    {
        const HidScanResult &scan = m_session.lastScanResult();
        if (!scan.busyPaths.isEmpty()) {
            *failure = OpenFailure::Busy;
            const KnobHolder &holder = scan.busyHolder;
            *error = holder.isWindow()
                         ? QStringLiteral("the knob is in use by %1; close it or use the window's Import")
                               .arg(holderText(holder))
                         : QStringLiteral("the knob is in use by %1; try again once it is done")
                               .arg(holder.describe());
        } else if (scan.permissionDenied) {
            *failure = OpenFailure::PermissionDenied;
            *error =
                QStringLiteral("permission denied opening %1: install the udev rules (70-veltranix.rules) "
                               "and replug the knob")
                    .arg(scan.deniedPath);
        } else if (scan.writeRefused) {
            *failure = OpenFailure::WriteRefused;
            *error = QStringLiteral("the knob refused the write");
        } else {
            *failure = OpenFailure::NoKnob;
            *error = path.isEmpty() ? QStringLiteral("no knob found")
                                    : QStringLiteral("no knob answers at %1").arg(path);
        }
    }

    KnobSession m_session;
    std::vector<Packet> m_packets;
    bool m_readDone = false;
    const bool m_demo;
    bool m_readOk = false;
    bool m_lost = false;
    bool m_haveFirstRead = false;
    bool m_firstReadSilent = false;
};

} // namespace

std::unique_ptr<CliDevice> createCliDevice(bool demo)
{
    return std::make_unique<SessionCliDevice>(demo);
}
