#pragma once

#include "focus/FocusWatcher.h"
#include "protocol/knobdocument.h"
#include "protocol/switchrules.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class Clock;
class ClockTimer;
class KnobSession;
class QFileSystemWatcher;
struct SaveOutcome;

// Where the switcher keeps its files and finds the profiles.
struct ProfileSwitcherPaths
{
    QString rules = SwitchRules::defaultPath();
    QString writeCounter = SwitchWriteCounter::defaultPath();
    QString profiles;       // the store's user folder; empty: its default
    QStringList readyMade;  // the store's ready-made folders; empty: its defaults
    bool watchRules = true; // reread the rules when the tool changes them
};

// Puts the profile bound to the application in front on the knob. Fed with
// focus changes and the session's reads and saves; writes only after the
// application stayed in front for the dwell time, only the gestures the knob
// does not hold already, and no more often than the daily limit allows.
// Lives on the session's thread.
class ProfileSwitcher : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProfileSwitcher)

public:
    using Paths = ProfileSwitcherPaths;

    ProfileSwitcher(KnobSession *session, std::shared_ptr<Clock> clock, Paths paths = Paths(),
                    QObject *parent = nullptr);
    ~ProfileSwitcher() override;

    const SwitchRules &rules() const { return m_rules; }
    bool isEnabled() const { return m_rules.enabled; }
    // Turns switching on or off in the rules file.
    bool setEnabled(bool on, QString *error);
    bool setDailyLimit(int limit, QString *error);
    // An empty appId names the default profile.
    bool bind(const QString &appId, const QString &profile, QString *error);
    void reloadRules();

    // The window holds edits the knob does not have: nothing is written meanwhile.
    void setHeld(bool held);
    bool isHeld() const { return m_held; }
    // Paused from the tray; not kept in the file.
    void setPaused(bool paused);
    bool isPaused() const { return m_paused; }
    int writesToday() const;
    bool isLimitReached() const { return writesToday() >= m_rules.dailyLimit; }
    // The profile the knob was last switched to, as far as this process knows.
    QString activeProfile() const { return m_activeProfile; }
    // Most recent first, without this program's own windows.
    QList<FocusedApp> recentApps() const { return m_recent; }

    void focusChanged(const FocusedApp &app);
    // Puts a profile on the knob now (the tray's choice), switching on or
    // not; false when it cannot go now. Held edits still hold it.
    bool applyProfile(const QString &profile);

Q_SIGNALS:
    // Something shown about switching changed: rules, pause, count, recent applications.
    void stateChanged();
    void switched(const QString &profile, const QString &appId);
    // The daily limit stopped a switch; said once per day.
    void limitReached(int limit);

private:
    bool updateRules(const std::function<void(SwitchRules &)> &change, QString *error);
    void trySwitch();
    bool writeProfile(const QString &profile, const QString &appId, bool chosen);
    void onConfigurationRead(const KnobDocument &document);
    void onSaveChecked(const SaveOutcome &outcome);
    QList<int> differingKeys(const KnobDocument &meant) const;

    KnobSession *m_session = nullptr;
    std::shared_ptr<Clock> m_clock;
    Paths m_paths;
    SwitchRules m_rules;
    SwitchWriteCounter m_counter;
    std::unique_ptr<ClockTimer> m_dwell;
    QFileSystemWatcher *m_rulesWatch = nullptr;

    std::optional<FocusedApp> m_target;  // in front and stayed there for the dwell
    std::optional<FocusedApp> m_waiting; // in front, dwell running
    QList<FocusedApp> m_recent;
    std::optional<KnobDocument> m_knobHolds; // from the last read or read-back
    bool m_held = false;
    bool m_paused = false;
    bool m_retryAfterSave = false;
    QString m_limitNoticeDay;
    QString m_activeProfile;

    struct PendingSwitch
    {
        QString profile;
        QString appId;
        KnobDocument meant;
    };
    std::optional<PendingSwitch> m_pending; // an automatic save on its way
};
