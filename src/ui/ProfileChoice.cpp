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

void ProfileChoice::follow()
{
    QString name;
    for (auto it = m_origins.crbegin(); it != m_origins.crend(); ++it) {
        if (it->gestures == m_editor->document().keys) {
            name = it->name;
            break;
        }
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
    follow();
    emit listChanged();
    return QString();
}
