#include "protocol/profilestore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace {

constexpr int kMaxStem = 64;
constexpr qint64 kMaxProfileBytes = 1024 * 1024;

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

ProfileEntry readEntry(const QString &path, bool readyMade)
{
    ProfileEntry e;
    e.path = path;
    e.readyMade = readyMade;
    e.name = QFileInfo(path).completeBaseName();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        e.readable = false;
        e.problem = f.errorString();
        return e;
    }
    if (f.size() > kMaxProfileBytes) {
        e.readable = false;
        e.problem = QStringLiteral("the file is larger than a profile can be");
        return e;
    }
    const ConfigJsonParse parsed = configDocumentFromJson(f.readAll());
    if (!parsed.ok) {
        e.readable = false;
        e.problem = parsed.error;
        return e;
    }
    if (!parsed.label.name.isEmpty())
        e.name = parsed.label.name;
    e.application = parsed.label.application;
    e.document = parsed.document;
    return e;
}

} // namespace

ProfileStore::ProfileStore(QString userDirectory, QStringList readyMadeDirectories)
    : m_userDirectory(std::move(userDirectory)), m_readyMadeDirectories(std::move(readyMadeDirectories))
{}

QString ProfileStore::defaultUserDirectory()
{
    // Fixed rather than the application's own location: the window and the
    // tool carry different application names but share the profiles.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/VELTRANIX/VELTRANIX/profiles");
}

QStringList ProfileStore::defaultReadyMadeDirectories()
{
    return {QStringLiteral(":/profiles"), QStringLiteral("/usr/share/veltranix/profiles")};
}

QList<ProfileEntry> ProfileStore::entriesIn(const QString &directory, bool readyMade) const
{
    QList<ProfileEntry> out;
    const QDir dir(directory);
    const QStringList files =
        dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name); // unreadable ones too, with why
    for (const QString &file : files)
        out << readEntry(dir.filePath(file), readyMade);
    return out;
}

QList<ProfileEntry> ProfileStore::list() const
{
    const auto byName = [](const ProfileEntry &a, const ProfileEntry &b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    };
    QList<ProfileEntry> ready;
    QStringList seenFiles;
    for (const QString &dir : m_readyMadeDirectories) {
        for (const ProfileEntry &e : entriesIn(dir, true)) {
            const QString file = QFileInfo(e.path).fileName();
            if (seenFiles.contains(file))
                continue;
            seenFiles << file;
            ready << e;
        }
    }
    QList<ProfileEntry> own = entriesIn(m_userDirectory, false);
    std::stable_sort(ready.begin(), ready.end(), byName);
    std::stable_sort(own.begin(), own.end(), byName);
    return ready + own;
}

std::optional<ProfileEntry> ProfileStore::find(const QString &name) const
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return std::nullopt;
    QList<ProfileEntry> all = list();
    // The user's own first: list() puts the ready-made ones first.
    std::stable_partition(all.begin(), all.end(), [](const ProfileEntry &e) { return !e.readyMade; });
    for (const ProfileEntry &e : all) {
        if (sameName(e.name, wanted))
            return e;
    }
    for (const ProfileEntry &e : all) {
        if (sameName(QFileInfo(e.path).completeBaseName(), wanted))
            return e;
    }
    return std::nullopt;
}

bool ProfileStore::load(const QString &name, KnobDocument *document, QString *error,
                        ProfileEntry *entry) const
{
    const std::optional<ProfileEntry> found = find(name);
    if (!found) {
        *error = QStringLiteral("no profile named \"%1\"").arg(name);
        return false;
    }
    // Finding it read and parsed it already.
    if (!found->readable) {
        *error = QStringLiteral("profile \"%1\" cannot be read: %2").arg(found->name, found->problem);
        return false;
    }
    *document = found->document;
    if (entry)
        *entry = *found;
    return true;
}

QString ProfileStore::fileStemFor(const QString &name)
{
    QString stem;
    bool gap = false;
    for (const QChar c : name.trimmed()) {
        if (c.isLetterOrNumber()) {
            if (gap && !stem.isEmpty())
                stem += QLatin1Char('-');
            gap = false;
            stem += c.toLower();
        } else if (c == QLatin1Char('_') || c == QLatin1Char('-')) {
            if (!stem.isEmpty())
                stem += c;
            gap = false;
        } else {
            gap = true;
        }
        if (stem.size() >= kMaxStem)
            break;
    }
    if (stem.size() > kMaxStem)
        stem.truncate(kMaxStem);
    if (stem.isEmpty())
        stem = QStringLiteral("profile");
    return stem;
}

