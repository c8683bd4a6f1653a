#pragma once

// One run of the command-line tool in this process, on the real device link.
// Only for the tests that link the tool's commands.

#include "cli/clicommands.h"
#include "cli/clidevice.h"

#include <QBuffer>
#include <QTextStream>

struct CliRun
{
    int code = -1;
    QString out;
    QString err;
};

// Without profile folders the store is the user's own: only profile tests give them.
inline CliRun runCliTool(const QStringList &args, const QByteArray &stdinBytes = QByteArray(),
                         const QStringList &profileFolders = QStringList())
{
    CliRun r;
    QTextStream outStream(&r.out), errStream(&r.err);
    QByteArray input = stdinBytes;
    QBuffer in(&input);
    in.open(QIODevice::ReadOnly);
    CliContext c;
    c.out = &outStream;
    c.err = &errStream;
    c.in = &in;
    c.openDevice = [] { return createCliDevice(); };
    if (!profileFolders.isEmpty()) {
        c.profileDirectory = profileFolders.first();
        c.readyMadeProfileDirectories = profileFolders.mid(1);
    }
    // Only on a bus the test started: no session bus is launched for a test.
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        c.askWindow = [] { return createWindowCliDevice(); };
    r.code = runCli(QStringList{QStringLiteral("veltranix-cli")} + args, c);
    outStream.flush();
    errStream.flush();
    return r;
}
