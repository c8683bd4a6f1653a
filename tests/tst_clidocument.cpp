// The configuration file: every name a page can bind survives the trip to the
// wire and back, and invalid files are refused with their JSON path.

#include "protocol/KnobFirmware.h"
#include "protocol/actionfilenames.h"
#include "protocol/actionnames.h"
#include "protocol/assignmentwrite.h"
#include "protocol/configdecode.h"
#include "protocol/configjson.h"
#include "protocol/keyvocabulary.h"
#include "protocol/knobdocument.h"
#include "protocol/procreatetable.h"
#include "protocol/profilestore.h"
#include "support/packetbytes.h"
#include "ui/pages/pagevocabulary.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

Q_DECLARE_METATYPE(Packet)

namespace {

// What the knob stores of a write: the assignment reports, end reports aside.
std::vector<Packet> storedOf(const std::vector<Packet> &wire)
{
    std::vector<Packet> stored;
    for (const Packet &p : wire) {
        if (!isConfigReadEndPacket(p))
            stored.push_back(p);
    }
    return stored;
}

// Physical key 3 holding what the pages bound, names first, as the editor takes them.
KnobDocument uiDocument(bool mac, const QList<unsigned short> &codes, const QStringList &names)
{
    KnobDocument d;
    d.isMacLayout = mac;
    for (const QString &n : names) {
        const ActionNameResult r = actionFromName(n, mac);
        if (!r.ok)
            return KnobDocument();
        d.keys[2] << r.action;
    }
    for (unsigned short c : codes)
        d.keys[2] << KnobAction::key(static_cast<unsigned char>(c >> 8), static_cast<unsigned char>(c));
    for (int v = 0; v < d.keys[2].size(); ++v)
        d.keys[2][v].delayMs = KnobAction::defaultDelay(v);
    return d;
}

QString wireText(const std::vector<Packet> &wire)
{
    QStringList lines;
    for (const Packet &p : wire)
        lines << packetToHexLine(p);
    return lines.join(QLatin1Char('\n'));
}

const char *kValidHead = R"({"format": 1, "layout": "windows", "keys": [)";

QByteArray fileWithKey3(const QByteArray &actions, const QByteArray &extra = QByteArray())
{
    QByteArray keys;
    for (int k = 1; k <= 5; ++k) {
        if (k > 1)
            keys += ",";
        keys += QByteArray("{\"key\": ") + QByteArray::number(k) + ", \"actions\": [" +
                (k == 3 ? actions : "") + "]}";
    }
    return QByteArray(kValidHead) + keys + "]" + extra + "}";
}

} // namespace

class TestCliDocument : public QObject
{
    Q_OBJECT

private slots:
    void pageNamesSurviveTheWire_data();
    void pageNamesSurviveTheWire();
    void readPackets_data();
    void readPackets();
    void invalidFilesAreRefused_data();
    void invalidFilesAreRefused();
    void actionIdsAreUniqueAndRoundTrip();
    void readyMadeProfilesSurviveTheKnob_data();
    void readyMadeProfilesSurviveTheKnob();
    void profileNamesToFiles_data();
    void profileNamesToFiles();
    void profileStoreLeavesOthersAlone();
};

void TestCliDocument::actionIdsAreUniqueAndRoundTrip()
{
    QList<KnobAction> all;
    for (const QStringList *names :
         {&multimediaActionNames(), &mouseActionNames(), &lightActionNames(), &procreateKeyNames()}) {
        for (const QString &n : *names) {
            all << KnobAction::named(n);
            QVERIFY2(!all.last().id().startsWith(QLatin1String("name:")), qPrintable(n));
        }
    }
    all << KnobAction::named(QStringLiteral("未知 x"));
    for (int usage = 0; usage < 256; ++usage)
        all << KnobAction::key(static_cast<unsigned char>(usage * 37), static_cast<unsigned char>(usage));
    for (int mask = 1; mask < 256; ++mask)
        all << KnobAction::modifiersAlone(static_cast<unsigned char>(mask));
    QSet<QString> ids;
    for (const KnobAction &a : all) {
        const QString id = a.id();
        QVERIFY2(!ids.contains(id) && id == QString::fromLatin1(id.toLatin1()), qPrintable(id));
        ids.insert(id);
        QCOMPARE(KnobAction::fromId(id).value_or(KnobAction()).id(), id);
    }
    QCOMPARE(KnobAction::key(0x02, 0x19).id(), QStringLiteral("key:0x19+shift"));
    for (const char *bad : {"key:0x4", "key:0x04+ctrl+ctrl", "mods:", "media:nope", "key:0x04+shift+ctrl"})
        QVERIFY2(!KnobAction::fromId(QLatin1String(bad)), bad);
}

