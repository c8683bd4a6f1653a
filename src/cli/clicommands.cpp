#include "cli/clicommands.h"

#include "cli/Doctor.h"
#include "cli/clidevice.h"
#include "cli/hidinterfacelist.h"
#include "cli/profileswitchcommands.h"
#include "device/savereadback.h"
#include "protocol/actionnames.h"
#include "protocol/assignmentwrite.h"
#include "protocol/configjson.h"
#include "protocol/knobdocument.h"
#include "protocol/profilestore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>
#include <map>

namespace {

const char *const kProgram = "veltranix-cli";

QString programPrefix()
{
    return QString::fromLatin1(kProgram) + QStringLiteral(": ");
}

// The knob being written, while a save runs; only touched on the main thread.
CliDevice *g_writing = nullptr;
int g_stopSignal = 0;

int fail(const CliContext &c, int code, const QString &sentence)
{
    *c.err << programPrefix() << sentence << '\n';
    c.err->flush();
    return code;
}

QCommandLineOption deviceOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("device")},
                              QStringLiteral("Use the knob with this interface path or serial number "
                                             "(see \"list\")."),
                              QStringLiteral("path|serial"));
}

QCommandLineOption layoutOption()
{
    return QCommandLineOption(
        QStringList{QStringLiteral("layout")},
        QStringLiteral("Name modifier keys for the \"windows\" (default) or \"mac\" layout."),
        QStringLiteral("layout"), QStringLiteral("windows"));
}

QCommandLineOption verboseOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("v"), QStringLiteral("verbose")},
                              QStringLiteral("Before the summary line, print what was sent and how long "
                                             "each step took."));
}

// Value-taking options, so that they can come before the command as well.
bool takesValue(const QString &option)
{
    static const QStringList names{QStringLiteral("device"),     QStringLiteral("layout"),
                                   QStringLiteral("o"),          QStringLiteral("output"),
                                   QStringLiteral("color"),      QStringLiteral("brightness"),
                                   QStringLiteral("application")};
    QString name = option;
    while (name.startsWith(QLatin1Char('-')))
        name.remove(0, 1);
    return !name.contains(QLatin1Char('=')) && names.contains(name);
}

QString lightText(const LightSettings &l)
{
    const QString colour = QStringLiteral("%1 at %2%").arg(l.colorName().mid(1).toUpper()).arg(l.brightness);
    return l.on ? colour : QStringLiteral("off (%1)").arg(colour);
}

QString seconds(const QElapsedTimer &t)
{
    return QStringLiteral("%1 s").arg(double(t.elapsed()) / 1000.0, 0, 'f', 2);
}

// Parses a sub-command's own arguments; returns -1 to go on, else an exit code.
int parseCommand(QCommandLineParser &parser, const QStringList &args, const CliContext &c,
                 const QString &description)
{
    parser.setApplicationDescription(description);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    if (!parser.parse(args))
        return fail(c, CliUsage, parser.errorText() + QStringLiteral(" (see --help)"));
    if (parser.isSet(help)) {
        // Qt names the executable as started; the usage line names the command.
        QString text = parser.helpText();
        const int options = text.indexOf(QLatin1String(" [options]"));
        if (text.startsWith(QLatin1String("Usage: ")) && options > 0 && options < text.indexOf('\n'))
            text.replace(0, options, QStringLiteral("Usage: ") + args.first());
        *c.out << text;
        c.out->flush();
        return CliOk;
    }
    return -1;
}

std::unique_ptr<CliDevice> openKnob(const CliContext &c, const QString &path, int *exitCode)
{
    std::unique_ptr<CliDevice> device = c.openDevice ? c.openDevice() : nullptr;
    QString error;
    CliDevice::OpenFailure failure = CliDevice::OpenFailure::NoKnob;
    if (device && device->open(path, &error, &failure))
        return device;
    // The knob is the window's: it does the job, or says why it will not.
    if (failure == CliDevice::OpenFailure::Busy && c.askWindow) {
        std::unique_ptr<CliDevice> window = c.askWindow();
        QString refusal;
        if (window && window->open(path, &refusal, &failure))
            return window;
        if (!refusal.isEmpty())
            error = refusal;
        failure = CliDevice::OpenFailure::Busy;
    }
    int code = CliNoDevice;
    if (failure == CliDevice::OpenFailure::WriteRefused)
        code = CliDeviceFailed;
    else if (failure == CliDevice::OpenFailure::Busy || failure == CliDevice::OpenFailure::BusyOfSeveral)
        code = CliBusy;
    else if (failure == CliDevice::OpenFailure::Ambiguous)
        code = CliUsage;
    *exitCode = fail(c, code, error.isEmpty() ? QStringLiteral("no knob found") : error);
    return nullptr;
}

bool readDocument(const CliContext &c, CliDevice &device, bool isMacLayout, KnobDocument *doc, int *exitCode)
{
    std::vector<Packet> packets;
    QString error;
    if (!device.readConfiguration(&packets, &error)) {
        *exitCode =
            fail(c, CliDeviceFailed, QStringLiteral("reading the configuration failed: %1").arg(error));
        return false;
    }
    QStringList warnings;
    *doc = decodeConfiguration(packets, isMacLayout, &warnings);
    for (const QString &w : warnings)
        *c.err << programPrefix() << QStringLiteral("warning: ") << w << '\n';
    return true;
}

