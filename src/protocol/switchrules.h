#pragma once

#include <QDate>
#include <QMap>
#include <QString>

// Which profile the knob takes for the application in front. Kept in one
// small file beside the profiles so the window and the tool share it.
struct SwitchRules
{
    static constexpr int kDefaultDailyLimit = 300;
    static constexpr int kDefaultDwellMs = 1000;

    QMap<QString, QString> bindings; // application id -> profile name
    QString defaultProfile;          // for every other application; may be empty
    bool enabled = false;            // off until the user turns it on
    int dailyLimit = kDefaultDailyLimit;
    int dwellMs = kDefaultDwellMs;

    // The profile for an application id, the default for one without a rule,
    // empty when neither says.
    QString profileFor(const QString &appId) const;

    // ~/.local/share/VELTRANIX/VELTRANIX/rules.json
    static QString defaultPath();
    // A missing file is the defaults; an unreadable one fails with *error.
    static bool load(const QString &path, SwitchRules *rules, QString *error);
    bool save(const QString &path, QString *error) const;
};

// How many automatic writes the knob took today, in a small state file, so
// the daily limit holds across restarts of either program.
class SwitchWriteCounter
{
public:
    explicit SwitchWriteCounter(QString path = defaultPath());

    // ~/.local/share/VELTRANIX/VELTRANIX/switch-writes.json
    static QString defaultPath();

    int writesOn(const QDate &day) const;
    int writesToday() const { return writesOn(QDate::currentDate()); }
    // Counts one write on that day; a new day starts again from zero.
    bool add(const QDate &day, QString *error);

private:
    QString m_path;
};