void TestCliDocument::pageNamesSurviveTheWire_data()
{
    QTest::addColumn<bool>("mac");
    QTest::addColumn<QList<unsigned short>>("codes");
    QTest::addColumn<QStringList>("names");
    for (bool mac : {true, false}) {
        const char *layout = mac ? "mac" : "windows";
        QStringList all = combinationPageStrings();
        all += multimediaPageNames();
        all += mousePageNames();
        all += procreatePageNames();
        for (const QString &n : all) {
            QTest::addRow("%s name %s", layout, qPrintable(n))
                << mac << QList<unsigned short>{} << QStringList{n};
            // A modifier from the shortcut page applies to the key after it.
            const int type = getKeyType(n, combinationToKeyCode(n));
            if (type == ModifierOnly)
                QTest::addRow("%s name %s then A", layout, qPrintable(n))
                    << mac << QList<unsigned short>{0x04} << QStringList{n};
        }
        for (unsigned short code : keyboardPageKeyCodes(mac)) {
            const QString modifierName = modifierKeyCodeToCombination(code, mac);
            if (modifierName.isEmpty())
                QTest::addRow("%s key 0x%02x", layout, code)
                    << mac << QList<unsigned short>{code} << QStringList{};
            else
                QTest::addRow("%s modifier key 0x%02x", layout, code)
                    << mac << QList<unsigned short>{0x19} << QStringList{modifierName};
        }
    }
}

void TestCliDocument::pageNamesSurviveTheWire()
{
    QFETCH(bool, mac);
    QFETCH(QList<unsigned short>, codes);
    QFETCH(QStringList, names);
    const KnobDocument ui = uiDocument(mac, codes, names);
    QVERIFY2(!ui.keys[2].isEmpty(), qPrintable(names.join(QLatin1Char(' '))));
    const std::vector<Packet> uiWire = wireOf(ui);

    // The file of a read, written again, reads back as the same file.
    const KnobDocument read = decodeConfiguration(storedOf(uiWire), mac);
    QVERIFY(!read.keys[2].isEmpty());
    const QByteArray json = configDocumentToJson(read);
    const ConfigJsonParse parsed = configDocumentFromJson(json);
    QVERIFY2(parsed.ok, qPrintable(parsed.error + QLatin1Char('\n') + QString::fromUtf8(json)));
    QCOMPARE(parsed.document, read);
    const std::vector<Packet> again = wireOf(parsed.document);
    QCOMPARE(wireText(again), wireText(uiWire));
    QCOMPARE(configDocumentToJson(decodeConfiguration(storedOf(again), mac)), json);
}