int runList(const QStringList &args, const CliContext &c)
{
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print the list as JSON."));
    parser.addOption(json);
    if (int code = parseCommand(parser, args, c, QStringLiteral("List the knob interfaces found."));
        code >= 0)
        return code;
    if (!parser.positionalArguments().isEmpty())
        return fail(c, CliUsage, QStringLiteral("list takes no arguments (see --help)"));

    // A demo run sees the demo knob alone, and asks no HID library.
    if (c.demo) {
        const QJsonObject demo{{QStringLiteral("path"), QStringLiteral("demo")},
                               {QStringLiteral("bus"), QStringLiteral("demo")},
                               {QStringLiteral("selected"), true}};
        *c.out << (parser.isSet(json) ? QString::fromUtf8(QJsonDocument(QJsonArray{demo}).toJson())
                                      : QStringLiteral("* demo  the built-in demo knob  (used)\n"));
        c.out->flush();
        return CliOk;
    }
    QList<KnobInterfaceInfo> found;
    QString error;
    if (!listKnobInterfaces(&found, &error))
        return fail(c, CliNoDevice, error);
    if (parser.isSet(json)) {
        QJsonArray array;
        for (const KnobInterfaceInfo &i : found) {
            QJsonObject o;
            o.insert(QStringLiteral("path"), i.path);
            o.insert(QStringLiteral("vendorId"),
                     QStringLiteral("%1").arg(i.vendorId, 4, 16, QLatin1Char('0')));
            o.insert(QStringLiteral("productId"),
                     QStringLiteral("%1").arg(i.productId, 4, 16, QLatin1Char('0')));
            o.insert(QStringLiteral("interface"), i.interfaceNumber);
            o.insert(QStringLiteral("serial"), i.serial);
            o.insert(QStringLiteral("bus"), busTypeName(i.busType));
            o.insert(QStringLiteral("selected"), i.selected);
            o.insert(QStringLiteral("refused"), i.refused);
            if (!i.heldBy.isEmpty())
                o.insert(QStringLiteral("inUseBy"), i.heldBy);
            array.append(o);
        }
        *c.out << QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
    } else {
        for (const KnobInterfaceInfo &i : found) {
            *c.out << (i.selected ? "* " : "  ") << (i.path.isEmpty() ? QStringLiteral("(no path)") : i.path)
                   << QStringLiteral("  %1:%2")
                          .arg(i.vendorId, 4, 16, QLatin1Char('0'))
                          .arg(i.productId, 4, 16, QLatin1Char('0'))
                   << QStringLiteral("  interface %1  %2").arg(i.interfaceNumber).arg(busTypeName(i.busType))
                   << (i.serial.isEmpty() ? QString() : QStringLiteral("  serial %1").arg(i.serial))
                   << (i.selected ? "  (used)" : "") << (i.refused ? "  (refused: permission denied)" : "")
                   << (i.heldBy.isEmpty() ? QString() : QStringLiteral("  (in use by %1)").arg(i.heldBy))
                   << '\n';
        }
    }
    c.out->flush();
    if (found.isEmpty())
        return fail(c, CliNoDevice, QStringLiteral("no knob found"));
    return CliOk;
}

bool layoutFromOption(const QCommandLineParser &parser, const QCommandLineOption &option, bool *isMac)
{
    const QString value = parser.value(option);
    if (value == QLatin1String("mac") || value == QLatin1String("windows")) {
        *isMac = value == QLatin1String("mac");
        return true;
    }
    return false;
}

int runRead(const QStringList &args, const CliContext &c)
{
    QCommandLineParser parser;
    const QCommandLineOption output(
        QStringList{QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write the configuration to <file> instead of standard output."),
        QStringLiteral("file"));
    const QCommandLineOption device = deviceOption();
    const QCommandLineOption layout = layoutOption();
    parser.addOption(output);
    parser.addOption(device);
    parser.addOption(layout);
    if (int code = parseCommand(parser, args, c, QStringLiteral("Read the knob's configuration as JSON."));
        code >= 0)
        return code;
    if (!parser.positionalArguments().isEmpty())
        return fail(c, CliUsage, QStringLiteral("read takes no arguments (see --help)"));
    bool isMac = false;
    if (!layoutFromOption(parser, layout, &isMac))
        return fail(c, CliUsage, QStringLiteral("--layout must be \"mac\" or \"windows\""));

    int code = CliOk;
    const std::unique_ptr<CliDevice> knob = openKnob(c, parser.value(device), &code);
    if (!knob)
        return code;
    KnobDocument doc;
    if (!readDocument(c, *knob, isMac, &doc, &code))
        return code;
    const QByteArray json = configDocumentToJson(doc);
    if (!parser.isSet(output) || parser.value(output) == QLatin1String("-")) {
        *c.out << QString::fromUtf8(json);
        c.out->flush();
        // A full disk behind a redirection must not pass for a backup.
        if (c.out->status() != QTextStream::Ok)
            return fail(c, CliDeviceFailed,
                        QStringLiteral("writing the configuration to standard output failed"));
        return CliOk;
    }
    QSaveFile file(parser.value(output));
    // flush() first: on a device file the buffered bytes would fail unseen.
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.flush() ||
        !file.commit())
        return fail(c, CliDeviceFailed,
                    QStringLiteral("cannot write %1: %2").arg(parser.value(output), file.errorString()));
    return CliOk;
}

