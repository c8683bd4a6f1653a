#include "cli/clidevice.h"

// Placeholder until the device session can serve a process without a window:
// every command that needs the knob ends with "no device".

namespace {

class UnavailableCliDevice final : public CliDevice
{
public:
    bool open(const QString &, QString *error) override
    {
        *error = QStringLiteral("no knob found: this build cannot open the device yet");
        return false;
    }
    bool readConfiguration(std::vector<Packet> *, QString *error) override
    {
        *error = QStringLiteral("the device is not open");
        return false;
    }
    bool saveSnapshot(const KnobModelSnapshot &, const std::function<void(int, int)> &,
                      QString *error) override
    {
        *error = QStringLiteral("the device is not open");
        return false;
    }
    bool sendLight(const LightSetting &, QString *error) override
    {
        *error = QStringLiteral("the device is not open");
        return false;
    }
};

} // namespace

std::unique_ptr<CliDevice> createCliDevice()
{
    return std::make_unique<UnavailableCliDevice>();
}
