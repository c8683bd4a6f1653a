#include "device/KnobOperations.h"

#include "device/Clock.h"
#include "device/KnobLink.h"
#include "device/configread.h"
#include "device/deviceworkers.h"
#include "device/linkwrite.h"
#include "device/packetutil.h"
#include "protocol/configdecode.h"

#include <QDebug>
#include <QPointer>
#include <QTimer>

#include <utility>

namespace {

constexpr int kLightCoalesceMs = 20;

} // namespace

KnobOperations::KnobOperations(Link link, std::shared_ptr<DeviceWorkers> workers, Clock &clock,
                               QObject *parent)
    : QObject(parent), m_link(std::move(link)), m_workers(std::move(workers)),
      m_lightTimer(clock.makeTimer(Clock::Repeat::Once, [this] { flushPendingLighting(); }))
{}

KnobOperations::~KnobOperations() = default;

// ---- Who holds the link ---------------------------------------------------------------

KnobOperations::Refusal KnobOperations::mayStart(Kind kind) const
{
    if (kind == Kind::Save)
        return m_saving ? Refusal::Saving : Refusal::None;
    if (!m_link.current())
        return Refusal::NotConnected;
    if (kind == Kind::Read)
        return m_reading ? Refusal::Reading : Refusal::None;
    if (kind == Kind::Lighting)
        return Refusal::None;
    // A raw report in the middle of a read or a save would steal its answers
    // or split its reports on the device.
    if (m_reading)
        return Refusal::Reading;
    if (m_saving)
        return Refusal::Saving;
    if (m_link.bluetoothRunGoing())
        return Refusal::BluetoothRun;
    return m_turn.holder();
}

void KnobOperations::startNext()
{
    if (m_shutDown || !isIdle())
        return;
    if (m_deferredSave) {
        const std::unique_ptr<KnobDocument> document = std::move(m_deferredSave);
        startSaveWorker(*document);
        return;
    }
    if (std::exchange(m_readPending, false)) {
        readConfiguration();
        if (!isIdle())
            return;
    }
    if (m_lightSendPending) {
        m_lightSendPending = false;
        flushPendingLighting();
    }
}

void KnobOperations::linkDown()
{
    m_reading = false;
    m_readPending = false;
}

void KnobOperations::beginShutdown()
{
    m_shutDown = true;
    m_deferredSave.reset();
    m_lightTimer->stop();
}

// ---- Raw reports -------------------------------------------------------------------

bool KnobOperations::sendRawReport(const Packet &packet, int knobKey)
{
    const std::shared_ptr<KnobLink> link = m_link.current();
    if (!link || mayStart(Kind::RawSend) != Refusal::None)
        return false;
    const unsigned long long generation = link->generation();
    const unsigned ticket = begin(Kind::RawSend);
    const QPointer<KnobOperations> self(this);
    const bool started = m_workers->run(
        [self, link, generation, packet, knobKey](DeviceWorkers &workers) {
            int number = 0;
            return sendDebugReport(
                *link, generation, packet, knobKey, [&workers] { return !workers.shuttingDown(); },
                [&](int written, bool answersFollow) {
                    workers.post([self, written, answersFollow] {
                        if (self)
                            emit self->rawReportWritten(written, answersFollow);
                    });
                },
                [&](const Packet &report) {
                    const int n = ++number;
                    // An answer read just before a replug belongs to a link that is gone.
                    workers.post([self, link, generation, n, report] {
                        if (self && link->generation() == generation)
                            emit self->rawReportAnswer(n, report);
                    });
                });
        },
        [self, ticket](const std::optional<DebugReadBackResult> &result) {
            if (!self)
                return;
            self->end(ticket);
            if (result)
                emit self->rawReadBackFinished(*result);
            self->startNext();
        });
    if (!started)
        end(ticket);
    return started;
}

// ---- Configuration read --------------------------------------------------------------