// What write -v prints before the save: each physical key with its actions
// and the waits before them, then the light.
QStringList writeDetail(const KnobDocument &doc)
{
    QStringList lines;
    for (int k = 1; k <= kKnobKeyCount; ++k) {
        QStringList actions;
        for (const KnobAction &a : doc.keys[k - 1]) {
            if (a.delayMs > 0)
                actions << QStringLiteral("wait %1 ms").arg(a.delayMs);
            actions << actionDisplayName(a, doc.isMacLayout);
        }
        lines << QStringLiteral("key %1, %2: %3")
                     .arg(k)
                     .arg(gestureName(k), actions.isEmpty() ? QStringLiteral("empty in the file, not written")
                                                            : actions.join(QStringLiteral(", ")));
    }
    lines << QStringLiteral("light: %1")
                 .arg(doc.light ? lightText(*doc.light) : QStringLiteral("not in the file, not set"));
    return lines;
}

// The line a write prints once the read-back matched. A save never writes an
// empty key, so the knob keeps its own there.
QString writeSummary(const KnobDocument &doc, const QString &knob)
{
    QStringList kept;
    for (int k = 1; k <= kKnobKeyCount; ++k) {
        if (doc.keys[k - 1].isEmpty())
            kept << QString::number(k);
    }
    const int written = kKnobKeyCount - int(kept.size());
    QString summary =
        QStringLiteral("wrote %1 %2 to %3").arg(written).arg(written == 1 ? "key" : "keys").arg(knob);
    if (!kept.isEmpty())
        summary += QStringLiteral(", kept %1 %2 (empty in the file)")
                       .arg(kept.size() == 1 ? "key" : "keys", kept.join(QStringLiteral(", ")));
    summary += doc.light ? QStringLiteral(", light %1").arg(lightText(*doc.light))
                         : QStringLiteral(", light unchanged");
    return summary + QStringLiteral(", read back equal");
}

} // namespace

int writeDocumentCommand(const KnobDocument &doc, const QString &label, const WriteOptions &options,
                         const CliContext &c)
{
    if (options.dryRun) {
        for (const Packet &p : documentWriteReports(doc))
            *c.out << packetToHexLine(p) << '\n';
        c.out->flush();
        return CliOk;
    }

    const bool verbose = options.verbose;
    QStringList detail = verbose ? writeDetail(doc) : QStringList();
    QElapsedTimer step;
    step.start();
    int code = CliOk;
    const std::unique_ptr<CliDevice> knob = openKnob(c, options.device, &code);
    if (!knob)
        return code;
    knob->setJobLabel(options.profileName);
    QStringList times{QStringLiteral("open %1").arg(seconds(step))};
    QString error;
    bool progressOpen = false; // a progress line waits for its end
    int keysDone = 0;
    int keysTotal = 0;
    const auto progress = [&c, &progressOpen, &keysDone, &keysTotal](int done, int total) {
        keysDone = done;
        keysTotal = total;
        if (!c.progress)
            return;
        *c.err << QStringLiteral("\rWriting physical keys: %1 of %2").arg(done).arg(total)
               << (done == total ? "\n" : "");
        c.err->flush();
        progressOpen = done != total;
    };
    step.restart();
    g_stopSignal = 0;
    g_writing = knob.get();
    const bool saved = knob->saveDocument(doc, progress, &error);
    g_writing = nullptr;
    if (progressOpen)
        *c.err << '\n';
    if (g_stopSignal != 0) {
        const int total = std::max(keysTotal, int(planAssignmentWrite(doc).knobs.size()));
        return fail(c, 128 + g_stopSignal,
                    keysDone == 0
                        ? QStringLiteral("interrupted before the first key: the knob is unchanged")
                        : QStringLiteral("interrupted: the knob holds %1 of the %2 keys from %3, each "
                                         "whole; its other keys and its light are as they were")
                              .arg(keysDone)
                              .arg(total)
                              .arg(label));
    }
    if (!saved)
        return fail(c, CliDeviceFailed, QStringLiteral("the save failed: %1").arg(error));
    times << QStringLiteral("save %1").arg(seconds(step));
    step.restart();
    if (doc.light && !knob->sendLight(*doc.light, &error))
        return fail(c, CliDeviceFailed, QStringLiteral("setting the light failed: %1").arg(error));
    if (doc.light)
        times << QStringLiteral("light %1").arg(seconds(step));

    step.restart();
    KnobDocument readBack;
    if (!readDocument(c, *knob, doc.isMacLayout, &readBack, &code))
        return code;
    const QString difference = readBackDifferenceText(compareReadBack(doc, readBack));
    if (!difference.isEmpty())
        return fail(c, CliDeviceFailed, difference);
    times << QStringLiteral("read-back %1").arg(seconds(step));

    if (verbose)
        detail << times.join(QStringLiteral(", "));
    for (const QString &line : detail)
        *c.out << line << '\n';
    *c.out << writeSummary(doc, knob->knobName()) << '\n';
    c.out->flush();
    return CliOk;
}

namespace {

int runWrite(const QStringList &args, const CliContext &c)
{
    QCommandLineParser parser;
    const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                    QStringLiteral("Print the reports the save would send, one per line, "
                                                   "and touch no device."));
    const QCommandLineOption device = deviceOption();
    const QCommandLineOption verboseOpt = verboseOption();
    parser.addOption(dryRun);
    parser.addOption(device);
    parser.addOption(verboseOpt);
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("The configuration file, or - for standard input."));
    if (int code = parseCommand(parser, args, c, QStringLiteral("Write a configuration file to the knob."));
        code >= 0)
        return code;
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return fail(c, CliUsage,
                    QStringLiteral("write needs exactly one file, or - for standard input (see --help)"));

    const QString name = files.first();
    QByteArray bytes;
    if (name == QLatin1String("-")) {
        if (!c.in)
            return fail(c, CliUsage, QStringLiteral("standard input cannot be read"));
        bytes = c.in->readAll();
    } else {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly))
            return fail(c, CliUsage, QStringLiteral("cannot read %1: %2").arg(name, file.errorString()));
        bytes = file.readAll();
    }
    const QString label = name == QLatin1String("-") ? QStringLiteral("standard input") : name;
    const ConfigJsonParse parsed = configDocumentFromJson(bytes);
    if (!parsed.ok)
        return fail(c, CliUsage, QStringLiteral("%1: %2").arg(label, parsed.error));
    return writeDocumentCommand(
        parsed.document, label,
        WriteOptions{parser.value(device), parser.isSet(verboseOpt), parser.isSet(dryRun), parsed.label.name},
        c);
}

