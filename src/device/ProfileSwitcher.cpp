#include "device/ProfileSwitcher.h"

#include "device/Clock.h"
#include "device/KnobSession.h"
#include "device/savereadback.h"
#include "protocol/profilestore.h"

#include <QCoreApplication>
#include <QDate>
#include <QDebug>
#include <QFileInfo>
#include <QFileSystemWatcher>

#include <algorithm>
#include <utility>

namespace {

constexpr int kRecentApps = 8;

// Where the desktop gives no process id, this program's window is known by
// its desktop file name or its WM_CLASS.
bool isOwnWindow(const FocusedApp &app)
{
    if (app.pid != 0 && app.pid == QCoreApplication::applicationPid())
        return true;
    for (const QString &id : {app.appId, app.wmClass}) {
        if (id.compare(QLatin1String("com.veltranix.Configurator"), Qt::CaseInsensitive) == 0 ||
            id.compare(QLatin1String("veltranix"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

ProfileSwitcher::ProfileSwitcher(KnobSession *session, std::shared_ptr<Clock> clock, Paths paths,
                                 QObject *parent)
    : QObject(parent), m_session(session), m_clock(std::move(clock)), m_paths(std::move(paths)),
      m_counter(m_paths.writeCounter)
{
    m_dwell = m_clock->makeTimer(Clock::Repeat::Once, [this] {
        if (!m_waiting)
            return;
        m_target = std::exchange(m_waiting, std::nullopt);
        trySwitch();
    });
    reloadRules();
    connect(m_session, &KnobSession::configurationRead, this, &ProfileSwitcher::onConfigurationRead);
    connect(m_session, &KnobSession::saveChecked, this, &ProfileSwitcher::onSaveChecked);
    connect(m_session, &KnobSession::connectionChanged, this, [this](bool connected) {
        if (!connected)
            m_knobHolds.reset();
    });
    if (m_paths.watchRules) {
        // The folder, not the file: a save replaces the file by renaming.
        m_rulesWatch = new QFileSystemWatcher(this);
        const QString folder = QFileInfo(m_paths.rules).absolutePath();
        if (QFileInfo::exists(folder))
            m_rulesWatch->addPath(folder);
        connect(m_rulesWatch, &QFileSystemWatcher::directoryChanged, this, [this] {
            const SwitchRules before = m_rules;
            reloadRules();
            if (before.enabled != m_rules.enabled || before.bindings != m_rules.bindings ||
                before.defaultProfile != m_rules.defaultProfile)
                trySwitch();
            emit stateChanged();
        });
    }
}

ProfileSwitcher::~ProfileSwitcher() = default;

void ProfileSwitcher::reloadRules()
{
    QString error;
    SwitchRules rules;
    if (!SwitchRules::load(m_paths.rules, &rules, &error)) {
        qWarning().noquote() << "自动切换规则无法读取:" << error;
        return;
    }
    m_rules = rules;
}

bool ProfileSwitcher::updateRules(const std::function<void(SwitchRules &)> &change, QString *error)
{
    // From the file: the tool may have changed it since.
    reloadRules();
    SwitchRules rules = m_rules;
    change(rules);
    if (!rules.save(m_paths.rules, error))
        return false;
    m_rules = rules;
    emit stateChanged();
    trySwitch();
    return true;
}

bool ProfileSwitcher::setEnabled(bool on, QString *error)
{
    return updateRules([on](SwitchRules &r) { r.enabled = on; }, error);
}

bool ProfileSwitcher::setDailyLimit(int limit, QString *error)
{
    return updateRules([limit](SwitchRules &r) { r.dailyLimit = std::max(1, limit); }, error);
}

bool ProfileSwitcher::bind(const QString &appId, const QString &profile, QString *error)
{
    return updateRules(
        [&](SwitchRules &r) {
            if (appId.isEmpty())
                r.defaultProfile = profile;
            else
                r.bindings.insert(appId, profile);
        },
        error);
}

void ProfileSwitcher::setHeld(bool held)
{
    if (std::exchange(m_held, held) == held)
        return;
    emit stateChanged();
    if (!held)
        trySwitch();
}

void ProfileSwitcher::setPaused(bool paused)
{
    if (std::exchange(m_paused, paused) == paused)
        return;
    emit stateChanged();
    if (!paused)
        trySwitch();
}

int ProfileSwitcher::writesToday() const
{
    return m_counter.writesToday();
}

void ProfileSwitcher::focusChanged(const FocusedApp &app)
{
    // Passing through this program's own window switches nothing.
    if (app.appId.isEmpty() || isOwnWindow(app)) {
        m_waiting.reset();
        m_dwell->stop();
        return;
    }
    for (int i = 0; i < m_recent.size(); ++i) {
        if (m_recent[i].appId == app.appId) {
            m_recent.removeAt(i);
            break;
        }
    }
    m_recent.prepend(app);
    while (m_recent.size() > kRecentApps)
        m_recent.removeLast();
    emit stateChanged();
    m_waiting = app;
    m_dwell->start(m_rules.dwellMs);
}

QList<int> ProfileSwitcher::differingKeys(const KnobDocument &meant) const
{
    // Held against what the knob reads back as, key by key: a key the profile
    // leaves empty keeps what the knob has.
    const KnobDocument expected = expectedReadBack(meant);
    QList<int> keys;
    for (int k = 1; k <= kKnobKeyCount; ++k) {
        if (!meant.keys[k - 1].isEmpty() &&
            (!m_knobHolds || expected.keys[k - 1] != m_knobHolds->keys[k - 1]))
            keys << k;
    }
    return keys;
}

void ProfileSwitcher::trySwitch()
{
    if (!m_target || !m_rules.enabled || m_paused)
        return;
    const QString profile = m_rules.profileFor(m_target->appId);
    if (!profile.isEmpty())
        writeProfile(profile, m_target->appId, false);
}

bool ProfileSwitcher::applyProfile(const QString &profile)
{
    return writeProfile(profile, QStringLiteral("manual"), true);
}

bool ProfileSwitcher::writeProfile(const QString &profile, const QString &appId, bool chosen)
{
    if (m_held || m_pending)
        return false;
    // Another program holding the knob leaves this session unconnected.
    if (!m_session->isConnected())
        return false;
    if (!m_knobHolds) {
        // Built after the knob's first read: what it holds is asked once.
        if (!m_session->isConfigReadInProgress())
            m_session->readConfiguration();
        return false;
    }
    if (m_session->isSaveRunning()) {
        m_retryAfterSave = !chosen;
        return false;
    }

    const ProfileStore store(
        m_paths.profiles.isEmpty() ? ProfileStore::defaultUserDirectory() : m_paths.profiles,
        m_paths.readyMade.isEmpty() ? ProfileStore::defaultReadyMadeDirectories() : m_paths.readyMade);
    KnobDocument meant;
    QString error;
    if (!store.load(profile, &meant, &error)) {
        qWarning().noquote() << QStringLiteral("自动切换: 配置文件 %1 无法读取: %2").arg(profile, error);
        return false;
    }
    // The light goes out on its own; a switch writes gestures only.
    meant.light.reset();
    meant.isMacLayout = m_knobHolds->isMacLayout;
    const QList<int> changed = differingKeys(meant);
    if (changed.isEmpty()) {
        m_activeProfile = profile;
        emit stateChanged();
        return true;
    }
    if (!chosen && isLimitReached()) {
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        if (std::exchange(m_limitNoticeDay, today) != today) {
            qWarning().noquote()
                << QStringLiteral("自动切换已暂停: 今日写入已达上限 %1").arg(m_rules.dailyLimit);
            emit limitReached(m_rules.dailyLimit);
        }
        return false;
    }
    KnobDocument partial = meant;
    for (int k = 1; k <= kKnobKeyCount; ++k) {
        if (!changed.contains(k))
            partial.keys[k - 1].clear();
    }
    if (!m_session->save(partial, true)) {
        m_retryAfterSave = !chosen;
        return false;
    }
    m_pending = PendingSwitch{profile, appId, meant};
    return true;
}

void ProfileSwitcher::onConfigurationRead(const KnobDocument &document)
{
    m_knobHolds = document;
    trySwitch();
}

void ProfileSwitcher::onSaveChecked(const SaveOutcome &outcome)
{
    const std::optional<PendingSwitch> pending =
        outcome.automatic ? std::exchange(m_pending, std::nullopt) : std::nullopt;
    if (outcome.readBack) {
        m_knobHolds = outcome.document;
    } else if (pending && outcome.written && !outcome.verifiable && m_knobHolds) {
        // A link that cannot read back took the switch as written.
        const KnobDocument written = expectedReadBack(pending->meant);
        for (int k = 1; k <= kKnobKeyCount; ++k) {
            if (!pending->meant.keys[k - 1].isEmpty())
                m_knobHolds->keys[k - 1] = written.keys[k - 1];
        }
    } else {
        // What a save without a read-back left on the knob is asked again before the next switch.
        m_knobHolds.reset();
    }
    if (pending) {
        if (outcome.written) {
            QString error;
            if (!m_counter.add(QDate::currentDate(), &error))
                qWarning().noquote() << "自动切换写入计数无法保存:" << error;
        }
        // Confirmed by the read-back against the whole profile, not only the
        // gestures that went out.
        const bool confirmed = outcome.readBack ? differingKeys(pending->meant).isEmpty()
                                                : outcome.written && !outcome.verifiable;
        if (confirmed) {
            m_activeProfile = pending->profile;
            qInfo().noquote()
                << QStringLiteral("配置文件切换: %1 (%2)").arg(pending->profile, pending->appId);
            emit switched(pending->profile, pending->appId);
        } else {
            qWarning().noquote()
                << QStringLiteral("自动切换失败: %1 (%2)").arg(pending->profile, pending->appId);
        }
        emit stateChanged();
        // The application in front may have changed while the write ran.
        if (m_target && m_target->appId != pending->appId)
            m_retryAfterSave = true;
    }
    if (std::exchange(m_retryAfterSave, false))
        trySwitch();
}
