#include "bluezmodel.h"
#include "device/blelineparser.h"
#include "device/blewire.h"

#include "support/packetbytes.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(Packet)
Q_DECLARE_METATYPE(BluezCharacteristic)

namespace {

const QString kKnobAddress = QStringLiteral("C0:FF:EE:00:00:01");

BluezCharacteristic characteristic(const QString &service, const QString &serviceUuid, const QString &uuid,
                                   const QStringList &flags)
{
    BluezCharacteristic c;
    c.path = service + "/" + uuid.left(8);
    c.servicePath = service;
    c.serviceUuid = serviceUuid;
    c.uuid = uuid;
    c.flags = flags;
    return c;
}

QString base(const char *shortUuid)
{
    return QStringLiteral("0000%1-0000-1000-8000-00805f9b34fb").arg(QLatin1String(shortUuid));
}

const QString kVendor = QStringLiteral("7a1c0001-3b5e-4c2a-9f10-5d2b8c6e4a01");

} // namespace

class TestBleHelper : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_bus;
    QString m_busAddress;
    QProcess *m_fake = nullptr;

    bool startFake(const QString &scenario, const QString &recordPath)
    {
        m_fake = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_busAddress);
        m_fake->setProcessEnvironment(env);
        m_fake->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_fake->start(QStringLiteral(VX_FAKEBLUEZ_PATH),
                      {QStringLiteral("--scenario"), scenario, QStringLiteral("--record"), recordPath});
        if (!m_fake->waitForStarted(10000))
            return false;
        while (!m_fake->canReadLine()) {
            if (!m_fake->waitForReadyRead(10000))
                return false;
        }
        return m_fake->readLine().trimmed() == "ready";
    }

    void startBus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is not installed");
        if (!m_busAddress.isEmpty())
            return;
        m_bus.start(daemon, {QStringLiteral("--config-file=" VX_TEST_BUS_CONF),
                             QStringLiteral("--print-address"), QStringLiteral("--nofork")});
        QVERIFY(m_bus.waitForStarted(10000));
        while (!m_bus.canReadLine())
            QVERIFY(m_bus.waitForReadyRead(10000));
        m_busAddress = QString::fromUtf8(m_bus.readLine().trimmed());
    }

    struct HelperRun
    {
        QList<QJsonObject> lines;
        QByteArray output;
        int exitCode = -1;
        bool finished = false;
        bool normalExit = false;
    };

    HelperRun runHelper(const QStringList &args, const QMap<QString, QString> &extraEnv = {})
    {
        HelperRun r;
        QProcess helper;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_busAddress);
        for (auto it = extraEnv.cbegin(); it != extraEnv.cend(); ++it)
            env.insert(it.key(), it.value());
        helper.setProcessEnvironment(env);
        helper.start(QStringLiteral(VX_BLE_HELPER_PATH), args);
        // Generous: a run that sits through its 30 s listen time fails here.
        r.finished = helper.waitForFinished(20000);
        if (!r.finished) {
            helper.kill();
            helper.waitForFinished(5000);
        }
        r.output = helper.readAllStandardOutput();
        r.exitCode = helper.exitCode();
        r.normalExit = helper.exitStatus() == QProcess::NormalExit;
        for (const QByteArray &line : r.output.split('\n')) {
            if (!line.trimmed().isEmpty())
                r.lines << QJsonDocument::fromJson(line).object();
        }
        return r;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void knobIdentity_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("modalias");
        QTest::addColumn<bool>("knob");
        QTest::newRow("by name") << "VELTRANIX"
                                 << "" << true;
        QTest::newRow("by name, other case and suffix") << "Veltranix Knob"
                                                        << "" << true;
        QTest::newRow("default id pair") << "X"
                                         << "usb:v05ACp022Cd0001" << true;
        QTest::newRow("other id pair, lower case") << "X"
                                                   << "bluetooth:v514cp8850d0100" << true;
        QTest::newRow("vendor of one pair, product of the other") << "X"
                                                                  << "usb:v05ACp8850d0001" << false;
        QTest::newRow("headphones") << "Headphones"
                                    << "bluetooth:v004Cp2002d0100" << false;
        QTest::newRow("nothing") << ""
                                 << "" << false;
    }
    void knobIdentity()
    {
        QFETCH(QString, name);
        QFETCH(QString, modalias);
        QFETCH(bool, knob);
        BluezDevice d;
        d.name = name;
        d.modalias = modalias;
        QCOMPARE(isKnob(d), knob);
    }

    // A keyboard model shares one of the knob's id pairs: the name comes first.
    void knobOrder()
    {
        BluezDevice keyboard;
        keyboard.address = QStringLiteral("K");
        keyboard.modalias = QStringLiteral("usb:v05ACp022Cd0001");
        keyboard.connected = true;
        BluezDevice knob;
        knob.address = QStringLiteral("N");
        knob.alias = QStringLiteral("VELTRANIX");
        knob.connected = true;
        BluezDevice asleep = knob;
        asleep.address = QStringLiteral("S");
        asleep.connected = false;
        QStringList order;
        for (const BluezDevice &d : connectedKnobs({keyboard, asleep, knob}))
            order << d.address;
        QCOMPARE(order, (QStringList{"N", "K"}));
    }

    void gattChoice_data()
    {
        QTest::addColumn<QList<BluezCharacteristic>>("chars");
        QTest::addColumn<QStringList>("overrides"); // service, write, notify
        QTest::addColumn<QString>("write");         // uuid prefix, empty = no choice
        QTest::addColumn<QString>("notify");
        QTest::addColumn<QString>("writeType");

        const QString s1 = "/d/service000a", s2 = "/d/service0010", s3 = "/d/service0020";
        const QList<BluezCharacteristic> typical{
            characteristic(s1, base("180a"), base("2a29"), {"read", "write", "notify"}),
            characteristic(s3, base("fff0"), base("fff1"), {"write", "notify"}),
            characteristic(s2, kVendor, "7a1c0002", {"write-without-response"}),
            characteristic(s2, kVendor, "7a1c0003", {"notify"}),
            characteristic(s2, kVendor, "7a1c0004", {"write-without-response", "write"}),
        };
        QTest::newRow("vendor service, acknowledged write preferred")
            << typical << QStringList{"", "", ""} << "7a1c0004"
            << "7a1c0003"
            << "request";
        QTest::newRow("service override by 16-bit uuid")
            << typical << QStringList{"fff0", "", ""} << base("fff1") << base("fff1") << "request";
        QTest::newRow("write override") << typical << QStringList{"", "7A1C0002", ""} << "7a1c0002"
                                        << "7a1c0003"
                                        << "command";
        QTest::newRow("override naming a standard service")
            << typical << QStringList{base("180a"), "", ""} << base("2a29") << base("2a29") << "request";
        QTest::newRow("override that matches nothing") << typical << QStringList{"", "", "deadbeef"} << ""
                                                       << ""
                                                       << "";
        const QList<BluezCharacteristic> onlyStandard{
            characteristic(s1, base("180a"), base("2a29"), {"read", "write", "notify"}),
            characteristic(s1, base("1812"), base("2a4d"), {"write", "notify"})};
        QTest::newRow("standard services are never chosen") << onlyStandard << QStringList{"", "", ""} << ""
                                                            << ""
                                                            << "";
        const QList<BluezCharacteristic> noNotify{characteristic(s2, kVendor, "7a1c0002", {"write"}),
                                                  characteristic(s2, kVendor, "7a1c0003", {"read"})};
        QTest::newRow("write without notify") << noNotify << QStringList{"", "", ""} << ""
                                              << ""
                                              << "";
        const QList<BluezCharacteristic> split{characteristic(s2, kVendor, "7a1c0002", {"write"}),
                                               characteristic(s3, base("fff0"), base("fff1"), {"notify"})};
        QTest::newRow("write and notify in different services") << split << QStringList{"", "", ""} << ""
                                                                << ""
                                                                << "";
        const QString uart = "6e400001-b5a3-f393-e0a9-e50e24dcca9e";
        QTest::newRow("serial-port and firmware-update services are passed over")
            << QList<BluezCharacteristic>{characteristic(s1, uart, "6e400002", {"write"}),
                                          characteristic(s1, uart, "6e400003", {"notify"}),
                                          characteristic(s3, base("fe59"), base("fe5a"), {"write", "notify"}),
                                          characteristic(s2, kVendor, "7a1c0002", {"write"}),
                                          characteristic(s2, kVendor, "7a1c0003", {"notify"})}
            << QStringList{"", "", ""} << "7a1c0002"
            << "7a1c0003"
            << "request";
        QTest::newRow("indicate counts as notify")
            << QList<BluezCharacteristic>{characteristic(s3, base("fff0"), base("fff2"),
                                                         {"write-without-response"}),
                                          characteristic(s3, base("fff0"), base("fff3"), {"indicate"})}
            << QStringList{"", "", ""} << base("fff2") << base("fff3") << "command";
    }
    void gattChoice()
    {
        QFETCH(QList<BluezCharacteristic>, chars);
        QFETCH(QStringList, overrides);
        QFETCH(QString, write);
        QFETCH(QString, notify);
        QFETCH(QString, writeType);
        GattOverrides o;
        o.serviceUuid = overrides.at(0);
        o.writeUuid = overrides.at(1);
        o.notifyUuid = overrides.at(2);
        const std::optional<GattChoice> choice = chooseGatt(chars, o);
        QCOMPARE(choice.has_value(), !write.isEmpty());
        if (!choice)
            return;
        QCOMPARE(choice->write.uuid, write);
        QCOMPARE(choice->notify.uuid, notify);
        QCOMPARE(choice->writeType, writeType);
    }

    // The real helper against the fake daemon on a private bus.
    void endToEnd_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("types"); // every output line's "type", in order
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("writes"); // WriteValue calls the fake saw
        QTest::addColumn<QStringList>("env");

        const QStringList query{"connect", "auto", "--query", "--auto", "--listen", "30"};
        const std::vector<Packet> batch{bytes("03 FD 02 01 01 00 01 00 00 04"),
                                        bytes("03 FD 04 01 01 00 01 00 00 05"), bytes("03 FD FE FF")};
        const QStringList write = bleBatchWriteArguments(kKnobAddress, batch);
        const QStringList read{"connected", "gatt_uuids", "write_ready", "write_ok", "hardware_probe",
                               "notify",    "notify",     "notify",      "notify"};
        const QStringList written{"connected", "gatt_uuids", "write_ready", "write_ok"};

        QTest::newRow("query reads the configuration and stops at the end packet")
            << "normal" << query << read << 0 << 1 << QStringList{};
        QTest::newRow("batch write") << "normal" << write << written << 0 << 3 << QStringList{};
        QTest::newRow("no connected device")
            << "no-device" << query << QStringList{"error"} << 3 << 0 << QStringList{};
        QTest::newRow("connected device is not the knob")
            << "not-knob" << query << QStringList{"error"} << 3 << 0 << QStringList{};
        QTest::newRow("write to an unknown address")
            << "normal" << bleBatchWriteArguments(QStringLiteral("00:11:22:33:44:55"), batch)
            << QStringList{"error"} << 3 << 0 << QStringList{};
        QTest::newRow("rejected batch write")
            << "reject-write" << write << QStringList{"connected", "gatt_uuids", "write_ready", "error"} << 5
            << 1 << QStringList{};
        QTest::newRow("device disconnects mid-run")
            << "disconnect" << query
            << QStringList{"connected",      "gatt_uuids", "write_ready",         "write_ok",
                           "hardware_probe", "notify",     "session_disconnected"}
            << 6 << 1 << QStringList{};
        QTest::newRow("write to a known knob that is not connected connects first")
            << "no-device" << write << written << 0 << 3 << QStringList{};
        QTest::newRow("service override that the knob lacks")
            << "normal" << query << QStringList{"error"} << 4 << 0 << QStringList{"VX_BLE_SERVICE_UUID=fff0"};
        QTest::newRow("notify override picks the characteristic")
            << "normal" << query << read << 0 << 1
            << QStringList{"VX_BLE_NOTIFY_UUID=7A1C0003-3B5E-4C2A-9F10-5D2B8C6E4A01"};
        // The bus would start BlueZ on demand, but that start never completes.
        QTest::newRow("BlueZ not running, activation never answers")
            << "none" << query << QStringList{"error"} << 7 << 0 << QStringList{};
        QTest::newRow("no adapter") << "no-adapter" << query << QStringList{"error"} << 8 << 0
                                    << QStringList{};
        QTest::newRow("adapter off") << "powered-off" << write << QStringList{"error"} << 8 << 0
                                     << QStringList{};
        QTest::newRow("MTU below 67")
            << "small-mtu" << query << QStringList{"connected", "gatt_uuids", "error"} << 4 << 0
            << QStringList{};
        QTest::newRow("services resolved after connected")
            << "late-resolve" << query << read << 0 << 1 << QStringList{};
        QTest::newRow("StartNotify in progress once")
            << "notify-in-progress" << query << read << 0 << 1 << QStringList{};
        QTest::newRow("StartNotify not permitted")
            << "notify-not-permitted" << query << QStringList{"connected", "gatt_uuids", "error"} << 4 << 0
            << QStringList{};
        QTest::newRow("a keyboard with the knob's ids is passed over")
            << "impostor" << query << read << 0 << 1 << QStringList{};
    }

    void endToEnd()
    {
        QFETCH(QString, scenario);
        QFETCH(QStringList, args);
        QFETCH(QStringList, types);
        QFETCH(int, exitCode);
        QFETCH(int, writes);
        const bool success = exitCode == 0;
        QFETCH(QStringList, env);

        startBus();
        if (m_busAddress.isEmpty())
            return;
        const QString record = m_dir.filePath(QStringLiteral("writes-%1.txt").arg(QTest::currentDataTag()));
        if (scenario != QLatin1String("none"))
            QVERIFY(startFake(scenario, record));

        QMap<QString, QString> extraEnv;
        for (const QString &kv : env)
            extraEnv.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
        const HelperRun r = runHelper(args, extraEnv);
        QVERIFY2(r.finished, r.output.constData());
        QVERIFY(r.normalExit);
        QStringList actual;
        for (const QJsonObject &line : r.lines)
            actual << line.value(QLatin1String("type")).toString();
        QCOMPARE(actual, types);
        QCOMPARE(r.exitCode, exitCode);
        if (args.contains(QLatin1String("--write-packet")))
            QCOMPARE(isBleBatchWriteAcknowledged(r.output, r.normalExit, r.exitCode), success);
        if (!success)
            QVERIFY(!r.lines.last().value(QLatin1String("message")).toString().isEmpty() ||
                    types.last() == QLatin1String("session_disconnected"));

        QFile file(record);
        QList<QByteArray> recorded;
        if (file.open(QIODevice::ReadOnly))
            recorded = file.readAll().trimmed().split('\n');
        recorded.removeAll(QByteArray());
        QCOMPARE(recorded.size(), writes);

        if (args.contains(QLatin1String("--write-packet"))) {
            // In order, 64 bytes each, acknowledged writes.
            for (int i = 0; i < recorded.size(); ++i) {
                const QList<QByteArray> fields = recorded.at(i).split(' ');
                QCOMPARE(fields.at(0), QByteArray("request"));
                QCOMPARE(fields.at(1), QByteArray("64"));
                QCOMPARE(
                    QString::fromLatin1(recorded.at(i).mid(fields.at(0).size() + fields.at(1).size() + 2)),
                    args.at(3 + 2 * i));
            }
            QCOMPARE(r.output.contains("{\"type\":\"write_ok\"}\n"), success);
        } else if (writes == 1) {
            QCOMPARE(QString::fromLatin1(recorded.first().mid(11)), packetToHexLine(bleConfigQueryPacket()));
        }

        if (success && args.contains(QLatin1String("--query"))) {
            // What the program makes of it: the configuration packets, the
            // doubled report number undone, nothing after the end packet.
            BleLineParser parser;
            std::vector<Packet> packets;
            bool online = false;
            for (const BleHelperMessage &m : parser.feed(r.output)) {
                if (m.type == BleHelperMessage::Type::Notify && !m.packet.empty())
                    packets.push_back(m.packet);
                if (m.type == BleHelperMessage::Type::HardwareProbe)
                    online = m.online;
                if (m.type == BleHelperMessage::Type::Connected)
                    QCOMPARE(m.address, kKnobAddress);
            }
            QVERIFY(online);
            QCOMPARE(int(packets.size()), 4);
            QCOMPARE(packets[0], bytes("03 FD 11 01 01 00 01 00 00 04"));
            QCOMPARE(packets[1], bytes("03 FD 02 01 01 00 01 00 00 05"));
            QCOMPARE(packets[2], bytes("03 FD 00 06 FF 80 00 64 01"));
            QCOMPARE(packets[3], bytes("03 FD FE FF"));
        }
    }

    // The watch stays up through BlueZ appearing and the knob going.
    void watch()
    {
        startBus();
        if (m_busAddress.isEmpty())
            return;
        QProcess helper;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_busAddress);
        helper.setProcessEnvironment(env);
        helper.start(QStringLiteral(VX_BLE_HELPER_PATH), {QStringLiteral("watch")});
        QStringList seen;
        auto readUntil = [&](int count) {
            while (seen.size() < count) {
                if (!helper.canReadLine() && !helper.waitForReadyRead(10000))
                    return;
                const QJsonObject o = QJsonDocument::fromJson(helper.readLine()).object();
                seen << QStringLiteral("%1 %2 %3")
                            .arg(o.value("type").toString(), o.value("address").toString(),
                                 o.value(o.contains("connected") ? "connected" : "available").toBool()
                                     ? "yes"
                                     : "no");
            }
        };
        readUntil(1);
        QVERIFY(startFake(QStringLiteral("sleepy"), QString()));
        readUntil(4);
        helper.kill();
        helper.waitForFinished(5000);
        QCOMPARE(seen, (QStringList{"bluetooth  no", "bluetooth  yes", "knob " + kKnobAddress + " yes",
                                    "knob " + kKnobAddress + " no"}));
    }

    void cleanup()
    {
        if (m_fake) {
            m_fake->kill();
            m_fake->waitForFinished(5000);
            delete m_fake;
            m_fake = nullptr;
        }
    }

    void cleanupTestCase()
    {
        if (m_bus.state() != QProcess::NotRunning) {
            m_bus.kill();
            m_bus.waitForFinished(5000);
        }
    }
};

QTEST_GUILESS_MAIN(TestBleHelper)
#include "tst_blehelper.moc"