void TestCliDocument::readPackets_data()
{
    QTest::addColumn<Packet>("packet");
    QTest::addColumn<bool>("mac");
    QTest::addColumn<QString>("actions"); // "name/delay" joined by ", "

    const auto row = [](const char *name, const char *hex, bool mac, const QString &actions) {
        QTest::newRow(name) << bytes(hex) << mac << actions;
    };
    row("Ctrl+V", "03 FD 02 01 01 00 02 | 00 00 F1 | 00 00 19", true, "Ctrl+V/0");
    row("A then B", "03 FD 04 01 01 00 02 | 00 00 04 | 01 F4 05", true, "A/0, B/500");
    row("shifted one", "03 FD 02 01 01 00 02 | 00 00 F2 | 00 00 1E", true, "!/0");
    row("Shift+A", "03 FD 02 01 01 00 02 | 00 00 F2 | 00 00 04", true, "Shift+A/0");
    row("Ctrl+Shift+1", "03 FD 02 01 01 00 03 | 00 00 F1 | 00 00 F2 | 00 00 1E", true, "Ctrl+Shift+1/0");
    row("trailing option on mac", "03 FD 02 01 01 00 01 | 00 00 F3", true, "option/0");
    row("trailing Win+ on windows", "03 FD 02 01 01 00 01 | 00 00 F4", false, "Win+/0");
    row("trailing two modifiers are kept", "03 FD 02 01 01 00 02 | 00 00 F1 | 00 00 F2", true,
        "Ctrl+Shift+/0");
    row("delay capped and defaulted", "03 FD 02 01 01 00 03 | FF FF 04 | 00 00 05 | EA 61 06", true,
        "A/60000, B/50, C/60000");
    row("keypad one keeps its code", "03 FD 02 01 01 00 01 | 00 00 59", true, "1/0");
    row("Ctrl+keypad one", "03 FD 02 01 01 00 02 | 00 00 F1 | 00 00 59", true, "Ctrl+1/0");
    row("unnamed usage", "03 FD 02 01 01 00 01 | 00 00 6C", true, "K6C/0");
    row("media back", "03 FD 02 01 02 00 02 00 00 24 02 00 02", true,
        actionFileName(QStringLiteral("网页后退")) + "/0");
    row("procreate undo", "03 FD 02 01 04 00 02 | 00 00 F4 | 00 00 1D", true,
        actionFileName(QStringLiteral("撤销")) + "/0");
    row("procreate fallback", "03 FD 02 01 04 00 02 | 00 00 F4 | 00 00 1E", false, "Win+1/0");
    row("mouse left", "03 FD 02 01 03 01 04 00 00 00 00 00 01", true,
        actionFileName(QStringLiteral("鼠标左键")) + "/0");
}

void TestCliDocument::readPackets()
{
    QFETCH(Packet, packet);
    QFETCH(bool, mac);
    QFETCH(QString, actions);
    const KnobDocument doc = decodeConfiguration({packet}, mac);
    QStringList got;
    for (const KnobAction &a : doc.keys[knobKeyIndexForCommand(packet[2]) - 1])
        got << QStringLiteral("%1/%2").arg(actionDisplayName(a, mac)).arg(a.delayMs);
    QCOMPARE(got.join(QStringLiteral(", ")), actions);
}

