#pragma once

#include <QString>

// The plain ASCII name a configuration file gives an action or key whose
// source name is Chinese ("音量+" is "Volume +"); any other name comes back
// unchanged.
QString actionFileName(const QString &source);