bool parseHexColour(QString text, LightSettings *light)
{
    if (text.startsWith(QLatin1Char('#')))
        text = text.mid(1);
    if (text.size() != 6)
        return false;
    bool ok = false;
    const uint rgb = text.toUInt(&ok, 16);
    if (!ok || text.contains(QLatin1Char('+')) || text.contains(QLatin1Char('-')))
        return false;
    light->red = static_cast<unsigned char>(rgb >> 16);
    light->green = static_cast<unsigned char>(rgb >> 8);
    light->blue = static_cast<unsigned char>(rgb);
    return true;
}

int runLight(const QStringList &args, const CliContext &c)
{
    QCommandLineParser parser;
    const QCommandLineOption colour(QStringLiteral("color"), QStringLiteral("Colour as RRGGBB."),
                                    QStringLiteral("RRGGBB"));
    const QCommandLineOption brightness(QStringLiteral("brightness"), QStringLiteral("Brightness, 0 to 100."),
                                        QStringLiteral("0-100"));
    const QCommandLineOption on(QStringLiteral("on"), QStringLiteral("Switch the light on."));
    const QCommandLineOption off(QStringLiteral("off"), QStringLiteral("Switch the light off."));
    const QCommandLineOption device = deviceOption();
    const QCommandLineOption verbose = verboseOption();
    for (const QCommandLineOption &o : {colour, brightness, on, off, device, verbose})
        parser.addOption(o);
    if (int code = parseCommand(parser, args, c, QStringLiteral("Set the knob's light.")); code >= 0)
        return code;
    if (!parser.positionalArguments().isEmpty())
        return fail(c, CliUsage, QStringLiteral("light takes no arguments (see --help)"));
    if (parser.isSet(on) && parser.isSet(off))
        return fail(c, CliUsage, QStringLiteral("--on and --off cannot be given together"));
    if (!parser.isSet(colour) && !parser.isSet(brightness) && !parser.isSet(on) && !parser.isSet(off))
        return fail(c, CliUsage,
                    QStringLiteral("light needs --color, --brightness, --on or --off (see --help)"));

    LightSettings wanted;
    if (parser.isSet(colour) && !parseHexColour(parser.value(colour), &wanted))
        return fail(
            c, CliUsage,
            QStringLiteral("--color \"%1\" is not a colour written RRGGBB").arg(parser.value(colour)));
    int percent = 0;
    if (parser.isSet(brightness)) {
        bool ok = false;
        percent = parser.value(brightness).toInt(&ok);
        if (!ok || percent < 0 || percent > 100)
            return fail(c, CliUsage,
                        QStringLiteral("--brightness \"%1\" is not a number from 0 to 100")
                            .arg(parser.value(brightness)));
    }

    QElapsedTimer step;
    step.start();
    int code = CliOk;
    const std::unique_ptr<CliDevice> knob = openKnob(c, parser.value(device), &code);
    if (!knob)
        return code;
    QStringList times{QStringLiteral("open %1").arg(seconds(step))};
    LightSettings light;
    QStringList kept;
    QString keptFrom;
    // Only what was asked changes: the rest comes from the knob.
    if (!parser.isSet(colour) || !parser.isSet(brightness) || !(parser.isSet(on) || parser.isSet(off))) {
        step.restart();
        KnobDocument current;
        if (!readDocument(c, *knob, true, &current, &code))
            return code;
        times << QStringLiteral("read %1").arg(seconds(step));
        if (current.light)
            light = *current.light;
        if (!parser.isSet(colour))
            kept << QStringLiteral("colour");
        if (!parser.isSet(brightness))
            kept << QStringLiteral("brightness");
        if (!parser.isSet(on) && !parser.isSet(off))
            kept << QStringLiteral("on/off");
        keptFrom = current.light ? QStringLiteral("the knob")
                                 : QStringLiteral("the defaults (the knob sent no colour)");
    }
    if (parser.isSet(colour)) {
        light.red = wanted.red;
        light.green = wanted.green;
        light.blue = wanted.blue;
    }
    if (parser.isSet(brightness))
        light.brightness = percent;
    if (parser.isSet(on) || parser.isSet(off))
        light.on = parser.isSet(on);
    QString error;
    step.restart();
    if (!knob->sendLight(light, &error))
        return fail(c, CliDeviceFailed, QStringLiteral("setting the light failed: %1").arg(error));
    times << QStringLiteral("send %1").arg(seconds(step));
    if (parser.isSet(verbose)) {
        if (!kept.isEmpty())
            *c.out << QStringLiteral("kept %1 from %2\n").arg(kept.join(QStringLiteral(", ")), keptFrom);
        *c.out << times.join(QStringLiteral(", ")) << '\n';
    }
    *c.out << QStringLiteral("set light %1 on %2\n").arg(lightText(light), knob->knobName());
    c.out->flush();
    return CliOk;
}

