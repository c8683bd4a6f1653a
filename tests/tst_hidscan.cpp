// Interface choice of the scan, the permission hint it feeds (and how often
// the log names the refused node), and the pure packet rules of the link.
#include "device/PermissionHint.h"
#include "device/hidscan.h"
#include "device/packetutil.h"
#include "tests/fakes/hidsim/hidsim.h"

#include <QTest>

#include <cerrno>

namespace {

QStringList g_warnings;

void recordWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtWarningMsg)
        g_warnings.append(message);
}

} // namespace

class TestHidScan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QCOMPARE(hidsim::openHandleCount(), 0); }

    // The first interface that takes a write wins; those after it are never
    // opened, those before it are closed again. Entries without a path and
    // nodes on another bus are passed over.
    void firstWritableInterfaceWins_data()
    {
        QTest::addColumn<bool>("skippedEntries");
        QTest::newRow("refused writes before it") << false;
        QTest::newRow("an entry without a path and a Bluetooth node before it") << true;
    }
    void firstWritableInterfaceWins()
    {
        QFETCH(bool, skippedEntries);
        hidsim::reset();
        hidsim::DeviceConfig config = hidsim::knobDevice();
        config.interfaces.push_back(config.interfaces.back()); // a second writable one after it
        config.interfaces.back().path += "-extra";
        config.interfaces.back().interfaceNumber = 3;
        config.interfaces[0].nullPath = skippedEntries;
        if (skippedEntries) {
            config.interfaces[1].busType = 2; // a Bluetooth entry with the same ids
            config.interfaces[1].failAllWrites = false;
        }
        const int dev = hidsim::addDevice(config);
        HidScanResult r = scanHidInterfaces(0x05AC, 0x022C, true);
        const PendingHidHandle owner(r.handle);
        QVERIFY(r.handle);
        QCOMPARE(r.interfaceNumber, 2);
        QCOMPARE(r.usagePage, 0xFF00);
        QCOMPARE(r.manufacturer, QStringLiteral("VELTRANIX"));
        QCOMPARE(hidsim::openCount(dev, 3), 0);
        QCOMPARE(hidsim::openCount(dev, 1), skippedEntries ? 0 : 1);
        QCOMPARE(hidsim::openHandleCount(), 1);
    }

    // Nodes on the Bluetooth bus: the vendor page only, and after every USB node.
    void bluetoothNodesAfterUsb_data()
    {
        QTest::addColumn<QList<int>>("buses"); // per interface: keyboard, consumer, vendor
        QTest::addColumn<bool>("firstIsVendor");
        QTest::addColumn<int>("interfaceNumber"); // -1: none
        QTest::addColumn<bool>("bluetooth");
        QTest::newRow("all on Bluetooth") << QList<int>{2, 2, 2} << false << 2 << true;
        QTest::newRow("USB vendor node before an earlier Bluetooth one")
            << QList<int>{2, 1, 1} << true << 2 << false;
        QTest::newRow("Bluetooth when USB refuses") << QList<int>{2, 1, 1} << true << 0 << true;
        QTest::newRow("Bluetooth node of another page") << QList<int>{1, 1, 2} << false << -1 << false;
    }
    void bluetoothNodesAfterUsb()
    {
        QFETCH(QList<int>, buses);
        QFETCH(bool, firstIsVendor);
        QFETCH(int, interfaceNumber);
        QFETCH(bool, bluetooth);
        hidsim::reset();
        hidsim::DeviceConfig config = hidsim::knobDevice();
        for (int i = 0; i < 3; ++i)
            config.interfaces[i].busType = buses[i];
        if (firstIsVendor) {
            config.interfaces[0].usagePage = 0xFF00;
            config.interfaces[0].failAllWrites = false;
        }
        if (interfaceNumber == 0)
            config.interfaces[2].failAllWrites = true;
        if (interfaceNumber < 0)
            config.interfaces[2].usagePage = 0x000C;
        hidsim::addDevice(config);
        const HidScanResult r = scanHidInterfaces(0x05AC, 0x022C, false);
        const PendingHidHandle owner(r.handle);
        QCOMPARE(r.interfaceNumber, interfaceNumber);
        QCOMPARE(r.bluetooth, bluetooth);
    }

    // How each of the knob's three interfaces (keyboard, consumer, vendor)
    // fails to open or write decides whether the scan blames permissions or
    // another program holding the knob (only an open failure saying so).
    void permissionDeniedOnlyWhenNothingUsable_data()
    {
        QTest::addColumn<QStringList>("faults"); // per interface: ok, deny, busy, Busy, text, foreign, fail
        QTest::addColumn<bool>("handle");
        QTest::addColumn<bool>("denied");
        QTest::addColumn<int>("deniedInterface");
        QTest::addColumn<bool>("exclusive");
        QTest::newRow("every node refused")
            << QStringList{"deny", "deny", "deny"} << false << true << 0 << false;
        QTest::newRow("only the vendor node refused") // the others refuse output reports
            << QStringList{"ok", "ok", "deny"} << false << true << 2 << false;
        QTest::newRow("a writable node wins")
            << QStringList{"deny", "ok", "ok"} << true << false << -1 << false;
        QTest::newRow("held elsewhere is no permission problem")
            << QStringList{"busy", "busy", "busy"} << false << false << -1 << true;
        QTest::newRow("exclusive is case-sensitive")
            << QStringList{"Busy", "Busy", "Busy"} << false << false << -1 << false;
        QTest::newRow("text alone") << QStringList{"text", "ok", "fail"} << false << true << 0 << false;
        QTest::newRow("errno alone, translated text")
            << QStringList{"ok", "foreign", "fail"} << false << true << 1 << false;
        QTest::newRow("write failures only")
            << QStringList{"ok", "ok", "fail"} << false << false << -1 << false;
    }
    void permissionDeniedOnlyWhenNothingUsable()
    {
        QFETCH(QStringList, faults);
        QFETCH(bool, handle);
        QFETCH(bool, denied);
        QFETCH(int, deniedInterface);
        QFETCH(bool, exclusive);
        hidsim::reset();
        const hidsim::DeviceConfig config = hidsim::knobDevice();
        const int dev = hidsim::addDevice(config);
        for (int i = 0; i < 3; ++i) {
            const QString &f = faults[i];
            if (f == QLatin1String("deny")) {
                hidsim::setOpenDenied(dev, i);
            } else if (f == QLatin1String("busy")) {
                hidsim::setOpenError(dev, i, "Device or resource busy (exclusive access)");
            } else if (f == QLatin1String("Busy")) {
                hidsim::setOpenError(dev, i, "Exclusive lock");
            } else if (f == QLatin1String("text")) {
                hidsim::setOpenError(dev, i, "Failed to open a device with path 'x': Permission denied");
            } else if (f == QLatin1String("foreign")) {
                hidsim::InterfaceConfig faults;
                faults.openError = "Failed to open a device with path 'x': Keine Berechtigung";
                faults.openErrno = EPERM;
                faults.failAllWrites = true;
                hidsim::setInterfaceFaults(dev, i, faults);
            } else if (f == QLatin1String("fail")) {
                hidsim::setFailAllWrites(dev, i, true);
            } // "ok": as the knob comes, only the vendor node accepts output reports
        }
        errno = EACCES; // a stale errno from earlier must not be taken for the scan's own
        const HidScanResult r = scanHidInterfaces(0x05AC, 0x022C, false);
        const PendingHidHandle owner(r.handle); // closed even when a comparison fails
        QCOMPARE(bool(r.handle), handle);
        QCOMPARE(r.permissionDenied, denied);
        QCOMPARE(r.exclusive, exclusive);
        const QString expectedPath =
            deniedInterface < 0 ? QString() : QString::fromStdString(config.interfaces[deniedInterface].path);
        QCOMPARE(r.deniedPath, expectedPath);
    }

    // One knob is one knob on every route where its serial tells: the
    // Bluetooth node reports its address, a cable may report the same one.
    void surveyCountsKnobsNotRoutes_data()
    {
        QTest::addColumn<QStringList>("serials"); // one simulated device each
        QTest::addColumn<QList<int>>("buses");
        QTest::addColumn<int>("knobs");
        QTest::newRow("two knobs") << QStringList{"0001", "0002"} << QList<int>{1, 1} << 2;
        QTest::newRow("cable and Bluetooth, one address")
            << QStringList{"AA:BB:CC:DD:EE:0F", "aabbccddee0f"} << QList<int>{1, 2} << 1;
        QTest::newRow("cable and Bluetooth, one serial")
            << QStringList{"0001", "0001"} << QList<int>{1, 2} << 1;
        QTest::newRow("two addresses")
            << QStringList{"aa-bb-cc-dd-ee-01", "aa-bb-cc-dd-ee-02"} << QList<int>{2, 2} << 2;
    }
    void surveyCountsKnobsNotRoutes()
    {
        QFETCH(QStringList, serials);
        QFETCH(QList<int>, buses);
        QFETCH(int, knobs);
        hidsim::reset();
        for (int d = 0; d < serials.size(); ++d) {
            hidsim::DeviceConfig config = hidsim::knobDevice();
            config.serialNumber = serials[d].toStdWString();
            for (hidsim::InterfaceConfig &i : config.interfaces)
                i.busType = buses[d];
            hidsim::addDevice(config);
        }
        const QList<KnobCandidate> found = surveyKnobs(0x05AC, 0x022C);
        QCOMPARE(found.size(), knobs);
        for (const KnobCandidate &k : found)
            QVERIFY2(!k.path.isEmpty() && !k.busy, qPrintable(k.describe()));
        QCOMPARE(found.first().describe(),
                 QStringLiteral("%1 (serial %2)").arg(found.first().path, serials[0]));
    }

    // Which reports get the copy with the older command code. The save tests
    // see it for assignments; a colour, lighting or end report typed into the
    // debug console with a key selected must still go out alone.
    void compatibilityCopyRule_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("knobKey");
        QTest::addColumn<int>("copyCode"); // -1: no copy
        const QByteArray fd05("\x03\xFD\x05\x01\x01", 5);
        QTest::newRow("key 3 gets 0x13") << fd05 << 65 << 3 << 0x13;
        QTest::newRow("five bytes") << fd05 << 5 << 3 << 0x13;
        QTest::newRow("no key selected") << fd05 << 65 << 0 << -1;
        QTest::newRow("key out of range") << fd05 << 65 << 6 << -1;
        QTest::newRow("already the older code") << QByteArray("\x03\xFD\x13\x01\x01", 5) << 65 << 3 << -1;
        QTest::newRow("end packet") << QByteArray("\x03\xFD\xFE\xFF", 4) << 65 << 3 << -1;
        QTest::newRow("colour packet") << QByteArray("\x03\xFD\x00\x06", 4) << 65 << 3 << -1;
        QTest::newRow("four bytes") << fd05.left(4) << 4 << 3 << -1;
        QTest::newRow("lighting class") << QByteArray("\x03\xFE\xB0\x00", 4) << 64 << 3 << -1;
    }
    void compatibilityCopyRule()
    {
        QFETCH(QByteArray, head);
        QFETCH(int, length);
        QFETCH(int, knobKey);
        QFETCH(int, copyCode);
        HidPacket p(length, 0x00);
        std::copy(head.begin(), head.begin() + std::min<int>(head.size(), length), p.begin());
        HidPacket copy = p;
        copy[2] = static_cast<unsigned char>(copyCode);
        const std::vector<HidPacket> expected =
            copyCode < 0 ? std::vector<HidPacket>{p} : std::vector<HidPacket>{p, copy};
        QCOMPARE(buildSendList(p, knobKey), expected);
    }

    void streaks_data()
    {
        // One letter per step: 'D' a scan refused for lack of permission, the
        // digit after it picks the node /dev/hidraw<n>; 'N' a scan that found
        // nothing; 'C' a scan that connected; 'B' a Bluetooth link came up.
        // Then '1'/'0' after each step: the hint shown, the window told to update.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("visible");
        QTest::addColumn<QString>("changed");
        QTest::addColumn<QStringList>("warnings"); // nodes named, in order
        const auto row = [](const char *name, const char *steps, const char *visible, const char *changed,
                            const QStringList &warnings) {
            QTest::newRow(name) << steps << visible << changed << warnings;
        };
        row("one streak, one line", "D1D1D1", "111", "100", {"/dev/hidraw1"});
        row("gone on connect", "D1D1C", "110", "101", {"/dev/hidraw1"});
        row("gone on unplug, new streak on replug", "D1ND2", "101", "111", {"/dev/hidraw1", "/dev/hidraw2"});
        row("another node in the same streak is not logged again", "D1D2", "11", "10", {"/dev/hidraw1"});
        row("bluetooth link ends it", "D3B", "10", "11", {"/dev/hidraw3"});
        row("nothing to say", "NNCN", "0000", "0000", {});
    }
    void streaks()
    {
        QFETCH(QString, steps);
        QFETCH(QString, visible);
        QFETCH(QString, changed);
        QFETCH(QStringList, warnings);
        g_warnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(recordWarnings);

        PermissionHint hint;
        QString seenVisible;
        QString seenChanged;
        for (int i = 0; i < steps.size(); ++i) {
            const QChar kind = steps[i];
            bool change = false;
            if (kind == QLatin1Char('B')) {
                change = hint.noteConnected();
            } else {
                HidScanResult r;
                if (kind == QLatin1Char('C'))
                    r.handle = reinterpret_cast<hid_device *>(0x1); // never dereferenced
                if (kind == QLatin1Char('D')) {
                    r.permissionDenied = true;
                    r.deniedPath = QStringLiteral("/dev/hidraw") + steps[++i];
                }
                change = hint.noteScan(r);
            }
            seenVisible += hint.isVisible() ? QLatin1Char('1') : QLatin1Char('0');
            seenChanged += change ? QLatin1Char('1') : QLatin1Char('0');
        }
        qInstallMessageHandler(previous);

        QCOMPARE(seenVisible, visible);
        QCOMPARE(seenChanged, changed);
        QCOMPARE(g_warnings.size(), warnings.size());
        for (int i = 0; i < warnings.size(); ++i)
            QVERIFY2(g_warnings[i].contains(warnings[i]), qPrintable(g_warnings[i]));
        QCOMPARE(hint.node().isEmpty(), !hint.isVisible());
    }
};

QTEST_APPLESS_MAIN(TestHidScan)
#include "tst_hidscan.moc"
