#pragma once

#include <QString>
#include <QStringList>

// What the process does with its arguments before any window exists.
struct CommandLineAction
{
    bool exitNow = false; // print output and leave with exitCode
    int exitCode = 0;
    QString output;
    bool demo = false;       // --demo: the in-process demo knob instead of a real one
    bool background = false; // --background: the tray only, the window hidden
    QString language;        // --lang's value: a language of interfaceLanguages(); empty: the system's
};

// --version / -v and --help / -h print and exit, --demo sets demo, --lang NAME
// (or --lang=NAME) sets language, and exits with 2 for a name it does not know; every other
// argument is left to Qt (-platform, -style, ...). args excludes the program name.
CommandLineAction commandLineAction(const QStringList &args);

// "veltranix 0.1"
QString versionText();