int runDoctor(const QStringList &args, const CliContext &c)
{
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print the checks as JSON."));
    const QCommandLineOption probe(QStringLiteral("probe"),
                                   QStringLiteral("Also ask the knob for its configuration (a read)."));
    parser.addOption(json);
    parser.addOption(probe);
    if (int code = parseCommand(parser, args, c,
                                QStringLiteral("Check what stands between this machine and the knob."));
        code >= 0)
        return code;
    if (!parser.positionalArguments().isEmpty())
        return fail(c, CliUsage, QStringLiteral("doctor takes no arguments (see --help)"));
    Doctor doctor(DoctorEnvironment::system());
    const QList<DoctorCheck> checks = doctor.run(parser.isSet(probe));
    *c.out << (parser.isSet(json) ? QString::fromUtf8(doctorJson(checks)) : doctorText(checks));
    c.out->flush();
    return doctor.exitCode();
}

ProfileStore profileStore(const CliContext &c)
{
    return ProfileStore(c.profileDirectory.isEmpty() ? ProfileStore::defaultUserDirectory()
                                                     : c.profileDirectory,
                        c.readyMadeProfileDirectories.value_or(ProfileStore::defaultReadyMadeDirectories()));
}

bool sameProfileName(const ProfileEntry &e, const QString &name)
{
    return e.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0;
}

// A name the store refuses is the user's to change (1); anything else is the disk (3).
int storeFailure(const CliContext &c, const ProfileStore &store, const QString &name, const QString &error)
{
    const std::optional<ProfileEntry> e = store.find(name);
    const bool refused =
        name.trimmed().isEmpty() || !e || (sameProfileName(*e, name) && (e->readyMade || !e->readable));
    return fail(c, refused ? CliUsage : CliDeviceFailed, error);
}

QCommandLineOption applicationOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("application")},
                              QStringLiteral("The application the profile suits, shown beside its name."),
                              QStringLiteral("name"));
}

// The sub-command's positional arguments, or an exit code when their count is wrong.
bool profileArguments(const QCommandLineParser &parser, const CliContext &c, qsizetype least, qsizetype most,
                      const QString &needs, QStringList *out, int *code)
{
    *out = parser.positionalArguments();
    if (out->size() >= least && out->size() <= most)
        return true;
    *code = fail(c, CliUsage, needs + QStringLiteral(" (see --help)"));
    return false;
}

// The one profile a sub-command names, loaded; false with the exit code when
// the arguments or the profile are wrong.
bool namedProfile(const QCommandLineParser &parser, const CliContext &c, const QString &command,
                  KnobDocument *doc, ProfileEntry *entry, int *code)
{
    QStringList names;
    if (!profileArguments(parser, c, 1, 1, QStringLiteral("%1 needs one profile name").arg(command), &names,
                          code))
        return false;
    QString error;
    if (profileStore(c).load(names.first(), doc, &error, entry))
        return true;
    *code = fail(c, CliUsage, error);
    return false;
}

QJsonObject profileJson(const ProfileEntry &e)
{
    QJsonObject o{{QStringLiteral("name"), e.name},
                  {QStringLiteral("application"), e.application},
                  {QStringLiteral("readyMade"), e.readyMade},
                  {QStringLiteral("readable"), e.readable},
                  {QStringLiteral("file"), e.path}};
    if (!e.readable)
        o.insert(QStringLiteral("problem"), e.problem);
    return o;
}

int runProfileList(const QStringList &args, const CliContext &c)
{
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print the list as JSON."));
    parser.addOption(json);
    if (int code =
            parseCommand(parser, args, c, QStringLiteral("List the ready-made profiles and your own."));
        code >= 0)
        return code;
    if (!parser.positionalArguments().isEmpty())
        return fail(c, CliUsage, QStringLiteral("profile list takes no arguments (see --help)"));
    const QList<ProfileEntry> all = profileStore(c).list();
    if (parser.isSet(json)) {
        QJsonArray array;
        for (const ProfileEntry &e : all)
            array.append(profileJson(e));
        *c.out << QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
    } else {
        int width = 0;
        for (const ProfileEntry &e : all)
            width = std::max(width, int(e.name.size()));
        for (const ProfileEntry &e : all) {
            *c.out << e.name.leftJustified(std::min(width, 32)) << "  ";
            if (!e.readable)
                *c.out << QStringLiteral("cannot be read: %1 (%2, left as it is)").arg(e.problem, e.path);
            else
                *c.out << (e.application.isEmpty() ? QStringLiteral("-") : e.application)
                       << (e.readyMade ? "  (ready-made)" : "");
            *c.out << '\n';
        }
    }
    c.out->flush();
    return CliOk;
}

int runProfileShow(const QStringList &args, const CliContext &c)
{
    QCommandLineParser parser;
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral("Print the profile and its configuration as one JSON object."));
    parser.addOption(json);
    parser.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("The profile's name."));
    if (int code = parseCommand(parser, args, c, QStringLiteral("Show what a profile puts on the knob."));
        code >= 0)
        return code;
    KnobDocument doc;
    ProfileEntry e;
    int code = CliOk;
    if (!namedProfile(parser, c, QStringLiteral("profile show"), &doc, &e, &code))
        return code;
    if (parser.isSet(json)) {
        QJsonObject o = profileJson(e);
        o.insert(QStringLiteral("configuration"),
                 QJsonDocument::fromJson(configDocumentToJson(doc)).object());
        *c.out << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented));
    } else {
        *c.out << QStringLiteral("profile %1").arg(e.name)
               << (e.application.isEmpty() ? QString() : QStringLiteral(", for %1").arg(e.application))
               << (e.readyMade ? ", ready-made" : "") << QStringLiteral(" (%1)\n").arg(e.path)
               << QStringLiteral("layout: %1\n").arg(doc.isMacLayout ? "mac" : "windows");
        for (const QString &line : writeDetail(doc))
            *c.out << line << '\n';
    }
    c.out->flush();
    return CliOk;
}

