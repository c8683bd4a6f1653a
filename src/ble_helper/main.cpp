// ble_helper: the program's Bluetooth side, run as a child process. It talks
// to BlueZ over the system D-Bus and reports in JSON lines on standard output.
//
//   ble_helper connect auto --query --auto --listen SECONDS
//   ble_helper connect ADDRESS --write-packet "03 FD ..." [...] --listen SECONDS
//   ble_helper --version
//   ble_helper watch

#include "blehelperrun.h"
#include "blehelperwatch.h"
#include "device/blewire.h"
#include "parentlink.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <cmath>
#include <cstdio>

namespace {

// Longest listen accepted; the program asks for 12 s at most.
constexpr double kMaxListenSeconds = 600.0;
// Longest packet accepted on the command line.
constexpr std::size_t kMaxPacketBytes = 512;

std::optional<BleHelperOptions> parseArguments(const QStringList &args, QString *error)
{
    if (args.size() < 2 || args.at(0) != QLatin1String("connect")) {
        *error =
            QStringLiteral("usage: ble_helper connect auto|ADDRESS [--query] [--auto] [--listen SECONDS] "
                           "[--write-packet HEX]... | ble_helper watch");
        return std::nullopt;
    }
    BleHelperOptions options;
    options.target = args.at(1).trimmed();
    for (int i = 2; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--query")) {
            options.query = true;
        } else if (arg == QLatin1String("--auto")) {
            // The device is chosen among the connected ones anyway for "auto".
        } else if (arg == QLatin1String("--listen") && hasValue) {
            bool ok = false;
            const double seconds = args.at(++i).toDouble(&ok);
            if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > kMaxListenSeconds) {
                *error = QStringLiteral("bad --listen value: %1").arg(args.at(i));
                return std::nullopt;
            }
            options.listenSeconds = seconds;
        } else if (arg == QLatin1String("--write-packet") && hasValue) {
            const std::optional<Packet> packet = parseBleHexTokens(args.at(++i));
            if (!packet || packet->empty() || packet->size() > kMaxPacketBytes) {
                *error = QStringLiteral("bad --write-packet value: %1").arg(args.at(i).left(80));
                return std::nullopt;
            }
            options.packets.push_back(*packet);
        } else {
            *error = QStringLiteral("unknown or incomplete option: %1").arg(arg);
            return std::nullopt;
        }
    }
    if (options.target.isEmpty()) {
        *error = QStringLiteral("no device given");
        return std::nullopt;
    }
    return options;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    registerBluezTypes();
    if (app.arguments().mid(1) == QStringList{QStringLiteral("--version")}) {
        std::printf("ble_helper %s\n", VX_VERSION);
        return 0;
    }
    if (!followParent())
        return 0;

    if (app.arguments().mid(1) == QStringList{QStringLiteral("watch")}) {
        BleHelperWatch watch;
        return watch.exec();
    }
    QString error;
    std::optional<BleHelperOptions> options = parseArguments(app.arguments().mid(1), &error);
    if (!options) {
        BleHelperRun::printError(error);
        return BleHelperRun::Usage;
    }
    BleHelperRun run(QDBusConnection::systemBus(), std::move(*options));
    return run.exec();
}