void TestCliDocument::invalidFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");

    const QByteArray good = fileWithKey3(R"({"name": "A", "delayMs": 0})");
    QTest::newRow("truncated") << good.left(good.size() - 20) << "invalid JSON at line 1, column";
    QTest::newRow("array") << QByteArray("[]") << "the file must hold one JSON object";
    QTest::newRow("no format") << QByteArray(R"({"layout": "mac", "keys": []})") << "format: missing";
    QTest::newRow("format 2") << QByteArray(good).replace("\"format\": 1", "\"format\": 2")
                              << "format: version 2 is not supported";
    QTest::newRow("layout") << QByteArray(good).replace("windows", "linux")
                            << "layout: \"linux\" is not a layout";
    QTest::newRow("missing key") << QByteArray(good).replace(R"({"key": 5, "actions": []})",
                                                             R"({"key": 4, "actions": []})")
                                 << "keys[4].key: physical key 4 appears twice";
    QTest::newRow("key 5 absent") << QByteArray(good).replace(R"(,{"key": 5, "actions": []})", "")
                                  << "keys: physical key 5 is missing";
    QTest::newRow("key 6") << QByteArray(good).replace("\"key\": 5", "\"key\": 6")
                           << "keys[4].key: 6 is out of range";
    const auto key3 = [](const char *name, const QByteArray &actions, const char *error,
                         const QByteArray &extra = QByteArray()) {
        QTest::newRow(name) << fileWithKey3(actions, extra) << QString::fromUtf8(error);
    };
    key3("unknown name",
         R"({"name": "A"}, {"name": "B"}, {"name": "C"}, {"name": "D"}, {"name": "Ctrl+Foo"})",
         "keys[2].actions[4] (key 3): unknown key name \"Ctrl+Foo\"");
    key3("lighting mode name", R"({"name": "LED模式1"})", "keys[2].actions[0] (key 3): unknown key name");
    QByteArray nineteen;
    for (int i = 0; i < 19; ++i)
        nineteen += QByteArray(i ? ", " : "") + R"({"name": "A", "delayMs": 50})";
    key3("19 actions", nineteen, "keys[2].actions (key 3): 19 actions, but a physical key holds at most 18");
    key3("delay below 50", R"({"name": "A"}, {"name": "B", "delayMs": 20})",
         "keys[2].actions[1].delayMs (key 3): 20 is out of range (50 to");
    key3("delay above 60000", R"({"name": "A", "delayMs": 60001})",
         "keys[2].actions[0].delayMs (key 3): 60001 is out of range (0 to");
    key3("fractional delay", R"({"name": "A", "delayMs": 1.5})",
         "keys[2].actions[0].delayMs (key 3): must be a whole number");
    key3("typo member", R"({"name": "A", "delay": 5})", "keys[2].actions[0].delay (key 3): unknown member");
    key3("no name", R"({})", "keys[2].actions[0].name (key 3): missing");
    QTest::newRow("gesture") << QByteArray(good).replace(R"({"key": 1,)", R"({"key": 1, "gesture": "press",)")
                             << "keys[0].gesture (key 1): \"press\" is not the gesture of physical key 1";
    key3("media not alone", R"({"name": "A"}, {"name": "Volume +"})",
         "keys[2].actions[1] (key 3): \"Volume +\" must be the only action");
    QByteArray longCombos;
    for (int i = 0; i < 7; ++i)
        longCombos += QByteArray(i ? ", " : "") + R"({"name": "Ctrl+Shift+A", "delayMs": 50})";
    key3("records do not fit", longCombos, "keys[2].actions (key 3): the actions need 21 key records");
    key3("code mismatch", R"({"name": "2", "code": "0x0059"})",
         "keys[2].actions[0].name (key 3): \"2\" does not match code 0x0059, which is \"1\"");
    key3("code is a prefix byte", R"({"name": "KF1", "code": "0x00F1"})",
         "keys[2].actions[0].code (key 3): \"0x00F1\" is not a key");
    const QByteArray a = R"({"name": "A"})";
    key3("colour", a, "lighting.color: \"#12345\" is not a colour",
         R"(, "lighting": {"color": "#12345", "brightness": 5, "on": true})");
    key3("brightness", a, "lighting.brightness: 101 is out of range (0 to 100)",
         R"(, "lighting": {"color": "#123456", "brightness": 101, "on": true})");
    key3("on", a, "lighting.on: must be true or false",
         R"(, "lighting": {"color": "#123456", "brightness": 1, "on": 1})");
}

void TestCliDocument::invalidFilesAreRefused()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    const ConfigJsonParse parsed = configDocumentFromJson(json);
    QVERIFY(!parsed.ok);
    QVERIFY2(parsed.error.startsWith(error), qPrintable(parsed.error));
    QVERIFY(!parsed.error.contains(QLatin1Char('\n')));
}

void TestCliDocument::readyMadeProfilesSurviveTheKnob_data()
{
    QTest::addColumn<QString>("path");
    QTemporaryDir noUserProfiles;
    QStringList applications;
    for (const ProfileEntry &e : ProfileStore(noUserProfiles.path()).list()) {
        if (e.readyMade) {
            QTest::addRow("%s", qPrintable(e.name)) << e.path;
            applications << e.application;
        }
    }
    for (const char *app : {"Krita", "GIMP", "Inkscape", "Blender", "Kdenlive", "darktable"})
        QVERIFY2(applications.contains(QLatin1String(app)), app);
}

void TestCliDocument::readyMadeProfilesSurviveTheKnob()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray json = file.readAll();
    const ConfigJsonParse parsed = configDocumentFromJson(json);
    QVERIFY2(parsed.ok, qPrintable(parsed.error));
    QVERIFY(!parsed.label.name.isEmpty() && !parsed.label.application.isEmpty());
    // Shipped as the writer writes it, so an export of it is the same file.
    QCOMPARE(QString::fromUtf8(configDocumentToJson(parsed.document, parsed.label)), QString::fromUtf8(json));

    KnobFirmware knob;
    for (int k = 0; k < 5; ++k) {
        QVERIFY2(!parsed.document.keys[k].isEmpty(), qPrintable(gestureName(k + 1)));
        int at = -1;
        QCOMPARE(keyActionsProblem(parsed.document, k + 1, &at), QString()); // the storable rules
    }
    for (const Packet &p : wireOf(parsed.document))
        knob.receive(p.data(), p.size());
    QCOMPARE(decodeConfiguration(knob.answers(), parsed.document.isMacLayout), parsed.document);
}