void KnobOperations::readConfiguration()
{
    const std::shared_ptr<KnobLink> link = m_link.current();
    // A link that does not answer requests brought its configuration as it was made.
    if (!link || m_reading || !link->isUp() || !link->answersRequests())
        return;
    if (!isIdle()) {
        m_readPending = true;
        return;
    }
    const unsigned ticket = begin(Kind::Read);
    m_reading = true;
    m_readPackets.clear();
    emit configReadStarted();

    const unsigned long long generation = link->generation();
    const QPointer<KnobOperations> self(this);

    const bool started = m_workers->run(
        [self, link, generation](DeviceWorkers &workers) {
            return link->readConfiguration(generation, [&](const Packet &packet) {
                // Posted calls run in order, so every packet arrives before the completion.
                workers.post([self, link, generation, packet] {
                    if (self && self->m_link.current() && link->generation() == generation) {
                        self->m_readPackets.push_back(packet);
                        emit self->configPacketRead(packet);
                    }
                });
            });
        },
        [self, generation, ticket](const ConfigReadOutcome &outcome) {
            if (!self)
                return;
            self->end(ticket);
            self->finishRead(generation, outcome);
            self->startNext();
        });
    if (!started) {
        end(ticket);
        m_reading = false;
        qDebug().noquote() << "后台读取配置失败，保留当前UI状态";
    }
}

void KnobOperations::readConnectAnswers()
{
    const std::shared_ptr<KnobLink> link = m_link.current();
    if (!link)
        return;
    std::vector<Packet> packets;
    // Nothing is asked of the knob: this does not block.
    const ConfigReadOutcome outcome = link->readConfiguration(link->generation(), [&](const Packet &packet) {
        packets.push_back(packet);
        emit configPacketRead(packet);
    });
    if (!outcome.receivedAny)
        return;
    emit configurationRead(decodeConfiguration(packets, m_macLayout));
    emit configReadFinished(true, true);
}

void KnobOperations::finishRead(unsigned long long generation, const ConfigReadOutcome &outcome)
{
    // A result of a link that has gone (or been replaced) changes nothing.
    const std::shared_ptr<KnobLink> link = m_link.current();
    if (!link || !link->isUp() || link->generation() != generation)
        return;
    m_reading = false;
    if (outcome.linkLost) {
        // What was read belongs to a device that is gone: no read success.
        m_link.lost();
        return;
    }
    if (!outcome.ok)
        qDebug().noquote() << "后台读取配置失败，保留当前UI状态";
    else if (!outcome.receivedAny)
        qDebug().noquote() << "2秒内未收到配置包，保持当前UI状态";
    else
        qDebug().noquote() << "后台配置读取结束";
    if (outcome.ok && outcome.receivedAny)
        emit configurationRead(decodeConfiguration(m_readPackets, m_macLayout));
    m_readPackets.clear();
    emit configReadFinished(outcome.ok, outcome.receivedAny);
}

// ---- Save --------------------------------------------------------------------------

void KnobOperations::stopSaveAfterCurrentKey()
{
    if (!m_saving)
        return;
    if (m_deferredSave) {
        // Nothing of it went out yet: it ends before its first key.
        m_deferredSave.reset();
        QTimer::singleShot(0, this, [this] { finishSave(false, false, {}, KnobDocument(), false); });
        return;
    }
    if (m_stopSave)
        m_stopSave->store(true);
}

bool KnobOperations::save(const KnobDocument &document, bool automatic)
{
    // Two writes must never interleave their packets on the device.
    if (m_saving)
        return false;
    m_saving = true;
    m_saveAutomatic = automatic;
    if (!isIdle()) {
        // A colour packet on its way could land between the first key's
        // report and its end packet, and a read would take the read-back's
        // answers for its own: the save starts once the link is free.
        m_deferredSave = std::make_unique<KnobDocument>(document);
        return true;
    }
    startSaveWorker(document);
    return true;
}

void KnobOperations::startSaveWorker(const KnobDocument &document)
{
    const std::shared_ptr<KnobLink> link = m_link.current();
    if (!link) {
        // Reported like any failed save, after the caller has shown its
        // "saving" state.
        QTimer::singleShot(0, this, [this, document] { finishSave(false, false, {}, document, true); });
        return;
    }
    const bool verifiable = link->answersRequests();
    const unsigned long long generation = link->generation();
    const ReportWriter write = writerFor(link, generation);
    const bool wholeSaveAtOnce = link->writesWholeSaveAtOnce();
    const unsigned ticket = begin(Kind::Save);
    const QPointer<KnobOperations> self(this);
    auto stop = std::make_shared<std::atomic<bool>>(false);
    m_stopSave = stop;
    struct SaveResult
    {
        bool ok = false;
        bool readBack = false;
        std::vector<Packet> packets;
    };
    const bool started = m_workers->run(
        [self, link, write, wholeSaveAtOnce, verifiable, generation, document, stop](DeviceWorkers &workers) {
            const auto progress = [&workers, self](int done, int total) {
                workers.post([self, done, total] {
                    if (self)
                        emit self->saveProgress(done, total);
                });
            };
            SaveResult r;
            r.ok = link->isUp() && writeDocument(write, wholeSaveAtOnce, document, progress, stop).ok;
            if (r.ok && verifiable && !stop->load()) {
                const ConfigReadOutcome outcome =
                    link->readConfiguration(generation, [&r](const Packet &p) { r.packets.push_back(p); });
                r.readBack = outcome.ok && outcome.receivedAny;
            }
            return r;
        },
        [self, document, ticket, verifiable](const SaveResult &r) {
            if (!self)
                return;
            self->end(ticket);
            self->finishSave(r.ok, r.readBack, r.packets, document, verifiable);
        });
    if (!started) {
        end(ticket);
        qCritical().noquote() << "保存线程启动失败";
        QTimer::singleShot(0, this, [this, document] { finishSave(false, false, {}, document, true); });
    }
}