int runProfileApply(const QStringList &args, const CliContext &c)
{
    QCommandLineParser parser;
    const QCommandLineOption dryRun(QStringLiteral("dry-run"),
                                    QStringLiteral("Print the reports the save would send, one per line, "
                                                   "and touch no device."));
    const QCommandLineOption device = deviceOption();
    const QCommandLineOption verbose = verboseOption();
    for (const QCommandLineOption &o : {dryRun, device, verbose})
        parser.addOption(o);
    parser.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("The profile's name."));
    if (int code =
            parseCommand(parser, args, c, QStringLiteral("Write a profile to the knob, as write does."));
        code >= 0)
        return code;
    KnobDocument doc;
    ProfileEntry e;
    int code = CliOk;
    if (!namedProfile(parser, c, QStringLiteral("profile apply"), &doc, &e, &code))
        return code;
    return writeDocumentCommand(
        doc, QStringLiteral("profile %1").arg(e.name),
        WriteOptions{parser.value(device), parser.isSet(verbose), parser.isSet(dryRun), e.name}, c);
}

int runProfileSave(const QStringList &args, const CliContext &c)
{
    QCommandLineParser parser;
    const QCommandLineOption device = deviceOption();
    const QCommandLineOption layout = layoutOption();
    const QCommandLineOption application = applicationOption();
    for (const QCommandLineOption &o : {device, layout, application})
        parser.addOption(o);
    parser.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("The profile's name."));
    if (int code = parseCommand(parser, args, c,
                                QStringLiteral("Read the knob into one of your profiles (replacing one of "
                                               "that name)."));
        code >= 0)
        return code;
    QStringList names;
    int code = CliOk;
    if (!profileArguments(parser, c, 1, 1, QStringLiteral("profile save needs one profile name"), &names,
                          &code))
        return code;
    bool isMac = false;
    if (!layoutFromOption(parser, layout, &isMac))
        return fail(c, CliUsage, QStringLiteral("--layout must be \"mac\" or \"windows\""));
    ProfileStore store = profileStore(c);
    const QString name = names.first().trimmed();
    const std::optional<ProfileEntry> existing = store.find(name);
    const bool replaces = existing && sameProfileName(*existing, name);
    QString error;
    // The store refuses such a name before it writes anything: ask it before the knob is opened.
    if (name.isEmpty() || (replaces && (existing->readyMade || !existing->readable))) {
        store.save(name, KnobDocument(), &error);
        return fail(c, CliUsage, error);
    }
    KnobDocument doc;
    QString knobName;
    {
        const std::unique_ptr<CliDevice> knob = openKnob(c, parser.value(device), &code);
        if (!knob || !readDocument(c, *knob, isMac, &doc, &code))
            return code;
        knobName = knob->knobName();
    }
    // A replaced profile keeps the application it named unless another is given.
    const QString app = parser.isSet(application) ? parser.value(application)
                                                  : (replaces ? existing->application : QString());
    if (!store.save(name, doc, &error, app))
        return storeFailure(c, store, name, error);
    *c.out << QStringLiteral("saved %1 as profile %2 (%3)\n").arg(knobName, name, store.find(name)->path);
    c.out->flush();
    return CliOk;
}

int runProfileImport(const QStringList &args, const CliContext &c)
{
    QCommandLineParser parser;
    const QCommandLineOption application = applicationOption();
    parser.addOption(application);
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("The configuration file, or - for standard input."));
    parser.addPositionalArgument(QStringLiteral("NAME"),
                                 QStringLiteral("The profile's name (default: the file's \"name\", else the "
                                                "file name)."),
                                 QStringLiteral("[NAME]"));
    if (int code = parseCommand(parser, args, c,
                                QStringLiteral("Check a configuration file and keep it as "
                                               "one of your profiles."));
        code >= 0)
        return code;
    QStringList positional;
    int code = CliOk;
    if (!profileArguments(parser, c, 1, 2, QStringLiteral("profile import needs a file and at most one name"),
                          &positional, &code))
        return code;
    const QString file = positional.first();
    const bool fromStdin = file == QLatin1String("-");
    QByteArray bytes;
    if (fromStdin) {
        if (!c.in)
            return fail(c, CliUsage, QStringLiteral("standard input cannot be read"));
        bytes = c.in->readAll();
    } else {
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly))
            return fail(c, CliUsage, QStringLiteral("cannot read %1: %2").arg(file, in.errorString()));
        bytes = in.readAll();
    }
    const QString label = fromStdin ? QStringLiteral("standard input") : file;
    const ConfigJsonParse parsed = configDocumentFromJson(bytes);
    if (!parsed.ok)
        return fail(c, CliUsage, QStringLiteral("%1: %2").arg(label, parsed.error));
    QString name = positional.size() > 1 ? positional[1] : parsed.label.name;
    if (name.trimmed().isEmpty() && !fromStdin)
        name = QFileInfo(file).completeBaseName();
    name = name.trimmed();
    if (name.isEmpty())
        return fail(c, CliUsage, QStringLiteral("%1 names no profile: give a NAME").arg(label));
    ProfileStore store = profileStore(c);
    // Unlike save, an import never replaces: the file may come from anywhere.
    if (const std::optional<ProfileEntry> e = store.find(name);
        e && !e->readyMade && sameProfileName(*e, name))
        return fail(
            c, CliUsage,
            QStringLiteral("a profile named \"%1\" already exists; delete it first or give another name")
                .arg(e->name));
    QString error;
    if (!store.save(name, parsed.document, &error,
                    parser.isSet(application) ? parser.value(application) : parsed.label.application))
        return storeFailure(c, store, name, error);
    *c.out << QStringLiteral("imported %1 as profile %2 (%3)\n").arg(label, name, store.find(name)->path);
    c.out->flush();
    return CliOk;
}

