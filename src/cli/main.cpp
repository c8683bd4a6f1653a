#include "cli/clicommands.h"
#include "cli/clidevice.h"
#include "device/QuitSignals.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <hidapi.h>

#include <cstdio>
#include <unistd.h>

namespace {

bool g_verbose = false;

// The protocol code logs every report it builds; a script wants its own
// output only, so the log shows only with VELTRANIX_CLI_VERBOSE set.
void quietHandler(QtMsgType, const QMessageLogContext &, const QString &message)
{
    if (g_verbose)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("veltranix-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VX_VERSION));
    g_verbose = qEnvironmentVariableIsSet("VELTRANIX_CLI_VERBOSE");
    qInstallMessageHandler(quietHandler);

    QTextStream out(stdout);
    QTextStream err(stderr);
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        in.close();

    // The demo knob lives in this process: no HID library, no device.
    QStringList arguments = QCoreApplication::arguments();
    const bool demo = arguments.removeAll(QStringLiteral("--demo")) > 0;
    // Taken as the window takes it, and checked; the tool's sentences stay
    // English in every language, since scripts read them.
    for (int i = 1; i < arguments.size();) {
        const QString arg = arguments.at(i);
        if (arg != QLatin1String("--lang") && !arg.startsWith(QLatin1String("--lang="))) {
            ++i;
            continue;
        }
        const bool joined = arg.size() > 6;
        const QString language = joined ? arg.mid(7) : arguments.value(i + 1);
        arguments.remove(i, joined ? 1 : qMin(2, int(arguments.size()) - i));
        if (language != QLatin1String("en") && language != QLatin1String("zh_CN")) {
            err << "veltranix-cli: --lang takes en or zh_CN\n";
            return CliUsage;
        }
    }
    if (!demo && hid_init() != 0) {
        err << "veltranix-cli: the HID library could not be initialised\n";
        return CliNoDevice;
    }

    // Ctrl+C, kill or a closed terminal during a write end it after the key
    // it is on; anywhere else nothing is half done and the signal ends the tool.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &app, [](int signal) {
        if (!stopCliWrite(signal))
            QuitSignals::endBySignal(signal);
    });

    CliContext context;
    context.out = &out;
    context.err = &err;
    context.in = in.isOpen() ? &in : nullptr;
    context.openDevice = [demo] { return createCliDevice(demo); };
    context.askWindow = [] { return createWindowCliDevice(); };
    context.demo = demo;
    // Only when both streams are the terminal: the summary on a redirected
    // standard output must be the only line a script sees.
    context.progress = isatty(STDERR_FILENO) == 1 && isatty(STDOUT_FILENO) == 1;
    int code = runCli(arguments, context);
    out.flush();
    // What the stream buffered is only written here: a full disk shows now.
    if ((std::fflush(stdout) != 0 || std::ferror(stdout) != 0 || out.status() != QTextStream::Ok) &&
        code == 0) {
        err << "veltranix-cli: writing to standard output failed\n";
        code = CliDeviceFailed;
    }
    err.flush();
    if (!demo)
        hid_exit();
    return code;
}
