#pragma once

#include "protocol/knobdocument.h"
#include "protocol/profilestore.h"

#include <QList>
#include <QObject>
#include <QString>

class KnobEditor;

// The window's profiles: the store's list, a choice loaded into the editor as
// one undoable edit, and which profile the editor's document came from. That
// is the newest profile chosen or saved whose gestures the document still
// holds, so an edit shows none and undoing the edit shows it again; failing
// that, a profile with the same gestures (a knob that was given one earlier).
class ProfileChoice : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProfileChoice)

public:
    ProfileChoice(KnobEditor *editor, ProfileStore store, QObject *parent = nullptr);

    // Read afresh each time: the command-line tool may have changed them.
    QList<ProfileEntry> profiles();
    // Empty when the document is not a profile's (edited, or read from the knob).
    QString currentName() const { return m_current; }

    // Each returns empty on success, else the sentence that is shown.
    QString choose(const QString &name);
    QString saveAs(const QString &name);
    QString rename(const QString &from, const QString &to);
    QString remove(const QString &name);
    // A user profile of that name would be replaced by saveAs().
    bool replacesUserProfile(const QString &name) const;

Q_SIGNALS:
    void currentChanged(const QString &name);
    void listChanged();

private:
    struct Origin
    {
        QString name;
        KnobDocument::Gestures gestures;
    };
    void remember(const QString &name);
    void follow();
    void learn(const QList<ProfileEntry> &entries);

    KnobEditor *m_editor;
    ProfileStore m_store;
    QList<Origin> m_origins; // oldest first
    QList<Origin> m_known;   // every readable profile, as last listed
    bool m_learned = false;
    QString m_current;
};