void KnobOperations::finishSave(bool written, bool readBack, const std::vector<Packet> &packets,
                                const KnobDocument &document, bool verifiable)
{
    m_saving = false;
    SaveOutcome outcome;
    outcome.written = written;
    outcome.verifiable = verifiable;
    outcome.readBack = readBack;
    outcome.packets = packets;
    outcome.automatic = m_saveAutomatic;
    for (int k = 1; k <= kKnobKeyCount; ++k) {
        if (document.keys[k - 1].isEmpty())
            outcome.unwrittenKeys << k;
    }
    if (readBack) {
        outcome.document = decodeConfiguration(packets, document.isMacLayout);
        // The light goes out on its own, not with a save.
        KnobDocument meant = document;
        meant.light.reset();
        outcome.check = compareReadBack(meant, outcome.document);
        if (!outcome.check.matches())
            qDebug().noquote() << "保存后读回的配置与写入不一致:" << outcome.check.differingKeys;
    }
    m_link.written();
    emit saveChecked(outcome);
    emit saveFinished(written);
    startNext();
}

// ---- Lighting ----------------------------------------------------------------------

void KnobOperations::queueLighting(const LightSettings &light)
{
    m_pendingLight = light;

    if (!m_link.current()) {
        qDebug().noquote() << "设备未连接，无法发送灯光命令";
        return;
    }
    if (!isIdle() || m_saving) {
        m_lightSendPending = true;
        return;
    }
    // A drag restarts the timer with every step, so only its last values go out.
    m_lightTimer->start(kLightCoalesceMs);
}

void KnobOperations::flushPendingLighting()
{
    // A colour packet between a key's reports and its end packet would cut
    // that key's write short on the device: a change made during a save (or
    // any other use of the link) waits for its end, and only the newest
    // state goes out then.
    if (!isIdle() || m_saving) {
        m_lightSendPending = true;
        return;
    }
    const std::shared_ptr<KnobLink> link = m_link.current();
    if (!link)
        return;

    const LightSettings light = m_pendingLight;
    const ReportWriter write = writerFor(link, link->generation());
    const unsigned ticket = begin(Kind::Lighting);
    m_lightSendPending = false;

    const QPointer<KnobOperations> self(this);
    const bool started = m_workers->run(
        [link, write, light](DeviceWorkers &) {
            qDebug().noquote() << QStringLiteral("发送灯光设置: Color=%1 Brightness=%2 ON=%3")
                                      .arg(light.colorName())
                                      .arg(light.brightness)
                                      .arg(light.on ? QStringLiteral("true") : QStringLiteral("false"));
            const Packet packet = light.packet();
            // Command code 0x00: no compatibility copy, whatever key is selected.
            return link->isUp() && write(buildSendList(packet, 0)) > 0;
        },
        [self, ticket](bool ok) {
            if (!self)
                return;
            self->end(ticket);
            self->finishLightSend(ok);
        });
    if (!started) {
        end(ticket);
        finishLightSend(false);
    }
}

void KnobOperations::finishLightSend(bool ok)
{
    m_link.written();
    ++m_lightSendsCompleted;
    if (!ok) {
        qDebug().noquote() << "灯光命令发送失败";
        if (m_link.current())
            emit lightingSendFailed();
    }
    emit lightSendFinished(ok);
    // A save that waited goes first; what changed while this send was out
    // goes next, without another wait.
    startNext();
}
