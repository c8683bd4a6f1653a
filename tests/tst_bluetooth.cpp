// The Bluetooth link, each fault at the lowest level that sees it: the
// helper's output lines through the parser; the helper's choices in the BlueZ
// object tree; the real helper against a fake BlueZ on a private bus; and the
// session against a scripted stand-in for the helper (connect runs, the
// watch, saves and lighting as helper runs, failures reported once).
#include "bluezmodel.h"
#include "device/BluetoothLink.h"
#include "device/KnobOwnerLock.h"
#include "device/KnobSession.h"
#include "device/UdevMonitor.h"
#include "device/blelineparser.h"
#include "device/blewire.h"
#include "device/packetutil.h"
#include "fakes/clock/ManualClock.h"
#include "protocol/assignmentwrite.h"
#include "support/packetbytes.h"
#include "tests/fakes/hidsim/hidsim.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

Q_DECLARE_METATYPE(Packet)
Q_DECLARE_METATYPE(BluezCharacteristic)

namespace {

using T = BleHelperMessage::Type;
constexpr int kWait = 15000;
const QString kKnobAddress = QStringLiteral("C0:FF:EE:00:00:01");

// One message as one string, so one table column states all a row expects.
QString describe(const BleHelperMessage &m)
{
    switch (m.type) {
    case T::Connected:
        return QStringLiteral("connected|%1|%2").arg(m.address, m.deviceId);
    case T::GattUuids:
        return QStringLiteral("gatt|%1").arg(m.writeUuid);
    case T::WriteReady:
        return QStringLiteral("write_ready");
    case T::WriteOk:
        return QStringLiteral("write_ok|%1").arg(m.query ? "true" : "false");
    case T::HardwareProbe:
        return QStringLiteral("probe|%1").arg(m.online ? "true" : "false");
    case T::Notify:
        return QStringLiteral("notify|%1")
            .arg(m.packet.empty() ? QStringLiteral("-") : packetToHexLine(m.packet));
    case T::SessionDisconnected:
        return QStringLiteral("disconnected");
    case T::Error:
        return QStringLiteral("error|%1").arg(m.message);
    }
    return {};
}

QByteArray notifyLine(const QString &data)
{
    return QStringLiteral("{\"type\":\"notify\",\"data\":\"%1\"}\n").arg(data).toUtf8();
}

QString hexOf(const char *hex, int size = kReportSize)
{
    return packetToHexLine(bytes(hex, size));
}

BluezCharacteristic characteristic(const QString &service, const QString &serviceUuid, const QString &uuid,
                                   const QStringList &flags)
{
    return {service + "/" + uuid.left(8), service, serviceUuid, uuid, flags};
}

QString base(const char *shortUuid)
{
    return QStringLiteral("0000%1-0000-1000-8000-00805f9b34fb").arg(QLatin1String(shortUuid));
}

const QString kVendor = QStringLiteral("7a1c0001-3b5e-4c2a-9f10-5d2b8c6e4a01");

// The stand-in's script steps.
QString line(const QString &json)
{
    return QStringLiteral("line ") + json + QLatin1Char('\n');
}
const QString kKeyA = hexOf("03 FD 02 01 01 00 01 00 00 04");
const QString kAuto = QStringLiteral("[auto]\n") +
                      line(R"({"type":"connected","address":"AA:BB:CC:DD:EE:FF","device_id":"d"})") +
                      line(R"({"type":"write_ok","query":true})");
const QString kKeyALine = line(QStringLiteral(R"({"type":"notify","data":"%1"})").arg(kKeyA));
const QString kWriteOk = QStringLiteral("[write]\n") + line(R"({"type":"write_ok"})");

// A session whose helper is the stand-in, playing the given script.
struct Rig
{
    QTemporaryDir dir;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    KnobSession session{clock};

    explicit Rig(const QString &script, bool withHelper = true)
    {
        setScript(script);
        qputenv("VX_FAKE_BLE_SCRIPT", dir.filePath(QStringLiteral("script.txt")).toLocal8Bit());
        qputenv("VX_FAKE_BLE_ARGS_OUT", dir.filePath(QStringLiteral("args.txt")).toLocal8Bit());
        if (withHelper)
            QFile::link(QStringLiteral(VX_FAKE_BLE_HELPER_PATH), dir.filePath(QStringLiteral("ble_helper")));
        session.setBluetoothHelperDirectory(dir.path());
    }
    ~Rig() { session.shutdown(); }
    // Read by every run as it starts.
    void setScript(const QString &script)
    {
        QFile file(dir.filePath(QStringLiteral("script.txt")));
        if (file.open(QIODevice::WriteOnly))
            file.write(script.toUtf8());
    }

    // What the watch says when the knob connects.
    void wantConnect() { emit session.findChild<BluetoothLink *>()->connectWanted(); }

    bool connectRun()
    {
        wantConnect();
        return QTest::qWaitFor([this] { return !session.isBluetoothConnectRunning(); }, kWait);
    }

    QList<QStringList> runs() const
    {
        QList<QStringList> out;
        QFile file(dir.filePath(QStringLiteral("args.txt")));
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray &l : file.readAll().split('\n')) {
                if (!l.trimmed().isEmpty())
                    out << QVariant(QJsonDocument::fromJson(l).array().toVariantList()).toStringList();
            }
        }
        return out;
    }
};

} // namespace