int runProfileExport(const QStringList &args, const CliContext &c)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("The profile's name."));
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Where to write it (default: standard output)."),
                                 QStringLiteral("[FILE]"));
    if (int code = parseCommand(parser, args, c, QStringLiteral("Write a profile's file elsewhere."));
        code >= 0)
        return code;
    QStringList positional;
    int code = CliOk;
    if (!profileArguments(parser, c, 1, 2,
                          QStringLiteral("profile export needs a profile name and at most one file"),
                          &positional, &code))
        return code;
    KnobDocument doc;
    ProfileEntry e;
    QString error;
    if (!profileStore(c).load(positional.first(), &doc, &error, &e))
        return fail(c, CliUsage, error);
    QFile in(e.path);
    if (!in.open(QIODevice::ReadOnly))
        return fail(c, CliUsage, QStringLiteral("cannot read %1: %2").arg(e.path, in.errorString()));
    const QByteArray bytes = in.readAll();
    if (positional.size() < 2 || positional[1] == QLatin1String("-")) {
        *c.out << QString::fromUtf8(bytes);
        c.out->flush();
        if (c.out->status() != QTextStream::Ok)
            return fail(c, CliDeviceFailed, QStringLiteral("writing the profile to standard output failed"));
        return CliOk;
    }
    QSaveFile out(positional[1]);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush() || !out.commit())
        return fail(c, CliDeviceFailed,
                    QStringLiteral("cannot write %1: %2").arg(positional[1], out.errorString()));
    return CliOk;
}

int runProfileDelete(const QStringList &args, const CliContext &c)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("The profile's name."));
    if (int code = parseCommand(parser, args, c, QStringLiteral("Delete one of your profiles.")); code >= 0)
        return code;
    QStringList names;
    int code = CliOk;
    if (!profileArguments(parser, c, 1, 1, QStringLiteral("profile delete needs one profile name"), &names,
                          &code))
        return code;
    ProfileStore store = profileStore(c);
    const std::optional<ProfileEntry> e = store.find(names.first());
    QString error;
    if (!store.remove(names.first(), &error))
        return fail(c, !e || e->readyMade ? CliUsage : CliDeviceFailed, error);
    *c.out << QStringLiteral("deleted profile %1 (%2)\n").arg(e->name, e->path);
    c.out->flush();
    return CliOk;
}

QString profileOverview()
{
    return QStringLiteral("Usage: veltranix-cli profile <command> [options]\n"
                          "\n"
                          "Named configurations on this computer: the ready-made ones and your own.\n"
                          "\n"
                          "Commands:\n"
                          "  list [--json]                 every profile, its application, which are\n"
                          "                                ready-made, and files that cannot be read\n"
                          "  show [--json] NAME            what the profile puts on the knob\n"
                          "  apply [--dry-run] [-v] [--device PATH|SERIAL] NAME\n"
                          "                                write it to the knob, read back, compare\n"
                          "  save [--layout windows|mac] [--application APP] [--device PATH|SERIAL] NAME\n"
                          "                                read the knob into your profile NAME\n"
                          "  import [--application APP] FILE|- [NAME]\n"
                          "                                check a file and keep it as a new profile\n"
                          "  export NAME [FILE]            the profile's file, to FILE or standard output\n"
                          "  delete NAME                   delete one of your profiles\n"
                          "\n"
                          "Each command takes --help. Your profiles are in %1.\n")
        .arg(ProfileStore::defaultUserDirectory());
}

int runProfile(const QStringList &args, const CliContext &c)
{
    // The sub-command is the first word that is neither an option nor its value.
    QStringList rest = args;
    QString sub;
    for (int j = 1; j < rest.size(); ++j) {
        if (rest[j].startsWith(QLatin1Char('-')) && rest[j] != QLatin1String("-")) {
            if (takesValue(rest[j]))
                ++j;
            continue;
        }
        sub = rest.takeAt(j);
        break;
    }
    if (sub.isEmpty()) {
        if (rest.contains(QStringLiteral("--help")) || rest.contains(QStringLiteral("-h"))) {
            *c.out << profileOverview();
            c.out->flush();
            return CliOk;
        }
        return fail(c, CliUsage,
                    QStringLiteral("profile needs a command: list, show, apply, save, import, export or "
                                   "delete (see --help)"));
    }
    rest[0] += QLatin1Char(' ') + sub;
    using Run = int (*)(const QStringList &, const CliContext &);
    static const std::map<QString, Run> commands{
        {QStringLiteral("list"), runProfileList},     {QStringLiteral("show"), runProfileShow},
        {QStringLiteral("apply"), runProfileApply},   {QStringLiteral("save"), runProfileSave},
        {QStringLiteral("import"), runProfileImport}, {QStringLiteral("export"), runProfileExport},
        {QStringLiteral("delete"), runProfileDelete}};
    const auto it = commands.find(sub);
    if (it == commands.end())
        return fail(c, CliUsage, QStringLiteral("unknown profile command \"%1\" (see --help)").arg(sub));
    return it->second(rest, c);
}

