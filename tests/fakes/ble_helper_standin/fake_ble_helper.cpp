// A stand-in for the Bluetooth helper that plays back a script, so the
// program's side of the line protocol can be tested without Bluetooth.
//
// Environment:
//   VX_FAKE_BLE_SCRIPT    the script file (required; without it: exit 70)
//   VX_FAKE_BLE_ARGS_OUT  every run appends its arguments here as one line,
//                         a compact JSON array of strings (program name left out)
//
// A run plays the section of its kind: [write] (any "--write-packet"
// argument), [watch], [auto] ("connect" "auto" ...); nothing (exit 0)
// without its own. Steps, one per line:
//   line TEXT  write TEXT and a newline to standard output, flushed at once
//   sleep MS   pause
//   exit CODE  end now with that code (after the last step: exit 0)

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>
#include <QThread>

#include <cstdio>

namespace {

QByteArray kindOf(const QStringList &args)
{
    if (args.contains(QStringLiteral("--write-packet")))
        return "[write]";
    if (args == QStringList{QStringLiteral("watch")})
        return "[watch]";
    return args.value(0) == QLatin1String("connect") && args.value(1) == QLatin1String("auto") ? "[auto]"
                                                                                               : "[other]";
}

QList<QByteArray> section(const QList<QByteArray> &script, const QByteArray &header)
{
    QList<QByteArray> steps;
    bool inside = false;
    for (const QByteArray &line : script) {
        if (line.startsWith('['))
            inside = line.trimmed() == header;
        else if (inside)
            steps.append(line);
    }
    return steps;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QFile record(QString::fromLocal8Bit(qgetenv("VX_FAKE_BLE_ARGS_OUT")));
    if (record.open(QIODevice::Append))
        record.write(QJsonDocument(QJsonArray::fromStringList(args)).toJson(QJsonDocument::Compact) + '\n');
    record.close();

    QFile scriptFile(QString::fromLocal8Bit(qgetenv("VX_FAKE_BLE_SCRIPT")));
    if (!scriptFile.open(QIODevice::ReadOnly))
        return 70;
    const QList<QByteArray> script = scriptFile.readAll().split('\n');
    for (const QByteArray &step : section(script, kindOf(args))) {
        const QByteArray keyword = step.left(step.indexOf(' '));
        const QByteArray text = step.mid(keyword.size() + 1);
        if (keyword == "line") {
            std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
            std::fputc('\n', stdout);
            std::fflush(stdout);
        } else if (keyword == "sleep") {
            QThread::msleep(text.trimmed().toULong());
        } else if (keyword == "exit") {
            return text.trimmed().toInt();
        }
    }
    return 0;
}