class TestBluetooth : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_bus;
    QString m_busAddress;
    QProcess *m_fake = nullptr;

    // A private bus for the helper tests; false (and the test skipped) without dbus-daemon.
    bool startBus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty() || !m_busAddress.isEmpty())
            return !m_busAddress.isEmpty();
        m_bus.start(daemon, {QStringLiteral("--config-file=" VX_TEST_BUS_CONF),
                             QStringLiteral("--print-address"), QStringLiteral("--nofork")});
        while (m_bus.waitForStarted(10000) && !m_bus.canReadLine() && m_bus.waitForReadyRead(10000)) {
        }
        m_busAddress = QString::fromUtf8(m_bus.readLine().trimmed());
        return !m_busAddress.isEmpty();
    }

    QProcessEnvironment busEnvironment(const QStringList &extra = {}) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_busAddress);
        for (const QString &kv : extra)
            env.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
        return env;
    }

    bool startFake(const QString &scenario, const QString &recordPath)
    {
        m_fake = new QProcess(this);
        m_fake->setProcessEnvironment(busEnvironment());
        m_fake->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_fake->start(QStringLiteral(VX_FAKEBLUEZ_PATH),
                      {QStringLiteral("--scenario"), scenario, QStringLiteral("--record"), recordPath});
        while (m_fake->waitForStarted(10000) && !m_fake->canReadLine()) {
            if (!m_fake->waitForReadyRead(10000))
                return false;
        }
        return m_fake->readLine().trimmed() == "ready";
    }

