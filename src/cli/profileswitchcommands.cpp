#include "cli/profileswitchcommands.h"

#include "cli/clicommands.h"
#include "protocol/profilestore.h"
#include "protocol/switchrules.h"

#include <QTextStream>

namespace {

const QStringList kSubcommands{QStringLiteral("bind"), QStringLiteral("unbind"), QStringLiteral("default"),
                               QStringLiteral("auto")};

int fail(const CliContext &c, int code, const QString &sentence)
{
    *c.err << "veltranix-cli: " << sentence << '\n';
    c.err->flush();
    return code;
}

QString usage()
{
    return QStringLiteral("Usage: veltranix-cli profile bind APP NAME\n"
                          "       veltranix-cli profile unbind APP\n"
                          "       veltranix-cli profile default NAME\n"
                          "       veltranix-cli profile auto on|off|status\n"
                          "\n"
                          "APP is the id the desktop gives the application: its app_id on Wayland,\n"
                          "its WM_CLASS class on X11 (the window lists the recent ones).\n"
                          "With automatic switching on, the window puts the profile bound to the\n"
                          "application in front on the knob, and the default profile for any other.\n");
}

// The profile's name as the store spells it, or an empty string when there is none.
QString knownProfile(const QString &name)
{
    const std::optional<ProfileEntry> entry = ProfileStore().find(name);
    return entry && entry->readable ? entry->name : QString();
}

int printStatus(const SwitchRules &rules, const CliContext &c)
{
    QTextStream &out = *c.out;
    out << "automatic switching: " << (rules.enabled ? "on" : "off") << '\n';
    out << "default profile: "
        << (rules.defaultProfile.isEmpty() ? QStringLiteral("none") : rules.defaultProfile) << '\n';
    for (auto it = rules.bindings.constBegin(); it != rules.bindings.constEnd(); ++it) {
        out << "  " << it.key() << " -> " << it.value();
        if (knownProfile(it.value()).isEmpty())
            out << " (no such profile)";
        out << '\n';
    }
    out << "writes today: " << SwitchWriteCounter().writesToday() << " of " << rules.dailyLimit << '\n';
    out.flush();
    return CliOk;
}

} // namespace

bool isProfileSwitchCommand(const QString &subcommand)
{
    return kSubcommands.contains(subcommand);
}

int runProfileSwitchCommand(const QStringList &args, const CliContext &c)
{
    const QStringList words = args.mid(2);
    const QString sub = args.value(1);
    if (words.contains(QStringLiteral("--help")) || words.contains(QStringLiteral("-h"))) {
        *c.out << usage();
        c.out->flush();
        return CliOk;
    }
    const int wanted = sub == QLatin1String("bind") ? 2 : 1;
    if (!isProfileSwitchCommand(sub) || words.size() != wanted)
        return fail(c, CliUsage,
                    QStringLiteral("usage: profile bind APP NAME | unbind APP | default NAME | "
                                   "auto on|off|status (see profile bind --help)"));

    const QString path = SwitchRules::defaultPath();
    SwitchRules rules;
    QString error;
    if (!SwitchRules::load(path, &rules, &error))
        return fail(c, CliUsage, error);

    QString done;
    if (sub == QLatin1String("auto")) {
        const QString how = words.first();
        if (how == QLatin1String("status"))
            return printStatus(rules, c);
        if (how != QLatin1String("on") && how != QLatin1String("off"))
            return fail(c, CliUsage, QStringLiteral("profile auto takes on, off or status"));
        rules.enabled = how == QLatin1String("on");
        done = QStringLiteral("automatic switching %1").arg(how);
    } else if (sub == QLatin1String("unbind")) {
        if (rules.bindings.remove(words.first()) == 0)
            return fail(c, CliUsage, QStringLiteral("no rule for \"%1\"").arg(words.first()));
        done = QStringLiteral("unbound %1").arg(words.first());
    } else {
        const QString app = sub == QLatin1String("bind") ? words.first().trimmed() : QString();
        const QString name = knownProfile(words.last());
        if (sub == QLatin1String("bind") && app.isEmpty())
            return fail(c, CliUsage, QStringLiteral("an application id is needed"));
        if (name.isEmpty())
            return fail(c, CliUsage,
                        QStringLiteral("no profile named \"%1\" (see profile list)").arg(words.last()));
        if (sub == QLatin1String("bind")) {
            rules.bindings.insert(app, name);
            done = QStringLiteral("bound %1 to %2").arg(app, name);
        } else {
            rules.defaultProfile = name;
            done = QStringLiteral("default profile %1").arg(name);
        }
    }
    if (!rules.save(path, &error))
        return fail(c, CliDeviceFailed, error);
    *c.out << done << '\n';
    c.out->flush();
    return CliOk;
}
