#include "protocol/switchrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

namespace {

constexpr qint64 kMaxFileBytes = 256 * 1024;

QString dataDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/VELTRANIX/VELTRANIX");
}

bool readObject(const QString &path, QJsonObject *object, QString *error)
{
    QFile file(path);
    if (!file.exists()) {
        *object = QJsonObject();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(kMaxFileBytes), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        *error = QStringLiteral("%1 is not a JSON object: %2").arg(path, parseError.errorString());
        return false;
    }
    *object = doc.object();
    return true;
}

bool writeObject(const QString &path, const QJsonObject &object, QString *error)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        *error = QStringLiteral("cannot create the folder of %1").arg(path);
        return false;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, out.errorString());
        return false;
    }
    out.write(QJsonDocument(object).toJson(QJsonDocument::Indented));
    if (!out.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, out.errorString());
        return false;
    }
    return true;
}

} // namespace

QString SwitchRules::profileFor(const QString &appId) const
{
    const auto it = bindings.constFind(appId);
    return it != bindings.constEnd() ? it.value() : defaultProfile;
}

QString SwitchRules::defaultPath()
{
    return dataDirectory() + QStringLiteral("/rules.json");
}

bool SwitchRules::load(const QString &path, SwitchRules *rules, QString *error)
{
    QJsonObject root;
    if (!readObject(path, &root, error))
        return false;
    SwitchRules r;
    const QJsonObject bound = root.value(QLatin1String("bindings")).toObject();
    for (auto it = bound.begin(); it != bound.end(); ++it) {
        if (!it.key().isEmpty() && !it.value().toString().isEmpty())
            r.bindings.insert(it.key(), it.value().toString());
    }
    r.defaultProfile = root.value(QLatin1String("default")).toString();
    r.enabled = root.value(QLatin1String("automatic")).toBool(false);
    r.dailyLimit = std::max(1, root.value(QLatin1String("dailyLimit")).toInt(kDefaultDailyLimit));
    r.dwellMs = std::clamp(root.value(QLatin1String("dwellMs")).toInt(kDefaultDwellMs), 0, 60000);
    *rules = std::move(r);
    return true;
}

bool SwitchRules::save(const QString &path, QString *error) const
{
    QJsonObject bound;
    for (auto it = bindings.constBegin(); it != bindings.constEnd(); ++it)
        bound.insert(it.key(), it.value());
    QJsonObject root;
    root.insert(QLatin1String("bindings"), bound);
    root.insert(QLatin1String("default"), defaultProfile);
    root.insert(QLatin1String("automatic"), enabled);
    root.insert(QLatin1String("dailyLimit"), dailyLimit);
    root.insert(QLatin1String("dwellMs"), dwellMs);
    return writeObject(path, root, error);
}

SwitchWriteCounter::SwitchWriteCounter(QString path) : m_path(std::move(path)) {}

QString SwitchWriteCounter::defaultPath()
{
    return dataDirectory() + QStringLiteral("/switch-writes.json");
}

int SwitchWriteCounter::writesOn(const QDate &day) const
{
    QJsonObject root;
    QString error;
    if (!readObject(m_path, &root, &error))
        return 0;
    if (root.value(QLatin1String("day")).toString() != day.toString(Qt::ISODate))
        return 0;
    return std::max(0, root.value(QLatin1String("writes")).toInt());
}

bool SwitchWriteCounter::add(const QDate &day, QString *error)
{
    QJsonObject root;
    root.insert(QLatin1String("day"), day.toString(Qt::ISODate));
    root.insert(QLatin1String("writes"), writesOn(day) + 1);
    return writeObject(m_path, root, error);
}
