// When the window shows the "no permission" hint and how often the log names
// the refused node.
#include "device/PermissionHint.h"
#include "device/hidscan.h"
#include "protocol/uitext.h"
#include "tests/fakes/hidsim/hidsim.h"

#include <QTest>

namespace {

QStringList g_warnings;

void recordWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtWarningMsg)
        g_warnings.append(message);
}

} // namespace

class TestPermissionHint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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

QTEST_APPLESS_MAIN(TestPermissionHint)
#include "tst_permissionhint.moc"
