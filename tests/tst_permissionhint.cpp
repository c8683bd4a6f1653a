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
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("visible");      // '1'/'0' after each step
        QTest::addColumn<QString>("changed");      // '1' where the window must update
        QTest::addColumn<QStringList>("warnings"); // nodes named, in order
        QTest::newRow("one streak, one line") << "D1D1D1"
                                              << "111"
                                              << "100" << QStringList{"/dev/hidraw1"};
        QTest::newRow("gone on connect") << "D1D1C"
                                         << "110"
                                         << "101" << QStringList{"/dev/hidraw1"};
        QTest::newRow("gone on unplug, new streak on replug")
            << "D1ND2"
            << "101"
            << "111" << QStringList{"/dev/hidraw1", "/dev/hidraw2"};
        QTest::newRow("another node in the same streak is not logged again")
            << "D1D2"
            << "11"
            << "10" << QStringList{"/dev/hidraw1"};
        QTest::newRow("bluetooth link ends it") << "D3B"
                                                << "10"
                                                << "11" << QStringList{"/dev/hidraw3"};
        QTest::newRow("nothing to say") << "NNCN"
                                        << "0000"
                                        << "0000" << QStringList{};
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
