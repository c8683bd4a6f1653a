#include "protocol/configjson.h"

#include "protocol/actionnames.h"
#include "protocol/assignmentwrite.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>

#include <cmath>

namespace {

QString jsonString(const QString &s)
{
    // Let Qt do the escaping of quotes, backslashes and control characters.
    const QByteArray wrapped = QJsonDocument(QJsonArray{s}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2));
}

QString hexColour(const LightSettings &l)
{
    return QStringLiteral("#%1%2%3")
        .arg(l.red, 2, 16, QLatin1Char('0'))
        .arg(l.green, 2, 16, QLatin1Char('0'))
        .arg(l.blue, 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString actionLine(const KnobAction &a, bool isMacLayout)
{
    QString line = QStringLiteral("{ \"name\": %1").arg(jsonString(actionDisplayName(a, isMacLayout)));
    if (a.kind == KnobAction::Key && actionNameIsAmbiguous(a, isMacLayout))
        line += QStringLiteral(", \"code\": \"0x%1\"")
                    .arg(QStringLiteral("%1").arg(a.keyValue(), 4, 16, QLatin1Char('0')).toUpper());
    line += QStringLiteral(", \"delayMs\": %1 }").arg(a.delayMs);
    return line;
}

// Validation failure: where and why. A path inside keys[] also gets the
// physical key it belongs to, since the array index is not the key number.
struct Refusal
{
    QString path;
    QString why;
    int knobKey = 0;

    QString text() const
    {
        if (path.isEmpty())
            return why;
        const QString key = knobKey > 0 ? QStringLiteral(" (key %1)").arg(knobKey) : QString();
        return path + key + QStringLiteral(": ") + why;
    }
};

[[noreturn]] void refuse(const QString &path, const QString &why)
{
    throw Refusal{path, why};
}

void checkMembers(const QJsonObject &o, const QString &path, const QStringList &allowed)
{
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (!allowed.contains(it.key()))
            refuse(path.isEmpty() ? it.key() : path + QLatin1Char('.') + it.key(),
                   QStringLiteral("unknown member (expected one of %1)")
                       .arg(allowed.join(QStringLiteral(", "))));
    }
}

QString memberPath(const QString &path, const QString &name)
{
    return path.isEmpty() ? name : path + QLatin1Char('.') + name;
}

QJsonValue required(const QJsonObject &o, const QString &path, const QString &name)
{
    if (!o.contains(name))
        refuse(memberPath(path, name), QStringLiteral("missing"));
    return o.value(name);
}

int integerIn(const QJsonValue &v, const QString &path, int low, int high, const QString &rangeText)
{
    if (!v.isDouble() || std::floor(v.toDouble()) != v.toDouble())
        refuse(path, QStringLiteral("must be a whole number"));
    const double d = v.toDouble();
    if (d < low || d > high)
        refuse(path, QStringLiteral("%1 is out of range (%2)").arg(d, 0, 'g', 12).arg(rangeText));
    return int(d);
}

QString stringOf(const QJsonValue &v, const QString &path)
{
    if (!v.isString())
        refuse(path, QStringLiteral("must be a string"));
    return v.toString();
}

QJsonObject objectOf(const QJsonValue &v, const QString &path)
{
    if (!v.isObject())
        refuse(path, QStringLiteral("must be an object"));
    return v.toObject();
}

QJsonArray arrayOf(const QJsonValue &v, const QString &path)
{
    if (!v.isArray())
        refuse(path, QStringLiteral("must be an array"));
    return v.toArray();
}

KnobAction parseAction(const QJsonValue &value, const QString &path, int index, bool isMacLayout)
{
    const QJsonObject o = objectOf(value, path);
    checkMembers(o, path, {QStringLiteral("name"), QStringLiteral("code"), QStringLiteral("delayMs")});
    const QString name =
        stringOf(required(o, path, QStringLiteral("name")), memberPath(path, QStringLiteral("name")));
    KnobAction action;
    if (o.contains(QStringLiteral("code"))) {
        const QString codePath = memberPath(path, QStringLiteral("code"));
        const QString text = stringOf(o.value(QStringLiteral("code")), codePath);
        bool ok = false;
        const int code = text.startsWith(QStringLiteral("0x")) ? text.mid(2).toInt(&ok, 16) : -1;
        if (!ok || code < 0 || code > 0xFFFF || ((code & 0xFF) >= 0xF1 && (code & 0xFF) <= 0xF8))
            refuse(
                codePath,
                QStringLiteral("\"%1\" is not a key value (0x0000 to 0xFFFF, written \"0x0159\")").arg(text));
        action =
            KnobAction::key(static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code & 0xFF));
        const QString expected = actionDisplayName(action, isMacLayout);
        const QString other = actionDisplayName(action, !isMacLayout);
        if (name != expected && name != other)
            refuse(
                memberPath(path, QStringLiteral("name")),
                QStringLiteral("\"%1\" does not match code %2, which is \"%3\"").arg(name, text, expected));
    } else {
        const ActionNameResult r = actionFromName(name, isMacLayout);
        if (!r.ok)
            refuse(path, r.error);
        action = r.action;
    }
    const int low = KnobAction::defaultDelay(index);
    if (o.contains(QStringLiteral("delayMs"))) {
        action.delayMs = integerIn(
            o.value(QStringLiteral("delayMs")), memberPath(path, QStringLiteral("delayMs")), low, kMaxDelayMs,
            index == 0 ? QStringLiteral("0 to %1 ms for the first action").arg(kMaxDelayMs)
                       : QStringLiteral("%1 to %2 ms after the first action").arg(low).arg(kMaxDelayMs));
    } else {
        action.delayMs = low;
    }
    return action;
}

