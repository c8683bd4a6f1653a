// The report descriptor parser behind the udev helper, with descriptors shaped
// as devices send them, and the helper itself on sysfs trees in a temporary
// folder: which interface of 05ac:022c the rules end up granting.

#include "hidvendor/hiddescriptor.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestHidDescriptor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void descriptors_data();
    void descriptors();
    void rulesGrantWhatTheHelperSets();
};

void TestHidDescriptor::descriptors_data()
{
    QTest::addColumn<QByteArray>("descriptor"); // hex; null: the sysfs file is missing
    QTest::addColumn<QString>("topLevel");      // page:usage of each, "!" when not complete
    QTest::addColumn<QString>("granted");       // what the helper prints after the "="
    const auto row = [](const char *name, const char *hex, const char *top, const char *granted) {
        QTest::newRow(name) << (hex ? QByteArray::fromHex(hex) : QByteArray()) << top << granted;
    };
    row("boot keyboard",
        "05 01 09 06 A1 01 05 07 19 E0 29 E7 15 00 25 01 75 01 95 08 81 02 95 01 75 08 81 01 95 05 75 01 05 "
        "08 "
        "19 01 29 05 91 02 95 01 75 03 91 01 95 06 75 08 15 00 25 65 05 07 19 00 29 65 81 00 C0",
        "0001:0006", "");
    row("consumer control", "05 0C 09 01 A1 01 85 02 15 00 26 FF 03 19 00 2A FF 03 75 10 95 01 81 00 C0",
        "000C:0001", "");
    row("vendor, two-byte page", "06 00 FF 09 01 A1 01 15 00 26 FF 00 75 08 95 40 81 02 09 01 91 02 C0",
        "FF00:0001", "FF00");
    row("one-byte page 0xFF is no vendor page", "05 FF 09 01 A1 01 C0", "00FF:0001", "");
    row("four-byte page", "07 A0 FF 00 00 09 01 A1 01 C0", "FFA0:0001", "FFA0");
    row("extended usage names its page", "05 01 0B 02 00 FF FF A1 01 C0", "FFFF:0002", "FFFF");
    row("vendor after consumer", "05 0C 09 01 A1 01 C0 06 01 FF 09 02 09 03 A1 01 C0", "000C:0001 FF01:0002",
        "FF01");
    row("keyboard beside vendor", "05 01 09 06 A1 01 C0 06 00 FF 09 01 A1 01 C0", "0001:0006 FF00:0001", "");
    row("nested vendor does not count", "05 01 09 02 A1 01 09 01 A1 00 06 00 FF 09 01 A1 02 C0 C0 C0",
        "0001:0002", "");
    row("usage spent by an input", "05 01 09 06 81 02 06 00 FF A1 01 C0", "FF00:0000", "FF00");
    row("long item skipped whole", "FE 02 10 A1 01 06 00 FF 09 01 A1 01 C0", "FF00:0001", "FF00");
    row("pop restores the page", "06 00 FF A4 05 01 B4 09 01 A1 01 C0", "FF00:0001", "FF00");
    row("pop without push", "06 00 FF B4 09 01 A1 01 C0", "!", "");
    row("truncated item", "06 00", "!", "");
    row("collection never closed", "06 00 FF 09 01 A1 01 75 08", "FF00:0001 !", "");
    row("truncated long item", "06 00 FF 09 01 A1 01 C0 FE 05 10 AA", "FF00:0001 !", "");
    row("end without collection", "C0 06 00 FF 09 01 A1 01 C0", "!", "");
    row("no descriptor file", nullptr, "", "");
}

void TestHidDescriptor::descriptors()
{
    QFETCH(QByteArray, descriptor);
    QFETCH(QString, topLevel);
    QFETCH(QString, granted);

    const HidDescriptorSummary summary =
        parseHidDescriptor(reinterpret_cast<const std::uint8_t *>(descriptor.constData()), descriptor.size());
    QStringList seen;
    for (const HidCollectionUsage &c : summary.topLevel)
        seen << QString::asprintf("%04X:%04X", c.usagePage, c.usage);
    if (!summary.complete)
        seen << "!";
    if (!descriptor.isNull())
        QCOMPARE(seen.join(' '), topLevel);

    // The helper as udev runs it: the node's sysfs folder as its argument.
    QTemporaryDir sys;
    QVERIFY(QDir(sys.path()).mkpath("hidraw3/device"));
    QFile file(sys.path() + "/hidraw3/device/report_descriptor");
    QVERIFY(descriptor.isNull() ||
            (file.open(QIODevice::WriteOnly) && file.write(descriptor) == descriptor.size()));
    file.close();
    QProcess helper;
    helper.start(VX_HIDVENDOR_PATH, {sys.path() + "/hidraw3"});
    QVERIFY(helper.waitForFinished(10000));
    QCOMPARE(helper.exitCode(), descriptor.isNull() ? 1 : 0);
    QCOMPARE(QString::fromLatin1(helper.readAllStandardOutput()),
             granted.isEmpty() ? QString() : "VX_HID_VENDOR_PAGE=" + granted + "\n");
}

// udev cannot run in a container: the one USB grant of 05ac:022c waits for
// the property the helper sets, and the helper is run by its installed path.
void TestHidDescriptor::rulesGrantWhatTheHelperSets()
{
    QFile file(VX_RULES_FILE);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString rules = QString::fromUtf8(file.readAll());
    QVERIFY(
        rules.contains(R"(ENV{VX_KNOB_IDS}=="1", IMPORT{program}="/usr/libexec/veltranix/hidvendor %S%p")"));
    QCOMPARE(rules.count(QRegularExpression(R"(^[^#\n]*VX_KNOB_IDS}=="1".*uaccess)",
                                            QRegularExpression::MultilineOption)),
             1);
    QVERIFY(rules.contains(R"(ENV{VX_KNOB_IDS}=="1", ENV{VX_HID_VENDOR_PAGE}=="?*", TAG+="uaccess")"));
}

QTEST_GUILESS_MAIN(TestHidDescriptor)
#include "tst_hiddescriptor.moc"