private Q_SLOTS:
    void init() { hidsim::reset(); }
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
        m_bus.kill();
        m_bus.waitForFinished(5000);
    }

    // ---- The helper's output lines -------------------------------------------------

    // Chunks go in one after the other; the messages of all chunks come out,
    // then what is left when the helper has exited.
    void lines_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QByteArray>("remainder");
        QTest::addColumn<int>("dropped"); // lines too long to keep
        const auto row = [](const char *name, const QList<QByteArray> &chunks, const QStringList &expected,
                            const QByteArray &remainder = {}, int dropped = 0) {
            QTest::newRow(name) << chunks << expected << remainder << dropped;
        };
        row("one line", {"{\"type\":\"write_ready\"}\n"}, {"write_ready"});
        row("last line without newline", {"{\"type\":\"write_ready\"}\n  {\"type\":\"write_ok\"} "},
            {"write_ready"}, "{\"type\":\"write_ok\"}");
        row("blank and white-space lines",
            {"\n\n   \r\n", "\t{\"type\":\"session_disconnected\"}  \r\n\n", " \t "}, {"disconnected"});
        row("a line split across chunks",
            {"{\"type\":\"conn", "ected\",\"address\":\" AA \",\"device_id\":\"d\"}\n{\"type\":\"write_",
             "ok\",\"query\":true}\n"},
            {"connected|AA|d", "write_ok|true"});
        row("not JSON is skipped, the next line still counts",
            {"Traceback (most recent call last):\n", "[1,2]\n", "{\"type\":\"write_ready\"}\n"},
            {"write_ready"});
        row("unknown and missing type",
            {"{\"type\":\"scan_result\",\"name\":\"x\"}\n{\"address\":\"a\"}\n{\"type\":\"write_ready\"}\n"},
            {"write_ready"});
        row("missing fields read as empty and false",
            {"{\"type\":\"connected\"}\n{\"type\":\"write_ok\"}\n{\"type\":\"hardware_probe\",\"online\":"
             "\"yes\"}\n"
             "{\"type\":\"gatt_uuids\"}\n{\"type\":\"error\",\"message\":\"no knob\"}\n"},
            {"connected||", "write_ok|false", "probe|false", "gatt|", "error|no knob"});
        row("gatt uuid trimmed, probe online",
            {"{\"type\":\"gatt_uuids\",\"write_uuid\":\"  abcd-01 "
             "\"}\n{\"type\":\"hardware_probe\",\"online\":true}\n"},
            {"gatt|abcd-01", "probe|true"});
        row("64-byte notify padded to 65", {notifyLine(hexOf("03 FD 11 01 01 00 01 | 00 00 04", 64))},
            {"notify|" + hexOf("03 FD 11 01 01 00 01 | 00 00 04")});
        row("doubled report number undone", {notifyLine(hexOf("03 03 FD 00 06 FF 80 00 64 01", 66))},
            {"notify|" + hexOf("03 FD 00 06 FF 80 00 64 01")});
        row("lower-case tokens and extra white space",
            {notifyLine("  03   fd  11 " + QString(" 00").repeated(61) + " ")},
            {"notify|" + hexOf("03 FD 11")});
        row("longer notify cut to 65", {notifyLine(hexOf("03 FD 11 01", 70))},
            {"notify|" + hexOf("03 FD 11 01")});
        row("a bad token drops only its notification",
            {notifyLine("03 FD 100 " + hexOf("00", 61)) + notifyLine("03 FD 1G") + notifyLine(kKeyA)},
            {"notify|" + kKeyA});
        row("short, 63-byte, other-class and empty notifies are no configuration",
            {notifyLine("03 FD FE FF"), notifyLine(hexOf("03 FD 11", 63)), notifyLine(hexOf("03 FE 11", 64)),
             "{\"type\":\"notify\"}\n"},
            {"notify|-", "notify|-", "notify|-", "notify|-"});
        // A helper that streams without ever ending a line must not make the
        // buffer grow: the long line is dropped, the lines after it still count.
        const QByteArray ok = "{\"type\":\"write_ok\",\"query\":true}\n";
        const QByteArray endless(3 * BleLineParser::kMaxPendingBytes, 'x');
        row("an endless line in small chunks", QList<QByteArray>(197, QByteArray(1000, 'x')) << "tail\n" + ok,
            {"write_ok|true"}, {}, 1);
        row("an endless line, then its newline", {endless, "tail\n" + ok}, {"write_ok|true"}, {}, 1);
        row("an endless line with its newline", {endless + "\n" + ok}, {"write_ok|true"}, {}, 1);
        row("an endless last line", {ok, endless}, {"write_ok|true"}, {}, 1);
    }
    void lines()
    {
        QFETCH(QList<QByteArray>, chunks);
        QFETCH(QStringList, expected);
        QFETCH(QByteArray, remainder);
        QFETCH(int, dropped);
        BleLineParser parser;
        QStringList actual;
        for (const QByteArray &chunk : chunks) {
            for (const BleHelperMessage &m : parser.feed(chunk))
                actual << describe(m);
        }
        QCOMPARE(actual, expected);
        QCOMPARE(parser.oversizedLineCount(), dropped);
        QCOMPARE(parser.takeRemainder(), remainder);
        QVERIFY(!parser.hasPendingData());
    }

    // What goes to the helper: every report cut or padded to 64 bytes, the query.
    void wire()
    {
        const std::vector<Packet> packets{bytes("03 FD 02 01 01 00 01 00 00 04", 10), Packet(65, 0xAB),
                                          bytes("03 FD FE FF")};
        const QStringList args = bleBatchWriteArguments(QStringLiteral("AA:BB:CC:DD:EE:FF"), packets);
        QCOMPARE(args.size(), 2 + 3 * 2 + 2);
        QCOMPARE(args.mid(0, 2), (QStringList{"connect", "AA:BB:CC:DD:EE:FF"}));
        QCOMPARE(args.at(2), QStringLiteral("--write-packet"));
        QCOMPARE(parseBleHexTokens(args.at(3)).value(), bytes("03 FD 02 01 01 00 01 00 00 04", 64));
        QCOMPARE(parseBleHexTokens(args.at(5)).value(), Packet(64, 0xAB));
        QCOMPARE(parseBleHexTokens(args.at(7)).value(), bytes("03 FD FE FF", 64));
        Packet query(64, 0xFF);
        query[0] = 0x03;
        QCOMPARE(bleConfigQueryPacket(), query);
        QVERIFY(isBleConfigEndNotification(bytes("03 FD FE FF", 64)));
        QVERIFY(isBleConfigEndNotification(bytes("03 03 FD FE FF", 66)));
        QVERIFY(!isBleConfigEndNotification(bytes("03 FD FE", 0)));
        QVERIFY(!isBleConfigEndNotification(bytes("03 FD 11 01 01", 64)));
        // A batch write counts as done only on a clean exit with a compact acknowledgement.
        const QByteArray ok("debug: x\n{\"type\":\"connected\"}\n{\"type\":\"write_ok\",\"n\":3}\n");
        QVERIFY(isBleBatchWriteAcknowledged(ok, true, 0));
        QVERIFY(!isBleBatchWriteAcknowledged("{\"type\" : \"write_ok\"}\n", true, 0));
        QVERIFY(!isBleBatchWriteAcknowledged(ok, true, 1));
        QVERIFY(!isBleBatchWriteAcknowledged(ok, false, 0));
        QVERIFY(!isBleBatchWriteAcknowledged("{\"type\":\"error\",\"message\":\"write_ok\"}", true, 0));
    }

    // ---- The helper's choices in the BlueZ object tree ------------------------------

    void knobIdentity()
    {
        const struct
        {
            const char *name, *modalias, *uuid;
            bool knob;
        } rows[] = {{"VELTRANIX", "", "", true},
                    {"Veltranix Knob", "", "", true},
                    {"X", "usb:v05ACp022Cd0001", "7a1c0001-3b5e-4c2a-9f10-5d2b8c6e4a01", true},
                    // A keyboard model shares this pair: its HID service is no vendor service.
                    {"Keyboard", "usb:v05ACp022Cd0001", "00001812-0000-1000-8000-00805f9b34fb", false},
                    {"Keyboard", "usb:v05ACp022Cd0001", "6e400001-b5a3-f393-e0a9-e50e24dcca9e", false},
                    {"X", "bluetooth:v514cp8850d0100", "", true},
                    {"X", "usb:v05ACp8850d0001", "7a1c0001-3b5e-4c2a-9f10-5d2b8c6e4a01", false},
                    {"Headphones", "bluetooth:v004Cp2002d0100", "", false},
                    {"", "", "", false}};
        for (const auto &r : rows) {
            BluezDevice d;
            d.name = QString::fromLatin1(r.name);
            d.modalias = QString::fromLatin1(r.modalias);
            d.uuids = QStringList{QString::fromLatin1(r.uuid)};
            QVERIFY2(isKnob(d) == r.knob, r.name);
        }
        // The name comes first, a device known only by its ids after it.
        BluezDevice byIds{"/k", "K", "", "", "bluetooth:v514Cp8850d0100", {}, true, false};
        BluezDevice knob{"/n", "N", "", "VELTRANIX", "", {}, true, false};
        BluezDevice asleep{"/s", "S", "", "VELTRANIX", "", {}, false, false};
        QStringList order;
        for (const BluezDevice &d : connectedKnobs({byIds, asleep, knob}))
            order << d.address;
        QCOMPARE(order, (QStringList{"N", "K"}));
    }

    void gattChoice_data()
    {
        QTest::addColumn<QList<BluezCharacteristic>>("chars");
        QTest::addColumn<QStringList>("overrides"); // service, write, notify
        QTest::addColumn<QString>("choice");        // "write notify type", empty = none
        const QString s1 = "/d/service000a", s2 = "/d/service0010", s3 = "/d/service0020";
        const QList<BluezCharacteristic> typical{
            characteristic(s1, base("180a"), base("2a29"), {"read", "write", "notify"}),
            characteristic(s3, base("fff0"), base("fff1"), {"write", "notify"}),
            characteristic(s2, kVendor, "7a1c0002", {"write-without-response"}),
            characteristic(s2, kVendor, "7a1c0003", {"notify"}),
            characteristic(s2, kVendor, "7a1c0004", {"write-without-response", "write"}),
        };
        const QStringList none{"", "", ""};
        QTest::newRow("vendor service, acknowledged write preferred")
            << typical << none << "7a1c0004 7a1c0003 request";
        QTest::newRow("service override by 16-bit uuid")
            << typical << QStringList{"fff0", "", ""} << base("fff1") + " " + base("fff1") + " request";
        QTest::newRow("write override")
            << typical << QStringList{"", "7A1C0002", ""} << "7a1c0002 7a1c0003 command";
        QTest::newRow("override naming a standard service")
            << typical << QStringList{base("180a"), "", ""} << base("2a29") + " " + base("2a29") + " request";
        QTest::newRow("override that matches nothing") << typical << QStringList{"", "", "deadbeef"} << "";
        QTest::newRow("standard services are never chosen")
            << QList<BluezCharacteristic>{characteristic(s1, base("180a"), base("2a29"),
                                                         {"read", "write", "notify"}),
                                          characteristic(s1, base("1812"), base("2a4d"), {"write", "notify"})}
            << none << "";
        QTest::newRow("write without notify")
            << QList<BluezCharacteristic>{characteristic(s2, kVendor, "7a1c0002", {"write"}),
                                          characteristic(s2, kVendor, "7a1c0003", {"read"})}
            << none << "";
        QTest::newRow("write and notify in different services")
            << QList<BluezCharacteristic>{characteristic(s2, kVendor, "7a1c0002", {"write"}),
                                          characteristic(s3, base("fff0"), base("fff1"), {"notify"})}
            << none << "";
        const QString uart = "6e400001-b5a3-f393-e0a9-e50e24dcca9e";
        QTest::newRow("serial-port and firmware-update services are passed over")
            << QList<BluezCharacteristic>{characteristic(s1, uart, "6e400002", {"write"}),
                                          characteristic(s1, uart, "6e400003", {"notify"}),
                                          characteristic(s3, base("fe59"), base("fe5a"), {"write", "notify"}),
                                          characteristic(s2, kVendor, "7a1c0002", {"write"}),
                                          characteristic(s2, kVendor, "7a1c0003", {"notify"})}
            << none << "7a1c0002 7a1c0003 request";
        QTest::newRow("indicate counts as notify")
            << QList<BluezCharacteristic>{characteristic(s3, base("fff0"), base("fff2"),
                                                         {"write-without-response"}),
                                          characteristic(s3, base("fff0"), base("fff3"), {"indicate"})}
            << none << base("fff2") + " " + base("fff3") + " command";
    }
    void gattChoice()
    {
        QFETCH(QList<BluezCharacteristic>, chars);
        QFETCH(QStringList, overrides);
        QFETCH(QString, choice);
        GattOverrides o;
        o.serviceUuid = overrides.at(0);
        o.writeUuid = overrides.at(1);
        o.notifyUuid = overrides.at(2);
        const std::optional<GattChoice> c = chooseGatt(chars, o);
        QCOMPARE(c ? (QStringList{c->write.uuid, c->notify.uuid, c->writeType}.join(QLatin1Char(' ')))
                   : QString(),
                 choice);
    }

    // ---- The real helper against the fake BlueZ -------------------------------------

    void helper_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QString>("writeTo"); // empty: the configuration query
        QTest::addColumn<QString>("types");   // every output line's "type", in order
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("writes"); // WriteValue calls the fake saw
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<QString>("message"); // in the last error line
        const QString read =
            "connected gatt_uuids write_ready write_ok hardware_probe notify notify notify notify";
        const QString written = "connected gatt_uuids write_ready write_ok";
        const auto row = [](const char *name, const char *scenario, const QString &writeTo,
                            const QString &types, int exitCode, int writes, const QStringList &env = {},
                            const QString &message = {}) {
            QTest::newRow(name) << scenario << writeTo << types << exitCode << writes << env << message;
        };
        const QString knob = kKnobAddress, query;
        row("query reads the configuration and stops at the end packet", "normal", query, read, 0, 1);
        row("batch write", "normal", knob, written, 0, 3);
        row("no connected device", "no-device", query, "error", 3, 0);
        row("connected device is not the knob", "not-knob", query, "error", 3, 0);
        row("keyboard with the knob's ids and no vendor service", "keyboard", query, "error", 3, 0);
        row("write to an unknown address", "normal", "00:11:22:33:44:55", "error", 3, 0);
        row("rejected batch write", "reject-write", knob, "connected gatt_uuids write_ready error", 5, 1);
        row("device disconnects mid-run", "disconnect", query,
            "connected gatt_uuids write_ready write_ok hardware_probe notify session_disconnected", 6, 1);
        row("knob gone mid-write", "gone-mid-write", knob, "connected gatt_uuids write_ready error", 6, 2);
        row("write in progress is retried", "write-in-progress", knob, written, 0, 4);
        row("not paired", "not-paired", knob, "connected gatt_uuids write_ready error", 5, 1, {},
            "bluetoothctl pair " + knob);
        // The cached services are there at once; the write waits for resolution and the MTU.
        row("write to a known knob that is not connected connects first", "no-device", knob, written, 0, 3);
        row("service override that the knob lacks", "normal", query, "error", 4, 0,
            {"VX_BLE_SERVICE_UUID=fff0"});
        row("notify override picks the characteristic", "normal", query, read, 0, 1,
            {"VX_BLE_NOTIFY_UUID=7A1C0003-3B5E-4C2A-9F10-5D2B8C6E4A01"});
        // The bus would start BlueZ on demand, but that start never completes.
        row("BlueZ not running, activation never answers", "none", query, "error", 7, 0);
        row("no adapter", "no-adapter", query, "error", 8, 0);
        row("adapter off", "powered-off", knob, "error", 8, 0);
        row("MTU stays 23", "small-mtu", query, "connected gatt_uuids error", 4, 0);
        row("reconnect: cached services, late resolution, MTU absent then 23 then 247", "reconnect", query,
            read, 0, 1);
        row("StartNotify in progress once", "notify-in-progress", query, read, 0, 1);
        row("StartNotify not permitted", "notify-not-permitted", query, "connected gatt_uuids error", 4, 0);
    }
    void helper()
    {
        QFETCH(QString, scenario);
        QFETCH(QString, writeTo);
        QFETCH(QString, types);
        QFETCH(int, exitCode);
        QFETCH(int, writes);
        QFETCH(QStringList, env);
        QFETCH(QString, message);
        if (!startBus())
            QSKIP("dbus-daemon is not installed");
        const QString record = m_dir.filePath(QStringLiteral("writes-%1.txt").arg(QTest::currentDataTag()));
        if (scenario != QLatin1String("none"))
            QVERIFY(startFake(scenario, record));
        const std::vector<Packet> batch{bytes("03 FD 02 01 01 00 01 00 00 04"),
                                        bytes("03 FD 04 01 01 00 01 00 00 05"), bytes("03 FD FE FF")};
        const bool write = !writeTo.isEmpty();
        const QStringList args = write
                                     ? bleBatchWriteArguments(writeTo, batch)
                                     : QStringList{"connect", "auto", "--query", "--auto", "--listen", "30"};

        QProcess helper;
        helper.setProcessEnvironment(busEnvironment(env));
        helper.start(QStringLiteral(VX_BLE_HELPER_PATH), args);
        // Generous: a run that sits through its 30 s listen time fails here.
        const bool finished = helper.waitForFinished(20000);
        if (!finished)
            helper.kill();
        const QByteArray output = helper.readAllStandardOutput();
        QVERIFY2(finished && helper.exitStatus() == QProcess::NormalExit, output.constData());
        QStringList actual;
        QJsonObject last;
        for (const QByteArray &l : output.split('\n')) {
            if (!l.trimmed().isEmpty())
                actual
                    << (last = QJsonDocument::fromJson(l).object()).value(QLatin1String("type")).toString();
        }
        QCOMPARE(actual.join(' '), types);
        QCOMPARE(helper.exitCode(), exitCode);
        if (exitCode != 0 && exitCode != 6)
            QVERIFY(!last.value(QLatin1String("message")).toString().isEmpty());
        QVERIFY2(last.value(QLatin1String("message")).toString().contains(message), output.constData());

        QFile file(record);
        QList<QByteArray> recorded;
        if (file.open(QIODevice::ReadOnly))
            recorded = file.readAll().trimmed().split('\n');
        recorded.removeAll(QByteArray());
        QCOMPARE(recorded.size(), writes);
        if (write) {
            QCOMPARE(isBleBatchWriteAcknowledged(output, true, helper.exitCode()), exitCode == 0);
            // In order, 64 bytes each, acknowledged writes; a retry repeats its packet.
            recorded.erase(std::unique(recorded.begin(), recorded.end()), recorded.end());
            for (int i = 0; i < recorded.size(); ++i)
                QCOMPARE(QString::fromLatin1(recorded.at(i)), "request 64 " + args.at(3 + 2 * i));
        } else if (writes == 1) {
            QCOMPARE(QString::fromLatin1(recorded.first().mid(11)), packetToHexLine(bleConfigQueryPacket()));
        }
        if (exitCode != 0 || write)
            return;
        // What the program makes of it: the configuration packets, the
        // doubled report number undone, nothing after the end packet.
        BleLineParser parser;
        QStringList seen;
        for (const BleHelperMessage &m : parser.feed(output)) {
            if (m.type == T::Notify || m.type == T::HardwareProbe || m.type == T::Connected)
                seen << describe(m);
        }
        QCOMPARE(seen, (QStringList{"connected|" + kKnobAddress + "|/org/bluez/hci0/dev_C0_FF_EE_00_00_01",
                                    "probe|true", "notify|" + hexOf("03 FD 11 01 01 00 01 00 00 04"),
                                    "notify|" + hexOf("03 FD 02 01 01 00 01 00 00 05"),
                                    "notify|" + hexOf("03 FD 00 06 FF 80 00 64 01"),
                                    "notify|" + hexOf("03 FD FE FF")}));
    }

    // One watch line as "type address yes|no [battery]", count of them or fewer after a pause.
    static QStringList watchLines(QProcess &helper, int count)
    {
        QStringList seen;
        while (seen.size() < count && (helper.canReadLine() || helper.waitForReadyRead(10000))) {
            const QJsonObject o = QJsonDocument::fromJson(helper.readLine()).object();
            const bool up = o.value(o.contains("connected") ? "connected" : "available").toBool();
            seen << QStringLiteral("%1 %2 %3%4")
                        .arg(o.value("type").toString(), o.value("address").toString(), up ? "yes" : "no",
                             o.contains("battery") ? " " + QString::number(o.value("battery").toInt()) : "");
        }
        return seen;
    }

    // The watch stays up through BlueZ appearing; a knob counts once its
    // services are resolved, its battery as it comes, changes and goes, no
    // refetch for an RSSI flood, the adapter off (the knob with it) and on.
    void helperWatch()
    {
        if (!startBus())
            QSKIP("dbus-daemon is not installed");
        QProcess helper;
        helper.setProcessEnvironment(busEnvironment());
        helper.start(QStringLiteral(VX_BLE_HELPER_PATH), {QStringLiteral("watch")});
        QStringList seen = watchLines(helper, 1);
        QVERIFY(startFake(QStringLiteral("busy"), QString()));
        seen += watchLines(helper, 8);
        helper.kill();
        helper.waitForFinished(5000);
        const QString knob = "knob " + kKnobAddress;
        QCOMPARE(seen, (QStringList{"bluetooth  no", "bluetooth  yes", knob + " yes", knob + " yes 57",
                                    knob + " yes 12", knob + " yes", "bluetooth  no", knob + " no",
                                    "bluetooth  yes"}));
        QVERIFY(m_fake->canReadLine() || m_fake->waitForReadyRead(5000));
        QCOMPARE(m_fake->readLine().trimmed(), QByteArray("flood-looks 0"));
    }

    // The watch comes back when the system bus restarts.
    void helperWatchBusRestart()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is not installed");
        const QString saved = std::exchange(m_busAddress, "unix:path=" + m_dir.filePath("restart-bus"));
        QProcess bus;
        const auto restore = qScopeGuard([&] {
            m_busAddress = saved;
            bus.kill();
            bus.waitForFinished(5000);
        });
        const auto startBusHere = [&] {
            bus.start(daemon, {"--config-file=" VX_TEST_BUS_CONF, "--address=" + m_busAddress, "--nofork"});
            return bus.waitForStarted(10000) &&
                   QTest::qWaitFor([&] { return QFile::exists(m_dir.filePath("restart-bus")); }, 10000);
        };
        QVERIFY(startBusHere());
        QVERIFY(startFake(QStringLiteral("normal"), QString()));
        QProcess helper;
        helper.setProcessEnvironment(busEnvironment());
        helper.start(QStringLiteral(VX_BLE_HELPER_PATH), {QStringLiteral("watch")});
        const QString up = "knob " + kKnobAddress + " yes";
        QCOMPARE(watchLines(helper, 2), (QStringList{"bluetooth  yes", up}));
        bus.terminate();
        bus.waitForFinished(5000);
        cleanup();
        QCOMPARE(watchLines(helper, 2), (QStringList{"bluetooth  no", "knob " + kKnobAddress + " no"}));
        QVERIFY(startBusHere());
        QVERIFY(startFake(QStringLiteral("normal"), QString()));
        QStringList seen;
        for (int i = 0; i < 6 && !seen.contains(up); ++i)
            seen += watchLines(helper, 1);
        helper.kill();
        helper.waitForFinished(5000);
        QVERIFY2(seen.contains(up), qPrintable(seen.join(", ")));
    }

    // ---- The session against the stand-in -------------------------------------------

    void connectRun_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("linkUp");
        QTest::addColumn<int>("packets");
        QTest::addColumn<QString>("failure");
        const QString online = line(R"({"type":"hardware_probe","online":true})");
        QTest::newRow("configuration read") << kAuto + kKeyALine << true << 1 << QString();
        QTest::newRow("knob held by another program")
            << "held" + kAuto + kKeyALine << false << 0
            << QStringLiteral("设备正被 tst_bluetooth (pid %1) 使用").arg(QCoreApplication::applicationPid());
        QTest::newRow("online without packets keeps the link up") << kAuto + online << true << 0 << QString();
        QTest::newRow("disconnected mid-run") << kAuto + online + line(R"({"type":"session_disconnected"})")
                                              << false << 0 << QStringLiteral("未收到设备配置");
        QTest::newRow("error line and exit code 1")
            << "[auto]\n" + line(R"({"type":"error","message":"no knob"})") + "exit 1\n"
            << false << 0 << "no knob";
    }
    void connectRun()
    {
        QFETCH(QString, script);
        QFETCH(bool, linkUp);
        QFETCH(int, packets);
        QFETCH(QString, failure);
        // The window holding the knob through a cable that reports its address.
        const std::unique_ptr<KnobOwnerLock> held =
            script.startsWith("held") ? KnobOwnerLock::tryTake(KnobOwnerLock::addressIdentity("aabbccddeeff"))
                                      : nullptr;
        Rig rig(script.mid(held ? 4 : 0));
        QSignalSpy read(&rig.session, &KnobSession::configPacketRead);
        QSignalSpy failed(&rig.session, &KnobSession::bluetoothConnectFailed);
        QSignalSpy loaded(&rig.session, &KnobSession::bluetoothConnected);
        QVERIFY(rig.connectRun());
        QCOMPARE(rig.session.isConnected(), linkUp);
        QCOMPARE(rig.session.isBluetoothConnected(), linkUp);
        QCOMPARE(read.count(), packets);
        if (packets)
            QCOMPARE(read.at(0).at(0).value<Packet>(), bytes("03 FD 02 01 01 00 01 00 00 04"));
        QCOMPARE(loaded.count(), packets);
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
        const QString noGatt =
            "[auto]\nsleep 300\n" + line(R"({"type":"error","message":"no GATT service"})") + "exit 4\n";
        QTest::newRow("no helper") << QString() << false << QString();
        QTest::newRow("no knob connected") << QStringLiteral("[auto]\nexit 3\n") << false << QString();
        QTest::newRow("no BlueZ") << QStringLiteral("[auto]\nexit 7\n") << false << QString();
        QTest::newRow("failure with a knob") << noGatt << false << QStringLiteral("no GATT service");
        QTest::newRow("the reason changes within the streak")
            << QString(noGatt).replace("service", "service %1") << false
            << QStringLiteral("no GATT service 0");
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
            if (script.contains(QLatin1String("%1")))
                rig.setScript(script.arg(i));
            rig.wantConnect();
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
    // down when the knob goes, and comes back with it; the battery level
    // follows the link.
    void watchFollowsTheKnob()
    {
        const QString knob =
            QStringLiteral(R"({"type":"knob","address":"AA:BB:CC:DD:EE:FF","connected":%1})");
        const QString battery = QStringLiteral(R"(,"battery":%1})");
        Rig rig("[watch]\n" + line(R"({"type":"bluetooth","available":true})") +
                line(knob.arg("true").chopped(1) + battery.arg(57)) + "sleep 1500\n" +
                line(knob.arg("true").chopped(1) + battery.arg(12)) + "sleep 1500\n" +
                line(knob.arg("false")) + "sleep 3000\n" + line(knob.arg("true")) + "sleep 60000\n" + kAuto +
                kKeyALine);
        QSignalSpy changes(&rig.session, &KnobSession::connectionChanged);
        QSignalSpy levels(&rig.session, &KnobSession::batteryLevelChanged);
        rig.session.start();
        QVERIFY(QTest::qWaitFor([&] { return changes.count() == 3; }, 2 * kWait));
        QCOMPARE(changes.at(0).at(0).toBool(), true);
        QCOMPARE(changes.at(1).at(0).toBool(), false);
        QCOMPARE(changes.at(2).at(0).toBool(), true);
        QVERIFY(rig.session.isBluetoothConnected());
        QCOMPARE(rig.runs().size(), 3); // the watch and two connect runs
        QList<int> seen;
        for (const QList<QVariant> &l : levels)
            seen << l.at(0).toInt();
        QCOMPARE(seen, (QList<int>{57, 12, -1}));
    }

    // A failed connect run is retried once at once before anything is shown;
    // a knob without a usable service is then left alone until it reconnects.
    void quickRetryThenWait()
    {
        Rig rig("[watch]\n" + line(R"({"type":"bluetooth","available":true})") +
                line(R"({"type":"knob","address":"AA:BB:CC:DD:EE:FF","connected":true})") +
                "sleep 60000\n[auto]\nsleep 300\n" + line(R"({"type":"error","message":"no GATT service"})") +
                "exit 4\n");
        QSignalSpy failed(&rig.session, &KnobSession::bluetoothConnectFailed);
        rig.session.start();
        QVERIFY(QTest::qWaitFor([&] { return rig.runs().size() == 3; }, kWait));
        QCOMPARE(failed.count(), 0);
        QVERIFY(failed.wait(kWait));
        QTest::qWait(6000);
        QCOMPARE(rig.runs().size(), 3);
        QCOMPARE(failed.count(), 1);
    }

    // A paired knob the kernel gives a hidraw node on the Bluetooth bus is
    // driven like a cable: no helper run while it answers, unplug noticed.
    void bluetoothHidrawNode()
    {
        // The watch sits idle: any run beyond it would be a connect run.
        Rig rig("[watch]\n" + line(R"({"type":"bluetooth","available":true})") + "sleep 60000\n" + kAuto +
                kKeyALine);
        hidsim::DeviceConfig config = hidsim::knobDevice();
        for (hidsim::InterfaceConfig &i : config.interfaces)
            i.busType = 2;
        const int dev = hidsim::addDevice(config);
        QSignalSpy read(&rig.session, &KnobSession::configReadFinished);
        rig.session.start();
        rig.wantConnect(); // the node is tried before the helper
        QVERIFY(read.wait(kWait));
        QVERIFY(rig.session.isConnected());
        QVERIFY(!rig.session.isBluetoothConnected());
        // Idle: nothing goes over the air, not even a liveness probe.
        const std::size_t written = hidsim::writes().size();
        rig.clock->advance(2500);
        QTest::qWait(200);
        QCOMPARE(hidsim::writes().size(), written);
        QVERIFY(rig.session.isConnected());
        hidsim::unplug(dev);
        // udev announces the node's removal; the device list is asked on a worker.
        auto *udev = rig.session.findChild<UdevMonitor *>();
        QVERIFY(udev);
        udev->handleEvent(QStringLiteral("remove"), QStringLiteral("hidraw"),
                          QStringLiteral("0005:05AC:022C.0003"));
        rig.clock->advance(1000); // where udev is not there, the liveness tick asks
        QTRY_VERIFY_WITH_TIMEOUT(!rig.session.isConnected(), kWait);
        QCOMPARE(rig.runs().size(), 1); // the watch alone
    }

    // A save is one helper run carrying every report of the USB save, in the
    // same order, each cut to 64 bytes; lighting is a run of its own. Only an
    // acknowledged run in time succeeds; a knob gone takes the link down.
    void writeRuns_data()
    {
        QTest::addColumn<bool>("light");
        QTest::addColumn<QString>("writeScript");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("linkKept");
        QTest::newRow("save") << false << kWriteOk << true << true;
        QTest::newRow("lighting") << true << kWriteOk << true << true;
        QTest::newRow("acknowledged but exit code 1") << false << kWriteOk + "exit 1\n" << false << true;
        QTest::newRow("acknowledgement with spaces")
            << false << "[write]\n" + line(R"({"type" : "write_ok"})") << false << true;
        // Past the helper's own connect time-out; a batch is never cut off part-way.
        QTest::newRow("slower than a connect")
            << false << "[write]\nsleep 10500\n" + line(R"({"type":"write_ok"})") << true << true;
        QTest::newRow("device gone") << false << QStringLiteral("[write]\nexit 6\n") << false << false;
        QTest::newRow("no knob connected any more")
            << false << QStringLiteral("[write]\nexit 3\n") << false << false;
    }
    void writeRuns()
    {
        QFETCH(bool, light);
        QFETCH(QString, writeScript);
        QFETCH(bool, ok);
        QFETCH(bool, linkKept);
        Rig rig(kAuto + kKeyALine + writeScript);
        QVERIFY(rig.connectRun());
        QVERIFY(rig.session.isBluetoothConnected());
        std::vector<Packet> expected;
        if (light) {
            const LightSettings settings{0x12, 0x34, 0x56, 40, true};
            rig.session.queueLighting(settings);
            rig.clock->advance(20); // the pause that gathers a drag's changes
            QVERIFY(QTest::qWaitFor([&] { return rig.session.lightSendsCompleted() == 1; }, kWait));
            expected = {settings.packet()};
        } else {
            KnobDocument document;
            document.keys[0] = {KnobAction::key(0, 0x04), KnobAction::key(0, 0x05, 50)};
            document.keys[2] = {KnobAction::named(QStringLiteral("音量+"))};
            QSignalSpy done(&rig.session, &KnobSession::saveFinished);
            QVERIFY(rig.session.save(document));
            QVERIFY(done.wait(kWait));
            QCOMPARE(done.at(0).at(0).toBool(), ok);
            // What the USB link would have been handed, report by report.
            AssignmentWriteIo io;
            io.send = [&](const Packet &p, int knobKey) {
                const std::vector<Packet> list = buildSendList(p, knobKey);
                expected.insert(expected.end(), list.begin(), list.end());
                return int(p.size());
            };
            executeAssignmentWrite(planAssignmentWrite(document), io);
        }
        const QList<QStringList> runs = rig.runs();
        QCOMPARE(runs.size(), 2); // the connect run and one write run
        QCOMPARE(runs.at(1), bleBatchWriteArguments(QStringLiteral("AA:BB:CC:DD:EE:FF"), expected));
        QCOMPARE(rig.session.isBluetoothConnected(), linkKept);
        QCOMPARE(rig.session.isConnected(), linkKept);
    }
};

QTEST_GUILESS_MAIN(TestBluetooth)
#include "tst_bluetooth.moc"