LightSettings parseLight(const QJsonValue &value)
{
    const QString path = QStringLiteral("lighting");
    const QJsonObject o = objectOf(value, path);
    checkMembers(o, path, {QStringLiteral("color"), QStringLiteral("brightness"), QStringLiteral("on")});
    LightSettings l;
    const QString colourPath = memberPath(path, QStringLiteral("color"));
    const QString colour = stringOf(required(o, path, QStringLiteral("color")), colourPath);
    bool ok = colour.size() == 7 && colour.startsWith(QLatin1Char('#'));
    const uint rgb = ok ? colour.mid(1).toUInt(&ok, 16) : 0;
    if (!ok || colour.mid(1).contains(QLatin1Char('+')) || colour.mid(1).contains(QLatin1Char('-')))
        refuse(colourPath, QStringLiteral("\"%1\" is not a colour written \"#RRGGBB\"").arg(colour));
    l.red = static_cast<unsigned char>((rgb >> 16) & 0xFF);
    l.green = static_cast<unsigned char>((rgb >> 8) & 0xFF);
    l.blue = static_cast<unsigned char>(rgb & 0xFF);
    l.brightness =
        integerIn(required(o, path, QStringLiteral("brightness")),
                  memberPath(path, QStringLiteral("brightness")), 0, 100, QStringLiteral("0 to 100"));
    const QJsonValue on = required(o, path, QStringLiteral("on"));
    if (!on.isBool())
        refuse(memberPath(path, QStringLiteral("on")), QStringLiteral("must be true or false"));
    l.on = on.toBool();
    return l;
}

