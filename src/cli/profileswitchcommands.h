#pragma once

#include <QString>
#include <QStringList>

struct CliContext;

// "profile bind|unbind|default|auto": the rules that pick a profile for the
// application in front.
bool isProfileSwitchCommand(const QString &subcommand);
// args[0] is "veltranix-cli profile", args[1] the sub-command.
int runProfileSwitchCommand(const QStringList &args, const CliContext &c);
