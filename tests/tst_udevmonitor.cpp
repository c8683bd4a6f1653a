// Which udev events make the program scan at once, without a real udev, and
// the session scanning on them.
#include "device/KnobSession.h"
#include "device/UdevMonitor.h"
#include "tests/fakes/hidsim/hidsim.h"

#include <QSignalSpy>
#include <QTest>

class TestUdevMonitor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eventFilter_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("subsystem");
        QTest::addColumn<QString>("hidId");
        QTest::addColumn<bool>("concerns");
        const char *usb = "0003:000005AC:0000022C";
        const struct
        {
            const char *name, *action, *subsystem, *hidId;
            bool concerns;
        } rows[] = {
            {"usb remove", "remove", "hidraw", usb, true},
            {"second pair", "add", "hidraw", "0003:0000514C:00008850", true},
            {"lower-case hex", "add", "hidraw", "0003:000005ac:0000022c", true},
            {"bluetooth, sysfs name", "add", "hidraw", "0005:05AC:022C.0007", true},
            {"usb, sysfs name, 5-digit instance", "remove", "hidraw", "0003:514C:8850.1000A", true},
            {"change is not a plug", "change", "hidraw", usb, false},
            {"input node of the knob", "add", "input", usb, false},
            {"hid parent itself", "add", "hid", usb, false},
            {"other product, same vendor", "add", "hidraw", "0003:000005AC:0000022D", false},
            {"pairs not crossed", "add", "hidraw", "0003:000005AC:00008850", false},
            {"ids swapped", "add", "hidraw", "0003:0000022C:000005AC", false},
            {"no id", "add", "hidraw", "", false},
            {"garbage", "add", "hidraw", "0003:zz:0000022C", false},
            {"too many fields", "add", "hidraw", "0003:05AC:022C:0001", false},
            {"overlong field", "add", "hidraw", "0003:1000005AC:0000022C", false},
            {"case of action", "ADD", "hidraw", usb, false},
        };
        for (const auto &r : rows)
            QTest::newRow(r.name) << QString::fromLatin1(r.action) << QString::fromLatin1(r.subsystem)
                                  << QString::fromLatin1(r.hidId) << r.concerns;
    }
    void eventFilter()
    {
        QFETCH(QString, action);
        QFETCH(QString, subsystem);
        QFETCH(QString, hidId);
        QFETCH(bool, concerns);
        QCOMPARE(udevEventConcernsKnob(action, subsystem, hidId), concerns);
    }

    // One plug-in brings a node per interface: one scan, after the last.
    void burstGivesOneSignal_data()
    {
        QTest::addColumn<QStringList>("events"); // action,subsystem,hidId
        QTest::addColumn<int>("expected");
        QTest::newRow("three interfaces")
            << QStringList{"add,hidraw,0003:05AC:022C.0001", "add,hidraw,0003:05AC:022C.0002",
                           "add,hidraw,0003:05AC:022C.0003"}
            << 1;
        QTest::newRow("someone else's keyboard")
            << QStringList{"add,hidraw,0003:046D:C31C.0005", "add,input,0003:05AC:022C.0001"} << 0;
        QTest::newRow("mixed") << QStringList{"add,hidraw,0003:046D:C31C.0005",
                                              "add,hidraw,0005:05AC:022C.0006"}
                               << 1;
    }
    void burstGivesOneSignal()
    {
        QFETCH(QStringList, events);
        QFETCH(int, expected);
        UdevMonitor monitor;
        monitor.setSettleInterval(20);
        QSignalSpy spy(&monitor, &UdevMonitor::knobDeviceChanged);
        for (const QString &e : events) {
            const QStringList f = e.split(QLatin1Char(','));
            monitor.handleEvent(f[0], f[1], f[2]);
        }
        QCOMPARE(spy.count(), 0); // never synchronously: the caller may be mid-scan
        if (expected > 0)
            QVERIFY(spy.wait(5000));
        else
            QTest::qWait(100);
        QTest::qWait(60); // no second signal trails the first
        QCOMPARE(spy.count(), expected);
    }

    // Without udev (as in a container) the caller keeps its timer; with one
    // the monitor must be watching a socket.
    void startReportsAvailability()
    {
        UdevMonitor monitor;
        const bool started = monitor.start();
        QCOMPARE(monitor.isAvailable(), started);
        QCOMPARE(monitor.start(), started); // idempotent
    }

    // Not started: no presence timer, so only the event can start a scan.
    void sessionScansOnTheEvent_data()
    {
        QTest::addColumn<QString>("hidId");
        QTest::addColumn<bool>("scans");
        QTest::newRow("knob added") << "0003:000005AC:0000022C" << true;
        QTest::newRow("another device") << "0003:0000046D:0000C52B" << false;
    }
    void sessionScansOnTheEvent()
    {
        QFETCH(QString, hidId);
        QFETCH(bool, scans);
        hidsim::reset();
        hidsim::addDevice(hidsim::knobDevice());
        KnobSession session;
        auto *monitor = session.findChild<UdevMonitor *>();
        QVERIFY(monitor);
        monitor->setSettleInterval(0);
        QSignalSpy link(&session, &KnobSession::connectionChanged);
        monitor->handleEvent(QStringLiteral("add"), QStringLiteral("hidraw"), hidId);
        if (scans)
            QVERIFY(link.wait(5000));
        else
            QTest::qWait(300);
        QCOMPARE(session.isConnected(), scans);
        QCOMPARE(hidsim::enumerateCount() > 0, scans);
        session.shutdown();
        QCOMPARE(hidsim::openHandleCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestUdevMonitor)
#include "tst_udevmonitor.moc"
