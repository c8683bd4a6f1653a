// A stand-in for the Bluetooth helper that plays back a script, so the
// program's side of the line protocol can be tested without Bluetooth.
//
// Environment:
//   VX_FAKE_BLE_SCRIPT    the script file (required; without it: exit 70)
//   VX_FAKE_BLE_ARGS_OUT  every run appends its arguments here as one line,
//                         a compact JSON array of strings (program name left out)
//
// Each run has a kind: "auto" (arguments begin "connect" "auto"), "write"
// (any "--write-packet" argument), "watch" or "other". The script is split into
// sections; a run plays the first of these that exists:
//   [auto 2]   only the 2nd run of that kind (counted from VX_FAKE_BLE_ARGS_OUT,
//              so numbering needs that variable)
//   [auto]     every run of that kind
//   [any]      every run
// No matching section: the run prints nothing and exits 0.
//
// Steps, one per line; blank lines and lines starting with '#' are skipped:
//   out TEXT   write TEXT to standard output as it is, flushed at once
//   line TEXT  the same with "\n" appended
//   err TEXT   write TEXT to standard error
//   sleep MS   pause
//   exit CODE  end now with that code (after the last step: exit 0)
//   crash      abort()
// TEXT runs to the end of the line, one space after the keyword removed; it
// understands \n \r \t \\ and \xHH, so a line can be split over two "out"
// steps or two objects put into one.

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QList>
#include <QStringList>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

QByteArray unescape(const QByteArray &text)
{
    QByteArray out;
    for (int i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c != '\\' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const char e = text.at(++i);
        switch (e) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x': {
            bool ok = false;
            const int value = text.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                out += static_cast<char>(value);
                i += 2;
            } else {
                out += "\\x";
            }
            break;
        }
        default:
            out += e;
        }
    }
    return out;
}

QString kindOf(const QStringList &args)
{
    if (args.contains(QStringLiteral("--write-packet")))
        return QStringLiteral("write");
    if (args == QStringList{QStringLiteral("watch")})
        return QStringLiteral("watch");
    if (args.size() >= 2 && args.at(0) == QLatin1String("connect") && args.at(1) == QLatin1String("auto"))
        return QStringLiteral("auto");
    return QStringLiteral("other");
}

// Runs of this kind recorded before this one, plus one.
int recordAndNumber(const QStringList &args, const QString &kind)
{
    const QByteArray path = qgetenv("VX_FAKE_BLE_ARGS_OUT");
    if (path.isEmpty())
        return 1;
    int number = 1;
    QFile file(QString::fromLocal8Bit(path));
    if (file.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (const QByteArray &line : lines) {
            const QJsonArray earlier = QJsonDocument::fromJson(line).array();
            QStringList earlierArgs;
            for (const QJsonValue &v : earlier)
                earlierArgs << v.toString();
            if (!line.trimmed().isEmpty() && kindOf(earlierArgs) == kind)
                ++number;
        }
        file.close();
    }
    if (file.open(QIODevice::Append)) {
        file.write(QJsonDocument(QJsonArray::fromStringList(args)).toJson(QJsonDocument::Compact) + '\n');
        file.close();
    }
    return number;
}

// The steps under `header`, or nullopt when the script has no such section.
std::optional<QList<QByteArray>> section(const QList<QByteArray> &script, const QByteArray &header)
{
    std::optional<QList<QByteArray>> steps;
    bool inside = false;
    for (const QByteArray &raw : script) {
        const QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
        if (line.startsWith('[')) {
            inside = line.trimmed() == header;
            if (inside && !steps)
                steps.emplace();
            continue;
        }
        if (inside)
            steps->append(line);
    }
    return steps;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    const QString kind = kindOf(args);
    const int number = recordAndNumber(args, kind);

    QFile scriptFile(QString::fromLocal8Bit(qgetenv("VX_FAKE_BLE_SCRIPT")));
    if (!scriptFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "fake_ble_helper: no script (VX_FAKE_BLE_SCRIPT)\n");
        return 70;
    }
    const QList<QByteArray> script = scriptFile.readAll().split('\n');

    QList<QByteArray> steps;
    const QList<QByteArray> headers{"[" + kind.toLatin1() + " " + QByteArray::number(number) + "]",
                                    "[" + kind.toLatin1() + "]", "[any]"};
    for (const QByteArray &header : headers) {
        if (std::optional<QList<QByteArray>> found = section(script, header)) {
            steps = *found;
            break;
        }
    }

    for (const QByteArray &step : steps) {
        if (step.trimmed().isEmpty() || step.trimmed().startsWith('#'))
            continue;
        const int space = step.indexOf(' ');
        const QByteArray keyword = space < 0 ? step : step.left(space);
        const QByteArray text = space < 0 ? QByteArray() : step.mid(space + 1);
        if (keyword == "out" || keyword == "line") {
            QByteArray bytes = unescape(text);
            if (keyword == "line")
                bytes += '\n';
            std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
            std::fflush(stdout);
        } else if (keyword == "err") {
            const QByteArray bytes = unescape(text);
            std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
            std::fflush(stderr);
        } else if (keyword == "sleep") {
            QThread::msleep(text.trimmed().toULong());
        } else if (keyword == "exit") {
            return text.trimmed().toInt();
        } else if (keyword == "crash") {
            std::abort();
        } else {
            std::fprintf(stderr, "fake_ble_helper: unknown step: %s\n", step.constData());
            return 71;
        }
    }
    return 0;
}
