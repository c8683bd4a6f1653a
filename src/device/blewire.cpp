#include "device/blewire.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

Packet normaliseBlePacket(const Packet &packet)
{
    Packet out(packet.begin(), packet.begin() + std::min<std::size_t>(packet.size(), kBlePacketSize));
    out.resize(kBlePacketSize, 0x00);
    return out;
}

std::optional<Packet> parseBleHexTokens(const QString &text)
{
    Packet out;
    const QStringList tokens = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    out.reserve(static_cast<std::size_t>(tokens.size()));
    for (const QString &token : tokens) {
        // Bare hex digits only: toUInt alone would also take "0x1F" or "+1".
        uint value = 0;
        for (const QChar c : token) {
            const qsizetype digit = QStringView(u"0123456789abcdef").indexOf(c.toLower());
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + static_cast<uint>(digit);
            if (value > 0xFF)
                return std::nullopt;
        }
        out.push_back(static_cast<unsigned char>(value));
    }
    return out;
}

std::optional<Packet> configPacketFromNotification(const Packet &bytes)
{
    Packet p = bytes;
    if (p.size() >= 3 && p[0] == 0x03 && p[1] == 0x03 && p[2] == 0xFD)
        p.erase(p.begin());
    if (p.size() < 64 || p[0] != 0x03 || p[1] != 0xFD)
        return std::nullopt;
    p.resize(kReportSize, 0x00);
    return p;
}

Packet bleConfigQueryPacket()
{
    return normaliseBlePacket(buildReadRequestPacket());
}

bool isBleConfigEndNotification(const Packet &bytes)
{
    Packet p = bytes;
    if (p.size() >= 3 && p[0] == 0x03 && p[1] == 0x03 && p[2] == 0xFD)
        p.erase(p.begin());
    return p.size() >= 4 && p[0] == 0x03 && p[1] == 0xFD && p[2] == 0xFE && p[3] == 0xFF;
}

QStringList bleAutoConnectArguments()
{
    return {QStringLiteral("connect"), QStringLiteral("auto"),     QStringLiteral("--query"),
            QStringLiteral("--auto"),  QStringLiteral("--listen"), QStringLiteral("12")};
}

QStringList bleBatchWriteArguments(const QString &address, const std::vector<Packet> &packets)
{
    QStringList args{QStringLiteral("connect"), address};
    for (const Packet &packet : packets) {
        args << QStringLiteral("--write-packet") << packetToHexLine(normaliseBlePacket(packet));
    }
    args << QStringLiteral("--listen") << QStringLiteral("0.15");
    return args;
}

bool isBleBatchWriteAcknowledged(const QByteArray &output, bool normalExit, int exitCode)
{
    return normalExit && exitCode == 0 && output.contains(QByteArrayLiteral("\"type\":\"write_ok\""));
}

bool isBleNoKnobExit(int exitCode)
{
    return exitCode == 2 || exitCode == 3 || exitCode == 7 || exitCode == 8;
}

bool isBleLinkGoneExit(int exitCode)
{
    return isBleNoKnobExit(exitCode) || exitCode == 6;
}

BleHelperCommand findBluetoothHelperCommand(const QString &directory, const QStringList &arguments)
{
    const QDir dir(directory);
    static const char *const executables[] = {"ble_helper.exe", "ble_helper",
                                              "../Resources/ble_helper/ble_helper",
                                              "../Resources/ble_helper.exe", "../Resources/ble_helper"};
    for (const char *name : executables) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        if (QFileInfo(path).isFile())
            return {path, arguments, true};
    }
    static const char *const scripts[] = {"../ble_helper/ble_helper.py", "../../ble_helper.py",
                                          "../../Resources/ble_helper.py", "../Resources/ble_helper.py"};
    for (const char *name : scripts) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        if (QFileInfo(path).isFile())
            return {QStringLiteral("python3"), QStringList{path} + arguments, true};
    }
    return {};
}

int bleWriteRunLimitMs(std::size_t packets)
{
    // Before the first write: is BlueZ there, three looks at its objects, the
    // connect, resolution, the MTU; after the last: the short listen.
    constexpr int kFixedMs =
        1000 + 3 * kBleHelperCallMs + kBleHelperConnectMs + kBleHelperResolveMs + kBleHelperMtuWaitMs + 1000;
    constexpr int kPerPacketMs =
        kBleHelperRetryWindowMs + kBleHelperRetryPauseMs + kBleHelperCallMs + kBleCommandPaceMs;
    constexpr int kMarginMs = 3000;
    return kFixedMs + kPerPacketMs * static_cast<int>(std::min<std::size_t>(packets, 10000)) + kMarginMs;
}
