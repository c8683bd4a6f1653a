#pragma once

#include "protocol/configjson.h"
#include "protocol/knobdocument.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One profile as the store lists it.
struct ProfileEntry
{
    QString name;        // what the user typed (stored in the file); the file's stem when unreadable
    QString application; // what it suits; may be empty
    QString path;
    bool readyMade = false; // shipped with the program: never written, renamed or deleted
    bool readable = true;
    QString problem;       // why an unreadable file does not parse; such a file is never touched
    KnobDocument document; // what a readable file holds, as listed
};

// Named configurations in the file format: the user's own, one file each in
// a folder of the user's data, and the ready-made ones shipped read-only.
// Both programs use the same folder whatever they are called.
class ProfileStore
{
public:
    explicit ProfileStore(QString userDirectory = defaultUserDirectory(),
                          QStringList readyMadeDirectories = defaultReadyMadeDirectories());

    // ~/.local/share/VELTRANIX/VELTRANIX/profiles
    static QString defaultUserDirectory();
    // The resources first, then the package's folder.
    static QStringList defaultReadyMadeDirectories();

    QString userDirectory() const { return m_userDirectory; }

    // Ready-made first, then the user's, each by name regardless of case. A
    // ready-made profile a later folder repeats (same file name) is listed once.
    QList<ProfileEntry> list() const;

    // By name regardless of case, or by file stem ("gimp"); the user's own
    // before the ready-made ones.
    std::optional<ProfileEntry> find(const QString &name) const;

    bool load(const QString &name, KnobDocument *document, QString *error,
              ProfileEntry *entry = nullptr) const;

    // Creates the user profile or replaces the one of that name, atomically.
    // Refuses a name a ready-made profile has, an empty name, or a name whose
    // file is unreadable (the user must delete that one first).
    bool save(const QString &name, const KnobDocument &document, QString *error,
              const QString &application = QString());
    bool rename(const QString &from, const QString &to, QString *error);
    bool remove(const QString &name, QString *error);

    // A safe file stem for a name: letters and digits of any script, '-' and
    // '_'; no separators, no leading dot, at most 64 characters; never empty.
    static QString fileStemFor(const QString &name);

private:
    QString freePathFor(const QString &name, const QString &keepPath) const;
    QList<ProfileEntry> entriesIn(const QString &directory, bool readyMade) const;

    QString m_userDirectory;
    QStringList m_readyMadeDirectories;
};
