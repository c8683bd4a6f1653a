// Plugging the knob in: a udev event for one of its hidraw nodes starts a scan
// at once; events of other devices do not; without udev the presence timer
// still finds it.
#include "device/KnobSession.h"
#include "device/UdevMonitor.h"
#include "tests/fakes/hidsim/hidsim.h"

#include <QSignalSpy>
#include <QTest>

class TestHotplug : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { hidsim::reset(); }
    void cleanup() { QCOMPARE(hidsim::openHandleCount(), 0); }

    void udevEventScansAtOnce_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("subsystem");
        QTest::addColumn<QString>("hidId");
        QTest::addColumn<bool>("scans");
        QTest::newRow("knob added") << "add"
                                    << "hidraw"
                                    << "0003:000005AC:0000022C" << true;
        QTest::newRow("receiver ids") << "add"
                                      << "hidraw"
                                      << "0003:0000514C:00008850" << true;
        QTest::newRow("knob removed") << "remove"
                                      << "hidraw"
                                      << "0003:05AC:022C.0004" << true;
        QTest::newRow("another device") << "add"
                                        << "hidraw"
                                        << "0003:0000046D:0000C52B" << false;
        QTest::newRow("not a hidraw node") << "add"
                                           << "input"
                                           << "0003:000005AC:0000022C" << false;
        QTest::newRow("changed, not added") << "change"
                                            << "hidraw"
                                            << "0003:000005AC:0000022C" << false;
    }

    void udevEventScansAtOnce()
    {
        QFETCH(QString, action);
        QFETCH(QString, subsystem);
        QFETCH(QString, hidId);
        QFETCH(bool, scans);
        hidsim::addDevice(hidsim::knobDevice());
        // Not started: no presence timer, so only the event can start a scan.
        KnobSession session;
        auto *monitor = session.findChild<UdevMonitor *>();
        QVERIFY(monitor);
        monitor->setSettleInterval(0);
        QSignalSpy link(&session, &KnobSession::connectionChanged);
        monitor->handleEvent(action, subsystem, hidId);
        if (scans)
            QVERIFY(link.wait(5000));
        else
            QTest::qWait(300);
        QCOMPARE(session.isConnected(), scans);
        QCOMPARE(hidsim::enumerateCount() > 0, scans);
        session.shutdown();
    }

    // No udev at all: the presence timer's idle scan finds the knob on its own.
    void timerAloneFindsTheKnob()
    {
        KnobSession session;
        session.start();
        QSignalSpy link(&session, &KnobSession::connectionChanged);
        QTest::qWait(300);
        hidsim::addDevice(hidsim::knobDevice());
        QVERIFY(link.wait(5000));
        QVERIFY(session.isConnected());
        session.shutdown();
    }
};

QTEST_GUILESS_MAIN(TestHotplug)
#include "tst_hotplug.moc"
