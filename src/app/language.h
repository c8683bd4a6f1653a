#pragma once

#include <QString>
#include <QStringList>

// The languages the interface speaks, as --lang names them: "en" and "zh_CN".
// Adding one means a translations/veltranix_<name>.ts and its name here.
const QStringList &interfaceLanguages();

// The language for --lang's value (empty when it was not given) or, without
// one, for the first of the system's preferred languages (QLocale::uiLanguages()):
// the interface language with its language part (Chinese for zh*), English
// otherwise. An unknown --lang value gives an empty string.
QString chooseInterfaceLanguage(const QString &requested, const QStringList &systemLanguages);

// Loads the program's translation (and Qt's own, where installed) for the
// language and makes it the default locale; English needs none. Where the
// language has its own fonts, the window's font names are steered to the one
// fontconfig picks for it. Needs the application object.
void installInterfaceLanguage(const QString &language);
