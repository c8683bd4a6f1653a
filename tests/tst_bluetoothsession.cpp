// The session's Bluetooth side against a scripted stand-in for the helper
// program: connect runs read the configuration from notification lines in any
// chunking, a save is one helper run with every report of the USB save cut to
// 64 bytes, lighting goes out as helper runs, only failures with a knob are
// reported, and the watch's reports and failed writes move the link.
#include "device/KnobSession.h"
#include "device/blewire.h"
#include "device/packetutil.h"
#include "protocol/assignmentwrite.h"
#include "tests/fakes/hidsim/hidsim.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kWait = 15000;

QString hexBytes(const QList<int> &head, int size)
{
    QStringList tokens;
    for (int i = 0; i < size; ++i)
        tokens << QStringLiteral("%1").arg(i < head.size() ? head[i] : 0, 2, 16, QLatin1Char('0')).toUpper();
    return tokens.join(QLatin1Char(' '));
}

// Key 1 bound to A (a keyboard assignment as the device echoes it).
const QString kKeyA = hexBytes({0x03, 0xFD, 0x02, 0x01, 0x01, 0x00, 0x01, 0x00, 0x00, 0x04}, 65);

QString line(const QString &json)
{
    return QStringLiteral("line ") + json + QLatin1Char('\n');
}

const QString kConnected =
    line(QStringLiteral(R"({"type":"connected","address":"AA:BB:CC:DD:EE:FF","device_id":"d"})"));
const QString kQueryOk = line(QStringLiteral(R"({"type":"write_ok","query":true})"));
const QString kOnline = line(QStringLiteral(R"({"type":"hardware_probe","online":true})"));
const QString kWriteOk = QStringLiteral("[write]\n") + line(QStringLiteral(R"({"type":"write_ok"})"));

QString notify(const QString &hex)
{
    return line(QStringLiteral(R"({"type":"notify","data":"%1"})").arg(hex));
}

// A session whose helper is the stand-in, playing the given script.
struct Rig
{
    QTemporaryDir dir;
    KnobSession session;

    explicit Rig(const QString &script, bool withHelper = true)
    {
        QFile file(dir.filePath(QStringLiteral("script.txt")));
        if (file.open(QIODevice::WriteOnly))
            file.write(script.toUtf8());
        file.close();
        qputenv("VX_FAKE_BLE_SCRIPT", file.fileName().toLocal8Bit());
        qputenv("VX_FAKE_BLE_ARGS_OUT", dir.filePath(QStringLiteral("args.txt")).toLocal8Bit());
        if (withHelper)
            QFile::link(QStringLiteral(VX_FAKE_BLE_HELPER_PATH), dir.filePath(QStringLiteral("ble_helper")));
        session.setBluetoothHelperDirectory(dir.path());
    }
    ~Rig() { session.shutdown(); }

    void connectRun()
    {
        session.tryAutoConnectBluetooth();
        QVERIFY(QTest::qWaitFor([this] { return !session.isBluetoothConnectRunning(); }, kWait));
    }

    QList<QStringList> runs() const
    {
        QList<QStringList> out;
        QFile file(dir.filePath(QStringLiteral("args.txt")));
        if (!file.open(QIODevice::ReadOnly))
            return out;
        for (const QByteArray &l : file.readAll().split('\n')) {
            if (l.trimmed().isEmpty())
                continue;
            QStringList args;
            for (const QJsonValue &v : QJsonDocument::fromJson(l).array())
                args << v.toString();
            out << args;
        }
        return out;
    }
};

} // namespace

class TestBluetoothSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { hidsim::reset(); }

    void connectRun_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("linkUp");
        QTest::addColumn<QStringList>("packets"); // first bytes of each packet read, in order
        QTest::addColumn<QString>("failure");

        const QString head = QStringLiteral("[auto]\n") + kConnected + kQueryOk;
        QTest::newRow("lines split across chunks")
            << QStringLiteral(
                   "[auto]\nout {\"type\":\"conn\nout ected\",\"address\":\"AA\"}\\n{\"type\":\"write_\n"
                   "out ok\",\"query\":true}\\n\n") +
                   notify(kKeyA)
            << true << QStringList{QStringLiteral("03 FD 02")} << QString();
        QTest::newRow("two objects in one chunk")
            << QStringLiteral(
                   "[auto]\nout {\"type\":\"connected\",\"address\":\"AA\"}\\n{\"type\":\"notify\","
                   "\"data\":\"%1\"}\\n\n")
                   .arg(kKeyA)
            << true << QStringList{QStringLiteral("03 FD 02")} << QString();
        QTest::newRow("66-byte notify with a doubled report id")
            << head + notify(hexBytes({0x03, 0x03, 0xFD, 0x00, 0x06, 0xFF, 0x80, 0x00, 0x64, 0x01}, 66))
            << true << QStringList{QStringLiteral("03 FD 00")} << QString();
        QTest::newRow("bad hex token drops only that notification")
            << head + notify(QStringLiteral("03 FD 1G")) + notify(kKeyA) << true
            << QStringList{QStringLiteral("03 FD 02")} << QString();
        QTest::newRow("online without packets keeps the link up")
            << head + kOnline << true << QStringList{} << QString();
        QTest::newRow("disconnected mid-run")
            << head + kOnline + line(QStringLiteral(R"({"type":"session_disconnected"})")) << false
            << QStringList{} << QStringLiteral("未收到设备配置");
        QTest::newRow("error line and exit code 1")
            << QStringLiteral("[auto]\n") + line(QStringLiteral(R"({"type":"error","message":"no knob"})")) +
                   QStringLiteral("exit 1\n")
            << false << QStringList{} << QStringLiteral("no knob");
    }

    void connectRun()
    {
        QFETCH(QString, script);
        QFETCH(bool, linkUp);
        QFETCH(QStringList, packets);
        QFETCH(QString, failure);

        Rig rig(script);
        QSignalSpy read(&rig.session, &KnobSession::configPacketRead);
        QSignalSpy failed(&rig.session, &KnobSession::bluetoothConnectFailed);
        QSignalSpy loaded(&rig.session, &KnobSession::bluetoothConnected);
        rig.connectRun();

        QCOMPARE(rig.session.isConnected(), linkUp);
        QCOMPARE(rig.session.isBluetoothConnected(), linkUp);
        QCOMPARE(read.count(), packets.size());
        for (int i = 0; i < packets.size(); ++i) {
            const Packet p = read.at(i).at(0).value<Packet>();
            QCOMPARE(int(p.size()), 65);
            QCOMPARE(packetToHex(Packet(p.begin(), p.begin() + 3)), packets.at(i));
        }
        QCOMPARE(loaded.count(), packets.isEmpty() ? 0 : 1);
        QCOMPARE(failed.count(), failure.isEmpty() ? 0 : 1);
        if (!failure.isEmpty())
            QCOMPARE(failed.at(0).at(0).toString(), failure);
    }

    // Only a failure with a knob there is reported, once per streak, and
    // never once the cable has connected; a run never holds the cable off.
    void failureReportedOncePerStreak_data()
    {
        QTest::addColumn<QString>("script"); // empty: no helper
        QTest::addColumn<bool>("cable");
        QTest::addColumn<QString>("reason"); // empty: no toast
        const QString noGatt = QStringLiteral("[auto]\nsleep 300\n") +
                               line(QStringLiteral(R"({"type":"error","message":"no GATT service"})")) +
                               QStringLiteral("exit 4\n");
        QTest::newRow("no helper") << QString() << false << QString();
        QTest::newRow("no knob connected") << QStringLiteral("[auto]\nexit 3\n") << false << QString();
        QTest::newRow("no BlueZ") << QStringLiteral("[auto]\nexit 7\n") << false << QString();
        QTest::newRow("failure with a knob") << noGatt << false << QStringLiteral("no GATT service");
        QTest::newRow("the cable is found first") << noGatt << true << QString();
    }

    void failureReportedOncePerStreak()
    {
        QFETCH(QString, script);
        QFETCH(bool, cable);
        QFETCH(QString, reason);
        Rig rig(script, !script.isEmpty());
        if (cable)
            hidsim::addDevice(hidsim::knobDevice());
        QSignalSpy failed(&rig.session, &KnobSession::bluetoothConnectFailed);
        for (int i = 0; i < 3; ++i) {
            rig.session.tryAutoConnectBluetooth();
            if (cable) {
                rig.session.connectNow();
                QVERIFY(QTest::qWaitFor([&] { return rig.session.isConnected(); }, kWait));
            }
            QVERIFY(QTest::qWaitFor([&] { return !rig.session.isBluetoothConnectRunning(); }, kWait));
        }
        QCOMPARE(failed.count(), reason.isEmpty() ? 0 : 1);
        if (!reason.isEmpty())
            QCOMPARE(failed.at(0).at(0).toString(), reason);
        if (!cable) // with the cable the run may be ended before it starts
            QCOMPARE(rig.runs().size(), script.isEmpty() ? 0 : 3);
        QCOMPARE(rig.session.isConnected(), cable);
    }

    // The watch starts a connect run when the knob connects, the link goes
    // down when the knob goes, and comes back with it.
    void watchFollowsTheKnob()
    {
        const QString knob =
            QStringLiteral(R"({"type":"knob","address":"AA:BB:CC:DD:EE:FF","connected":%1})");
        Rig rig(QStringLiteral("[watch]\n") +
                line(QStringLiteral(R"({"type":"bluetooth","available":true})")) + line(knob.arg("true")) +
                QStringLiteral("sleep 3000\n") + line(knob.arg("false")) + QStringLiteral("sleep 3000\n") +
                line(knob.arg("true")) + QStringLiteral("sleep 60000\n") + QStringLiteral("[auto]\n") +
                kConnected + kQueryOk + notify(kKeyA));
        QSignalSpy changes(&rig.session, &KnobSession::connectionChanged);
        rig.session.start();
        QVERIFY(QTest::qWaitFor([&] { return changes.count() == 3; }, 2 * kWait));
        QCOMPARE(changes.at(0).at(0).toBool(), true);
        QCOMPARE(changes.at(1).at(0).toBool(), false);
        QCOMPARE(changes.at(2).at(0).toBool(), true);
        QVERIFY(rig.session.isBluetoothConnected());
        QCOMPARE(rig.runs().size(), 3); // the watch and two connect runs
    }

    // A paired knob the kernel gives a hidraw node on the Bluetooth bus is
    // driven like a cable: no helper run while it answers, unplug noticed.
    void bluetoothHidrawNode()
    {
        Rig rig(QStringLiteral("[auto]\n") + kConnected + kQueryOk + notify(kKeyA));
        hidsim::DeviceConfig config = hidsim::knobDevice();
        for (hidsim::InterfaceConfig &i : config.interfaces)
            i.busType = 2;
        const int dev = hidsim::addDevice(config);
        QSignalSpy read(&rig.session, &KnobSession::configReadFinished);
        rig.session.tryAutoConnectBluetooth(); // the node is tried before the helper
        QVERIFY(read.wait(kWait));
        QVERIFY(rig.session.isConnected());
        QVERIFY(!rig.session.isBluetoothConnected());
        hidsim::unplug(dev);
        rig.session.checkConnectedDeviceAlive();
        QVERIFY(!rig.session.isConnected());
        QCOMPARE(rig.runs().size(), 0);
    }

    // A save is one helper run carrying every report of the USB save, in the
    // same order, each cut to 64 bytes.
    void saveIsOneHelperRun()
    {
        Rig rig(QStringLiteral("[auto]\n") + kConnected + kQueryOk + notify(kKeyA) + kWriteOk);
        rig.connectRun();
        QVERIFY(rig.session.isBluetoothConnected());

        KnobModelSnapshot snapshot;
        snapshot.keys[0].keyCodes = {0x04, 0x05};
        snapshot.keys[0].displayNames = {QStringLiteral("A"), QStringLiteral("B")};
        snapshot.keys[2].combinations = {QStringLiteral("音量+")};
        snapshot.keys[2].displayNames = {QStringLiteral("Volume +")};
        QSignalSpy done(&rig.session, &KnobSession::saveFinished);
        QVERIFY(rig.session.save(snapshot));
        QVERIFY(done.wait(kWait));
        QCOMPARE(done.at(0).at(0).toBool(), true);

        // What the USB link would have been handed, report by report.
        std::vector<Packet> expected;
        AssignmentWriteIo io;
        io.send = [&](const Packet &p, int knobKey) {
            const std::vector<Packet> list = buildSendList(p, knobKey);
            expected.insert(expected.end(), list.begin(), list.end());
            return int(p.size());
        };
        executeAssignmentWrite(planAssignmentWrite(snapshot), io);

        const QList<QStringList> runs = rig.runs();
        QCOMPARE(runs.size(), 2); // the connect run and one write run
        QCOMPARE(runs.at(1), bleBatchWriteArguments(QStringLiteral("AA:BB:CC:DD:EE:FF"), expected));
        for (int i = 3; i < runs.at(1).size() - 2; i += 2)
            QCOMPARE(runs.at(1).at(i).size(), 64 * 3 - 1);
    }

    void lightingGoesThroughTheHelper()
    {
        Rig rig(QStringLiteral("[auto]\n") + kConnected + kQueryOk + notify(kKeyA) + kWriteOk);
        rig.connectRun();
        LightSettings light;
        light.red = 0x12;
        light.green = 0x34;
        light.blue = 0x56;
        light.brightness = 40;
        rig.session.queueLighting(light);
        QVERIFY(QTest::qWaitFor([&] { return rig.session.lightSendsCompleted() == 1; }, kWait));
        const QList<QStringList> runs = rig.runs();
        QCOMPARE(runs.size(), 2);
        QCOMPARE(runs.at(1), bleBatchWriteArguments(QStringLiteral("AA:BB:CC:DD:EE:FF"), {light.packet()}));
    }

    void writeRunFailures_data()
    {
        QTest::addColumn<QString>("writeScript");
        QTest::addColumn<bool>("linkKept");
        QTest::newRow("acknowledged but exit code 1")
            << QStringLiteral("[write]\n") + line(QStringLiteral(R"({"type":"write_ok"})")) + "exit 1\n"
            << true;
        QTest::newRow("acknowledgement with spaces")
            << QStringLiteral("[write]\n") + line(QStringLiteral(R"({"type" : "write_ok"})")) << true;
        QTest::newRow("hangs past the run time-out") << QStringLiteral("[write]\nsleep 9500\n") << true;
        QTest::newRow("device gone") << QStringLiteral("[write]\nexit 6\n") << false;
        QTest::newRow("no knob connected any more") << QStringLiteral("[write]\nexit 3\n") << false;
    }

    void writeRunFailures()
    {
        QFETCH(QString, writeScript);
        QFETCH(bool, linkKept);
        Rig rig(QStringLiteral("[auto]\n") + kConnected + kQueryOk + notify(kKeyA) + writeScript);
        rig.connectRun();
        KnobModelSnapshot snapshot;
        snapshot.keys[1].keyCodes = {0x04};
        snapshot.keys[1].displayNames = {QStringLiteral("A")};
        QSignalSpy done(&rig.session, &KnobSession::saveFinished);
        QVERIFY(rig.session.save(snapshot));
        QVERIFY(done.wait(kWait));
        QCOMPARE(done.at(0).at(0).toBool(), false);
        QCOMPARE(rig.session.isBluetoothConnected(), linkKept);
        QCOMPARE(rig.session.isConnected(), linkKept);
    }
};

QTEST_GUILESS_MAIN(TestBluetoothSession)
#include "tst_bluetoothsession.moc"
