#include "ui/ProfileChoice.h"

#include "ui/KnobEditor.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int kMaxOrigins = 32;

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// As the editor holds them: delays kept within what each slot accepts.
KnobDocument::Gestures asEdited(KnobDocument::Gestures gestures)
{
    for (QList<KnobAction> &actions : gestures) {
        for (int v = 0; v < actions.size(); ++v)
            actions[v].delayMs = clampedDelay(v, actions[v].delayMs);
    }
    return gestures;
}

} // namespace

ProfileChoice::ProfileChoice(KnobEditor *editor, ProfileStore store, QObject *parent)
    : QObject(parent), m_editor(editor), m_store(std::move(store))
{
    connect(m_editor, &KnobEditor::gestureChanged, this, &ProfileChoice::follow);
    connect(m_editor, &KnobEditor::documentReplaced, this, &ProfileChoice::follow);
}

void ProfileChoice::remember(const QString &name)
{
    m_origins.erase(std::remove_if(m_origins.begin(), m_origins.end(),
                                   [&name](const Origin &o) { return sameName(o.name, name); }),
                    m_origins.end());
    m_origins.append({name, m_editor->document().keys});
    if (m_origins.size() > kMaxOrigins)
        m_origins.removeFirst();
    follow();
}

QList<ProfileEntry> ProfileChoice::profiles()
{
    const QList<ProfileEntry> entries = m_store.list();
    learn(entries);
    return entries;
}

void ProfileChoice::learn(const QList<ProfileEntry> &entries)
{
    m_learned = true;
    m_known.clear();
    for (const ProfileEntry &e : entries) {
        if (e.readable)
            m_known.append({e.name, asEdited(e.document.keys)});
    }
}

void ProfileChoice::follow()
{
    const KnobDocument::Gestures &now = m_editor->document().keys;
    const auto holds = [&now](const Origin &o) { return o.gestures == now; };
    QString name;
    if (const auto it = std::find_if(m_origins.crbegin(), m_origins.crend(), holds);
        it != m_origins.crend()) {
        name = it->name;
    } else {
        // Read once the document first changes, not while the window starts.
        if (!m_learned)
            learn(m_store.list());
        if (const auto known = std::find_if(m_known.cbegin(), m_known.cend(), holds); known != m_known.cend())
            name = known->name;
    }
    if (name == m_current)
        return;
    m_current = name;
    emit currentChanged(m_current);
}

QString ProfileChoice::choose(const QString &name)
{
    KnobDocument document;
    ProfileEntry entry;
    QString error;
    if (!m_store.load(name, &document, &error, &entry))
        return error;
    m_editor->replaceDocument(QStringLiteral("profile"), document);
    remember(entry.name);
    return QString();
}

bool ProfileChoice::replacesUserProfile(const QString &name) const
{
    const std::optional<ProfileEntry> found = m_store.find(name);
    return found && !found->readyMade && sameName(found->name, name.trimmed());
}

QString ProfileChoice::saveAs(const QString &name)
{
    QString error;
    if (!m_store.save(name, m_editor->document(), &error))
        return error;
    remember(name.trimmed());
    m_learned = false;
    emit listChanged();
    return QString();
}

QString ProfileChoice::rename(const QString &from, const QString &to)
{
    QString error;
    if (!m_store.rename(from, to, &error))
        return error;
    for (Origin &o : m_origins) {
        if (sameName(o.name, from))
            o.name = to.trimmed();
    }
    // Forces the shown name to follow even when the gestures stay.
    m_current.clear();
    m_learned = false;
    follow();
    emit listChanged();
    return QString();
}

QString ProfileChoice::remove(const QString &name)
{
    QString error;
    if (!m_store.remove(name, &error))
        return error;
    // The document no longer comes from a profile one could choose again.
    m_origins.erase(std::remove_if(m_origins.begin(), m_origins.end(),
                                   [&name](const Origin &o) { return sameName(o.name, name); }),
                    m_origins.end());
    m_learned = false;
    follow();
    emit listChanged();
    return QString();
}
