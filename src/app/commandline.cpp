#include "app/commandline.h"

#include "app/language.h"
#include "vx_version.h"

QString versionText()
{
    return QStringLiteral("veltranix %1").arg(QStringLiteral(VX_VERSION));
}

CommandLineAction commandLineAction(const QStringList &args)
{
    CommandLineAction action;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        // Past "--" everything belongs to someone else.
        if (arg == QLatin1String("--"))
            break;
        if (arg == QLatin1String("--version") || arg == QLatin1String("-v")) {
            action.exitNow = true;
            action.output = versionText() + QLatin1Char('\n');
            return action;
        }
        if (arg == QLatin1String("--demo")) {
            action.demo = true;
            continue;
        }
        if (arg == QLatin1String("--background")) {
            action.background = true;
            continue;
        }
        if (arg == QLatin1String("--lang") || arg.startsWith(QLatin1String("--lang="))) {
            const QString name = arg.size() > 6 ? arg.mid(7) : args.value(++i);
            if (!interfaceLanguages().contains(name)) {
                action.exitNow = true;
                action.exitCode = 2;
                action.output = QStringLiteral("veltranix: --lang takes one of: %1\n")
                                    .arg(interfaceLanguages().join(QLatin1String(", ")));
                return action;
            }
            action.language = name;
            continue;
        }
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            action.exitNow = true;
            action.output = QStringLiteral(
                "Usage: veltranix [--demo] [--background] [--lang en|zh_CN] [--version] [--help]\n"
                "\n"
                "Configures the VELTRANIX rotary knob: its five gestures, their key\n"
                "sequences and its light. Everything edited is stored on the knob.\n"
                "\n"
                "      --demo     try the program on a built-in demo knob: no\n"
                "                 hardware, nothing is sent to a real device\n"
                "      --background  start in the system tray, the window hidden\n"
                "      --lang L   the interface's language: en or zh_CN (default:\n"
                "                 the system's, Chinese for zh*, else English)\n"
                "  -v, --version  print the version and exit\n"
                "  -h, --help     print this help and exit\n"
                "\n"
                "The knob is found over USB (cable or 2.4 GHz receiver) without setup\n"
                "once the udev rules (70-veltranix.rules) are installed; the log is\n"
                "written to ~/.local/share/VELTRANIX/VELTRANIX/logs/runtime.log.\n");
            return action;
        }
    }
    return action;
}