QString ProfileStore::freePathFor(const QString &name, const QString &keepPath) const
{
    const QString stem = fileStemFor(name);
    const QDir dir(m_userDirectory);
    for (int n = 1;; ++n) {
        const QString file =
            n == 1 ? stem + QStringLiteral(".json") : QStringLiteral("%1-%2.json").arg(stem).arg(n);
        const QString path = dir.filePath(file);
        // Any file of that name is taken, also one that does not parse: it
        // may be the user's only copy of something.
        if (path == keepPath || !QFileInfo::exists(path))
            return path;
    }
}

bool ProfileStore::save(const QString &name, const KnobDocument &document, QString *error,
                        const QString &application)
{
    const QString shown = name.trimmed();
    if (shown.isEmpty()) {
        *error = QStringLiteral("a profile needs a name");
        return false;
    }
    QString keepPath;
    if (const std::optional<ProfileEntry> existing = find(shown);
        existing && sameName(existing->name, shown)) {
        if (existing->readyMade) {
            *error =
                QStringLiteral("\"%1\" is a ready-made profile; save under another name").arg(existing->name);
            return false;
        }
        if (!existing->readable) {
            *error = QStringLiteral("profile \"%1\" cannot be read (%2); delete it first")
                         .arg(existing->name, existing->problem);
            return false;
        }
        keepPath = existing->path;
    }
    if (!QDir().mkpath(m_userDirectory)) {
        *error = QStringLiteral("cannot create the profile folder %1").arg(m_userDirectory);
        return false;
    }
    const QString path = keepPath.isEmpty() ? freePathFor(shown, QString()) : keepPath;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, out.errorString());
        return false;
    }
    out.write(configDocumentToJson(document, ConfigFileLabel{shown, application}));
    if (!out.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, out.errorString());
        return false;
    }
    return true;
}

bool ProfileStore::rename(const QString &from, const QString &to, QString *error)
{
    const QString shown = to.trimmed();
    const std::optional<ProfileEntry> source = find(from);
    if (!source || source->readyMade) {
        *error =
            source ? QStringLiteral("\"%1\" is a ready-made profile and cannot be renamed").arg(source->name)
                   : QStringLiteral("no profile named \"%1\"").arg(from);
        return false;
    }
    if (const std::optional<ProfileEntry> clash = find(shown);
        clash && sameName(clash->name, shown) && clash->path != source->path) {
        *error = QStringLiteral("a profile named \"%1\" already exists").arg(clash->name);
        return false;
    }
    KnobDocument document;
    ProfileEntry entry;
    if (!load(source->name, &document, error, &entry))
        return false;
    if (shown.isEmpty()) {
        *error = QStringLiteral("a profile needs a name");
        return false;
    }
    // Written under the new name first, so a failure leaves the old profile whole.
    const QString path =
        freePathFor(shown, fileStemFor(shown) == fileStemFor(source->name) ? source->path : QString());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, out.errorString());
        return false;
    }
    out.write(configDocumentToJson(document, ConfigFileLabel{shown, entry.application}));
    if (!out.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, out.errorString());
        return false;
    }
    if (path != source->path && !QFile::remove(source->path)) {
        *error = QStringLiteral("renamed, but the old file %1 could not be removed").arg(source->path);
        return false;
    }
    return true;
}

bool ProfileStore::remove(const QString &name, QString *error)
{
    const std::optional<ProfileEntry> found = find(name);
    if (!found || found->readyMade) {
        *error = found
                     ? QStringLiteral("\"%1\" is a ready-made profile and cannot be deleted").arg(found->name)
                     : QStringLiteral("no profile named \"%1\"").arg(name);
        return false;
    }
    QFile f(found->path);
    if (!f.remove()) {
        *error = QStringLiteral("cannot delete %1: %2").arg(found->path, f.errorString());
        return false;
    }
    return true;
}
