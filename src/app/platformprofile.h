#pragma once

#include <QString>

struct UIPlatformConfig
{
    QString platformName;
    QString windowTitle;
    QString fontFamily;
    qint32 fontPointSize = 0;
};

UIPlatformConfig currentUIPlatformConfig();