QString overview()
{
    return QStringLiteral(
        "Usage: veltranix-cli <command> [options]\n"
        "\n"
        "Back up, restore and script the knob's configuration.\n"
        "\n"
        "Commands:\n"
        "  list [--json]                 the knob interfaces found; * marks the one used\n"
        "  read [-o FILE] [--layout windows|mac] [--device PATH|SERIAL]\n"
        "                                the whole configuration as JSON\n"
        "  write [--dry-run] [-v] [--device PATH|SERIAL] FILE|-\n"
        "                                write a file to the knob, read back, compare\n"
        "  light [--color RRGGBB] [--brightness 0-100] [--on|--off] [-v]\n"
        "        [--device PATH|SERIAL]\n"
        "                                set the light; what is not given stays\n"
        "  doctor [--json] [--probe]     what stands between this machine and the knob\n"
        "  profile list|show|apply|save|import|export|delete\n"
        "                                named configurations on this computer (see\n"
        "                                profile --help)\n"
        "  profile bind APP NAME | unbind APP | default NAME | auto on|off|status\n"
        "                                the profile for the application in front\n"
        "\n"
        "Options:\n"
        "  -o, --output FILE     read: write the file there, not to standard output\n"
        "  --layout windows|mac  read, profile save: name modifier keys for this layout\n"
        "                        (default windows)\n"
        "  --device PATH|SERIAL  read, write, light, profile apply and save: use this\n"
        "                        knob (see list); needed when more than one knob is\n"
        "                        plugged in\n"
        "  --dry-run             write, profile apply: print the reports in hex, touch\n"
        "                        no device\n"
        "  -v, --verbose         write, light, profile apply: print what was sent and\n"
        "                        the times\n"
        "  --color RRGGBB        light: the colour\n"
        "  --brightness 0-100    light: the brightness in percent\n"
        "  --on, --off           light: switch it on or off\n"
        "  --json                list, doctor, profile list and show: print JSON\n"
        "  --application APP     profile save and import: the application it suits\n"
        "  --probe               doctor: also ask the knob for its configuration\n"
        "  --demo                every command but doctor: use the built-in demo knob,\n"
        "                        touch no device (it forgets everything at exit)\n"
        "  --lang en|zh_CN       accepted as the window takes it; the tool's own\n"
        "                        sentences stay English, its JSON never changes\n"
        "  -h, --help            this help; after a command, that command's help\n"
        "  --version             the version\n"
        "Options may also come before the command.\n"
        "\n"
        "On success write, profile apply and light print one line, for example\n"
        "  wrote 5 keys to /dev/hidraw3 (serial 0001), light FF8000 at 75%, read back equal\n"
        "  set light 00FF00 at 20% on /dev/hidraw3 (serial 0001)\n"
        "\n"
        "Exit codes: 0 done, 1 bad usage, an invalid file, an unknown or refused\n"
        "profile name or more than one knob and no --device, 2 no device found or no\n"
        "permission to open it, 3 the device failed or the output (a file, a profile)\n"
        "could not be written, 4 a knob is in use by another program\n"
        "(the window), 5 something here stands in the way (doctor).\n");
}

} // namespace

int runCli(const QStringList &arguments, const CliContext &c)
{
    QStringList args = arguments;
    if (args.isEmpty())
        args << QString::fromLatin1(kProgram);
    // Options before the command are handed on to it; only --help and
    // --version stand alone.
    QStringList global;
    int i = 1;
    while (i < args.size() && args[i].startsWith(QLatin1Char('-')) && args[i] != QLatin1String("-")) {
        global << args[i];
        if (takesValue(args[i]) && i + 1 < args.size())
            global << args[++i];
        ++i;
    }
    if (global.contains(QStringLiteral("--version"))) {
        *c.out << kProgram << ' ' << QCoreApplication::applicationVersion() << '\n';
        c.out->flush();
        return CliOk;
    }
    if (global.contains(QStringLiteral("--help")) || global.contains(QStringLiteral("-h"))) {
        *c.out << overview();
        c.out->flush();
        return CliOk;
    }
    if (i >= args.size())
        return fail(
            c, CliUsage,
            QStringLiteral("a command is needed: list, read, write, light, doctor or profile (see --help)"));
    const QString command = args[i];
    QStringList rest{QStringLiteral("%1 %2").arg(QString::fromLatin1(kProgram), command)};
    rest += global;
    rest += args.mid(i + 1);

    if (command == QLatin1String("list"))
        return runList(rest, c);
    if (command == QLatin1String("read"))
        return runRead(rest, c);
    if (command == QLatin1String("write"))
        return runWrite(rest, c);
    if (command == QLatin1String("light"))
        return runLight(rest, c);
    if (command == QLatin1String("doctor"))
        return runDoctor(rest, c);
    if (command == QLatin1String("profile") && isProfileSwitchCommand(args.value(i + 1)))
        return runProfileSwitchCommand(QStringList{rest.first()} + args.mid(i + 1), c);
    if (command == QLatin1String("profile"))
        return runProfile(rest, c);
    return fail(c, CliUsage, QStringLiteral("unknown command \"%1\" (see --help)").arg(command));
}

bool stopCliWrite(int signal)
{
    if (!g_writing)
        return false;
    if (g_stopSignal == 0)
        g_writing->stopAfterCurrentKey();
    g_stopSignal = signal;
    return true;
}