QTEST_GUILESS_MAIN(TestCliDocument)
#include "tst_clidocument.moc"

void TestCliDocument::profileNamesToFiles_data()
{
    QTest::addColumn<QStringList>("names"); // saved in order; the last one lands in file
    QTest::addColumn<QString>("file");
    QTest::newRow("parent") << QStringList{"../x"} << "x.json";
    QTest::newRow("dot file") << QStringList{".hidden"} << "hidden.json";
    QTest::newRow("separator") << QStringList{"a/b"} << "a-b.json";
    QTest::newRow("long") << QStringList{QString(300, QLatin1Char('k'))}
                          << QString(64, QLatin1Char('k')) + ".json";
    QTest::newRow("punctuation") << QStringList{"?!*/."} << "profile.json";
    QTest::newRow("CJK") << QStringList{"画笔 设置"} << "画笔-设置.json";
    QTest::newRow("collision") << QStringList{"a/b", "A b", "a:b"} << "a-b-3.json";
}

// Every name stays a file inside the folder, none replaces another, and the
// name the user typed is the one listed.
void TestCliDocument::profileNamesToFiles()
{
    QFETCH(QStringList, names);
    QFETCH(QString, file);
    QTemporaryDir dir;
    ProfileStore store(dir.path(), {});
    QString error;
    for (const QString &name : names)
        QVERIFY2(store.save(name, KnobDocument(), &error), qPrintable(error));
    QCOMPARE(store.find(names.last())->path, dir.filePath(file));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), names.size());
    for (const QString &name : names)
        QCOMPARE(store.find(name)->name, name); // read back from its file
}

// A file that does not parse is listed with its reason and never touched;
// a replace is a new file moved in; a folder that cannot be made is a sentence.
void TestCliDocument::profileStoreLeavesOthersAlone()
{
    QTemporaryDir dir;
    const QByteArray broken = "{\"format\": 1, \"keys\": [";
    QFile corrupt(dir.filePath("mine.json"));
    QVERIFY(corrupt.open(QIODevice::WriteOnly) && corrupt.write(broken) == broken.size());
    corrupt.close();
    ProfileStore store(dir.path(), {});
    QString error;
    QVERIFY(store.save("Mine!", KnobDocument(), &error)); // the same stem: beside it
    const QString path = store.find("Mine!")->path;
    struct stat before = {}, after = {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &before), 0);
    QVERIFY(store.save("Mine!", KnobDocument(), &error));
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &after), 0);
    QVERIFY(before.st_ino != after.st_ino);
    QVERIFY(!store.save("mine", KnobDocument(), &error) && error.contains("delete it first"));
    QVERIFY(store.rename("Mine!", "Other", &error) && store.remove("Other", &error));
    const QList<ProfileEntry> all = store.list();
    QCOMPARE(all.size(), 1);
    QVERIFY(!all.first().readable && all.first().problem.startsWith("invalid JSON"));
    QVERIFY(corrupt.open(QIODevice::ReadOnly));
    QCOMPARE(corrupt.readAll(), broken);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"mine.json"});

    // Even root cannot make a folder under a regular file.
    ProfileStore blocked(corrupt.fileName() + "/profiles", {});
    QVERIFY(!blocked.save("x", KnobDocument(), &error));
    QCOMPARE(error, "cannot create the profile folder " + corrupt.fileName() + "/profiles");
}
