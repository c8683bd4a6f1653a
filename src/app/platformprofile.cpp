#include "app/platformprofile.h"

UIPlatformConfig currentUIPlatformConfig()
{
    return UIPlatformConfig{QStringLiteral("macOS"), QStringLiteral("VELTRANIX"),
                            QStringLiteral("PingFang SC"), 9};
}