QString lineAndColumn(const QByteArray &json, int offset)
{
    int line = 1, column = 1;
    for (int i = 0; i < offset && i < json.size(); ++i) {
        if (json[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(json[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

// A file without "layout" is read in the layout its names are written for:
// Mac when a name only the Mac layout shows appears and none only the Windows
// layout shows, Windows otherwise. Malformed entries are left to the checks.
bool namesImplyMacLayout(const QJsonValue &keys)
{
    bool mac = false;
    for (const QJsonValue &key : keys.toArray()) {
        for (const QJsonValue &action : key.toObject().value(QStringLiteral("actions")).toArray()) {
            const std::optional<bool> layout =
                layoutOfActionName(action.toObject().value(QStringLiteral("name")).toString());
            if (layout && !*layout)
                return false;
            mac = mac || layout.has_value();
        }
    }
    return mac;
}

// One entry of keys[]; *knobKey is set once its physical key is known.
void parseKey(const QJsonValue &value, const QString &path, KnobDocument *doc, QSet<int> *seen, int *knobKey)
{
    const QJsonObject key = objectOf(value, path);
    checkMembers(key, path, {QStringLiteral("key"), QStringLiteral("gesture"), QStringLiteral("actions")});
    const int k =
        integerIn(required(key, path, QStringLiteral("key")), memberPath(path, QStringLiteral("key")), 1,
                  kKnobKeyCount, QStringLiteral("physical keys are 1 to 5"));
    if (seen->contains(k))
        refuse(memberPath(path, QStringLiteral("key")),
               QStringLiteral("physical key %1 appears twice").arg(k));
    seen->insert(k);
    *knobKey = k;
    if (key.contains(QStringLiteral("gesture"))) {
        const QString gesturePath = memberPath(path, QStringLiteral("gesture"));
        const QString gesture = stringOf(key.value(QStringLiteral("gesture")), gesturePath);
        if (gesture != gestureName(k))
            refuse(gesturePath, QStringLiteral("\"%1\" is not the gesture of physical key %2 (\"%3\")")
                                    .arg(gesture)
                                    .arg(k)
                                    .arg(gestureName(k)));
    }
    const QString actionsPath = memberPath(path, QStringLiteral("actions"));
    const QJsonArray actions = arrayOf(required(key, path, QStringLiteral("actions")), actionsPath);
    for (int j = 0; j < actions.size(); ++j)
        doc->keys[k - 1] << parseAction(actions[j], QStringLiteral("%1[%2]").arg(actionsPath).arg(j), j,
                                        doc->isMacLayout);
    int at = -1;
    const QString problem = keyActionsProblem(*doc, k, &at);
    if (!problem.isEmpty())
        refuse(at >= 0 ? QStringLiteral("%1[%2]").arg(actionsPath).arg(at) : actionsPath, problem);
}

KnobDocument parseDocument(const QByteArray &json, ConfigFileLabel *label)
{
    QJsonParseError error;
    const QJsonDocument parsed = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        refuse(QString(), QStringLiteral("invalid JSON at %1: %2")
                              .arg(lineAndColumn(json, error.offset), error.errorString()));
    if (!parsed.isObject())
        refuse(QString(), QStringLiteral("the file must hold one JSON object"));
    const QJsonObject root = parsed.object();
    checkMembers(root, QString(),
                 {QStringLiteral("format"), QStringLiteral("name"), QStringLiteral("application"),
                  QStringLiteral("layout"), QStringLiteral("keys"), QStringLiteral("lighting")});

    const QJsonValue format = required(root, QString(), QStringLiteral("format"));
    if (!format.isDouble() || format.toDouble() != KnobDocument::kFormatVersion)
        refuse(QStringLiteral("format"),
               QStringLiteral("version %1 is not supported (this program reads version %2)")
                   .arg(format.isDouble()
                            ? QString::number(format.toDouble())
                            : QString::fromUtf8(
                                  QJsonDocument(QJsonArray{format}).toJson(QJsonDocument::Compact)))
                   .arg(KnobDocument::kFormatVersion));

    for (const auto &[member, into] : {std::pair{QStringLiteral("name"), &label->name},
                                       std::pair{QStringLiteral("application"), &label->application}}) {
        if (root.contains(member))
            *into = stringOf(root.value(member), member).trimmed();
    }

    KnobDocument doc;
    if (root.contains(QStringLiteral("layout"))) {
        const QString layout = stringOf(root.value(QStringLiteral("layout")), QStringLiteral("layout"));
        if (layout != QLatin1String("mac") && layout != QLatin1String("windows"))
            refuse(QStringLiteral("layout"),
                   QStringLiteral("\"%1\" is not a layout (\"mac\" or \"windows\")").arg(layout));
        doc.isMacLayout = layout == QLatin1String("mac");
    } else {
        // The knob does not store it, so a hand-written file may leave it out.
        doc.isMacLayout = namesImplyMacLayout(root.value(QStringLiteral("keys")));
    }

    const QJsonArray keys =
        arrayOf(required(root, QString(), QStringLiteral("keys")), QStringLiteral("keys"));
    QSet<int> seen;
    for (int i = 0; i < keys.size(); ++i) {
        int knobKey = 0;
        try {
            parseKey(keys[i], QStringLiteral("keys[%1]").arg(i), &doc, &seen, &knobKey);
        } catch (Refusal &r) {
            r.knobKey = knobKey;
            throw;
        }
    }
    for (int k = 1; k <= kKnobKeyCount; ++k) {
        if (!seen.contains(k))
            refuse(QStringLiteral("keys"), QStringLiteral("physical key %1 is missing").arg(k));
    }
    if (root.contains(QStringLiteral("lighting")))
        doc.light = parseLight(root.value(QStringLiteral("lighting")));
    return doc;
}

} // namespace

QByteArray configDocumentToJson(const KnobDocument &doc)
{
    return configDocumentToJson(doc, ConfigFileLabel());
}

QByteArray configDocumentToJson(const KnobDocument &doc, const ConfigFileLabel &label)
{
    QString out;
    out += QStringLiteral("{\n");
    out += QStringLiteral("    \"format\": %1,\n").arg(KnobDocument::kFormatVersion);
    if (!label.name.isEmpty())
        out += QStringLiteral("    \"name\": %1,\n").arg(jsonString(label.name));
    if (!label.application.isEmpty())
        out += QStringLiteral("    \"application\": %1,\n").arg(jsonString(label.application));
    out += QStringLiteral("    \"layout\": \"%1\",\n").arg(doc.isMacLayout ? "mac" : "windows");
    out += QStringLiteral("    \"keys\": [\n");
    for (int k = 1; k <= kKnobKeyCount; ++k) {
        const QList<KnobAction> &actions = doc.keys[k - 1];
        out += QStringLiteral("        {\n");
        out += QStringLiteral("            \"key\": %1,\n").arg(k);
        out += QStringLiteral("            \"gesture\": %1,\n").arg(jsonString(gestureName(k)));
        if (actions.isEmpty()) {
            out += QStringLiteral("            \"actions\": []\n");
        } else {
            out += QStringLiteral("            \"actions\": [\n");
            for (int i = 0; i < actions.size(); ++i)
                out += QStringLiteral("                %1%2\n")
                           .arg(actionLine(actions[i], doc.isMacLayout),
                                i + 1 < actions.size() ? QStringLiteral(",") : QString());
            out += QStringLiteral("            ]\n");
        }
        out += k < kKnobKeyCount ? QStringLiteral("        },\n") : QStringLiteral("        }\n");
    }
    out += doc.light ? QStringLiteral("    ],\n") : QStringLiteral("    ]\n");
    if (doc.light) {
        out += QStringLiteral("    \"lighting\": {\n");
        out += QStringLiteral("        \"color\": \"%1\",\n").arg(hexColour(*doc.light));
        out += QStringLiteral("        \"brightness\": %1,\n").arg(doc.light->brightness);
        out += QStringLiteral("        \"on\": %1\n").arg(doc.light->on ? "true" : "false");
        out += QStringLiteral("    }\n");
    }
    out += QStringLiteral("}\n");
    return out.toUtf8();
}

ConfigJsonParse configDocumentFromJson(const QByteArray &json)
{
    ConfigJsonParse result;
    try {
        result.document = parseDocument(json, &result.label);
        result.ok = true;
    } catch (const Refusal &r) {
        result.error = r.text();
    }
    return result;
}
