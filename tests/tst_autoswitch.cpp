#include "app/MacroGUI.h"
#include "device/KnobSession.h"
#include "device/ProfileSwitcher.h"
#include "device/savereadback.h"
#include "protocol/profilestore.h"
#include "protocol/switchrules.h"
#include "ui/AutoSwitchPanel.h"
#include "ui/BackgroundTray.h"
#include "ui/KnobEditor.h"
#include "ui/MainLayoutWidget.h"
#include "ui/autostart.h"

#include "fakes/clock/ManualClock.h"
#include "fakes/focus/FakeFocusWatcher.h"
#include "support/devicetestsupport.h"

#include <QCheckBox>
#include <QDate>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

namespace {

const char16_t *const kMedia[] = {u"音量-", u"音量+", u"屏幕亮度-", u"屏幕亮度+", u"静音"};

// Gesture k holds media action shift + k - 1 (wrapping), so two shifts differ on every gesture.
KnobDocument mediaDocument(int shift, int changedKeys = 5)
{
    KnobDocument d;
    for (int k = 1; k <= kKnobKeyCount; ++k)
        d.keys[k - 1] = {
            KnobAction::named(QString::fromUtf16(kMedia[(k - 1 + (k <= changedKeys ? shift : 0)) % 5]))};
    return d;
}

std::vector<Packet> wireSince(double ms)
{
    std::vector<Packet> out;
    for (const hidsim::WriteRecord &r : writesSince(ms, false))
        out.push_back(r.bytes);
    return out;
}

struct Rig
{
    QTemporaryDir dir;
    ProfileSwitcherPaths paths;
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    KnobSession session;
    FakeFocusWatcher desktop;
    std::unique_ptr<ProfileSwitcher> switcher;

    // The knob holds mediaDocument(0); profile "Pn" is mediaDocument(1, n).
    bool start(int limit, int writesToday = 0, MacroGUI *window = nullptr)
    {
        paths.rules = dir.filePath(QStringLiteral("rules.json"));
        paths.writeCounter = dir.filePath(QStringLiteral("writes.json"));
        paths.profiles = dir.filePath(QStringLiteral("profiles"));
        paths.readyMade = {dir.filePath(QStringLiteral("none"))};
        paths.watchRules = false;
        ProfileStore store(paths.profiles, paths.readyMade);
        SwitchRules rules;
        QString error;
        for (int n = 0; n <= 5; ++n) {
            if (!store.save(QStringLiteral("P%1").arg(n), n ? mediaDocument(1, n) : mediaDocument(0), &error))
                return false;
            rules.bindings.insert(QStringLiteral("app.p%1").arg(n), QStringLiteral("P%1").arg(n));
        }
        rules.enabled = true;
        rules.dailyLimit = limit;
        SwitchWriteCounter counter(paths.writeCounter);
        for (int i = 0; i < writesToday; ++i)
            counter.add(QDate::currentDate(), &error);
        if (!rules.save(paths.rules, &error))
            return false;
        resetWithKnob();
        if (!connectAndReadSession(session))
            return false;
        switcher = std::make_unique<ProfileSwitcher>(&session, clock, paths);
        QObject::connect(&desktop, &FocusWatcher::focusChanged, switcher.get(),
                         &ProfileSwitcher::focusChanged);
        if (window)
            window->setAutoSwitching(switcher.get(), &desktop);
        QSignalSpy saved(&session, &KnobSession::saveFinished);
        return session.save(mediaDocument(0)) && QTest::qWaitFor([&] { return !saved.isEmpty(); }, 15000);
    }
};

} // namespace

class TestAutoSwitch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toUtf8());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toUtf8());
    }

    void trayMenu()
    {
        QString error;
        QVERIFY(ProfileStore().save(QStringLiteral("Painting"), mediaDocument(1), &error));
        KnobSession session;
        ProfileSwitcher switcher(&session, std::make_shared<ManualClock>());
        BackgroundTray tray(&switcher);
        QStringList texts;
        for (QAction *a : tray.menu()->actions())
            texts << (a->isSeparator() && a->text().isEmpty() ? QStringLiteral("-") : a->text());
        // Ready-made profiles may come before the user's own.
        QCOMPARE(texts.first(), QStringLiteral("Profiles"));
        QCOMPARE(texts.mid(texts.size() - 6),
                 (QStringList{QStringLiteral("Painting"), QStringLiteral("-"),
                              QStringLiteral("Pause switching"), QStringLiteral("Automatic switching…"),
                              QStringLiteral("Open"), QStringLiteral("Quit")}));
        tray.menu()->actions().at(texts.size() - 4)->trigger();
        QVERIFY(switcher.isPaused());
        QSignalSpy quit(&tray, &BackgroundTray::quitRequested);
        tray.menu()->actions().last()->trigger();
        QCOMPARE(quit.size(), 1);
    }

    // Where the desktop does not say, the switch never looks on.
    void panelTellsTheDesktopsState_data()
    {
        QTest::addColumn<bool>("answering");
        QTest::newRow("answering") << true;
        QTest::newRow("unavailable") << false;
    }
    void panelTellsTheDesktopsState()
    {
        QFETCH(bool, answering);
        KnobSession session;
        ProfileSwitcher switcher(&session, std::make_shared<ManualClock>());
        QString error;
        QVERIFY(switcher.setEnabled(true, &error));
        FakeFocusWatcher desktop(answering ? FocusWatcher::State::Answering
                                           : FocusWatcher::State::Unavailable);
        QWidget window;
        window.resize(1280, 720);
        AutoSwitchPanel *panel = AutoSwitchPanel::open(&window, &switcher, &desktop);
        auto *toggle = panel->findChild<QCheckBox *>(QStringLiteral("autoSwitchToggle"));
        QCOMPARE(toggle->isEnabled(), answering);
        QCOMPARE(toggle->isChecked(), answering);
        QCOMPARE(panel->findChild<QLabel *>(QStringLiteral("autoSwitchState"))
                     ->text()
                     .contains(QStringLiteral("no desktop")),
                 !answering);
        QVERIFY(switcher.setEnabled(false, &error));
    }

    void autostartEntry_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::newRow("plain") << QString();
        QTest::newRow("blanks, dollar, percent") << QStringLiteral("/opt/my apps/$v%1/veltranix");
    }
    void autostartEntry()
    {
        QFETCH(QString, executable);
        QString error;
        QVERIFY2(Autostart::set(true, &error), qPrintable(error));
        QVERIFY(Autostart::isOn());
        if (!executable.isEmpty()) {
            QFile file(Autostart::entryPath());
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(Autostart::entryText(executable).toUtf8());
        }
        QProcess validate;
        validate.start(QStringLiteral("desktop-file-validate"), {Autostart::entryPath()});
        QVERIFY(validate.waitForFinished(10000));
        QCOMPARE(validate.readAll() + validate.readAllStandardError(), QByteArray());
        QCOMPARE(validate.exitCode(), 0);
        QVERIFY(Autostart::set(false, &error));
        QVERIFY(!QFile::exists(Autostart::entryPath()));
    }

    void switchWritesOnlyWhatDiffers_data()
    {
        QTest::addColumn<int>("profile");
        QTest::addColumn<bool>("held");
        QTest::addColumn<int>("writesToday");
        QTest::addColumn<int>("changedKeys"); // 0: nothing written
        QTest::newRow("one changed gesture") << 1 << false << 0 << 1;
        QTest::newRow("five changed gestures") << 5 << false << 0 << 5;
        QTest::newRow("identical profile") << 0 << false << 0 << 0;
        QTest::newRow("daily limit reached") << 1 << false << 3 << 0;
        QTest::newRow("unsaved edits hold it") << 1 << true << 0 << 0;
    }
    void switchWritesOnlyWhatDiffers()
    {
        QFETCH(int, profile);
        QFETCH(bool, held);
        QFETCH(int, writesToday);
        QFETCH(int, changedKeys);
        Rig rig;
        QVERIFY(rig.start(3, writesToday));
        rig.switcher->setHeld(held);
        QSignalSpy switched(rig.switcher.get(), &ProfileSwitcher::switched);
        QSignalSpy limit(rig.switcher.get(), &ProfileSwitcher::limitReached);
        QSignalSpy checked(&rig.session, &KnobSession::saveChecked);
        const QString name = QStringLiteral("P%1").arg(profile);
        const QString app = QStringLiteral("app.p%1").arg(profile);
        if (changedKeys)
            QTest::ignoreMessage(QtInfoMsg,
                                 qPrintable(QStringLiteral("配置文件切换: %1 (%2)").arg(name, app)));
        const double start = hidsim::nowMs();
        rig.desktop.bring(app);
        rig.clock->advance(999);
        QVERIFY(!rig.session.isSaveRunning());
        rig.clock->advance(1);
        QTest::qWait(300);
        QCOMPARE(limit.size(), writesToday >= 3 ? 1 : 0);
        if (changedKeys) {
            QTRY_COMPARE_WITH_TIMEOUT(switched.size(), 1, 15000);
            // The changed gestures only, each followed by its end packet.
            KnobDocument partial = mediaDocument(1, changedKeys);
            for (int k = changedKeys + 1; k <= kKnobKeyCount; ++k)
                partial.keys[k - 1].clear();
            QCOMPARE(wireSince(start), documentWriteReports(partial));
            QCOMPARE(rig.switcher->writesToday(), 1);
            QCOMPARE(compareReadBack(mediaDocument(1, changedKeys),
                                     checked.at(0).at(0).value<SaveOutcome>().document)
                         .matches(),
                     true);
        } else {
            QVERIFY(checked.isEmpty());
            QVERIFY(wireSince(start).empty());
        }
        if (held) {
            QTest::ignoreMessage(QtInfoMsg,
                                 qPrintable(QStringLiteral("配置文件切换: %1 (%2)").arg(name, app)));
            rig.switcher->setHeld(false);
            QTRY_COMPARE_WITH_TIMEOUT(switched.size(), 1, 15000);
        }
    }

    void flickingWritesAtMostOnce()
    {
        Rig rig;
        QVERIFY(rig.start(300));
        QSignalSpy checked(&rig.session, &KnobSession::saveChecked);
        for (int i = 0; i < 10; ++i) {
            rig.desktop.bring(QStringLiteral("app.p%1").arg(i % 2 ? 5 : 1));
            rig.clock->advance(50);
        }
        QTest::qWait(200);
        QVERIFY(checked.isEmpty());
        QTest::ignoreMessage(QtInfoMsg, "配置文件切换: P5 (app.p5)");
        rig.clock->advance(1000);
        QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 1, 15000);
        QTest::qWait(300);
        QCOMPARE(checked.size(), 1);
        QCOMPARE(rig.switcher->activeProfile(), QStringLiteral("P5"));
        QCOMPARE(rig.switcher->recentApps().size(), 2);
    }

    // The window's unsaved edit holds the switch; once it is gone the switch
    // goes through, the window shows what the knob took without a notice, and
    // closing the window leaves the program running.
    void windowHoldsAndTakesTheSwitch()
    {
        Rig rig;
        MacroGUI window(&rig.session);
        QVERIFY(rig.start(300, 0, &window));
        KnobEditor *editor = window.mainLayoutWidget()->editor();
        auto *toastTitle = window.findChild<QLabel *>(QStringLiteral("toastTitle"));
        toastTitle->clear(); // the rig's own save
        QVERIFY(editor->addName(1, QString::fromUtf16(kMedia[3])).changed);
        QSignalSpy checked(&rig.session, &KnobSession::saveChecked);
        rig.desktop.bring(QStringLiteral("app.p5"));
        rig.clock->advance(1000);
        QTest::qWait(300);
        QVERIFY(checked.isEmpty());
        QTest::ignoreMessage(QtInfoMsg, "配置文件切换: P5 (app.p5)");
        editor->undoStack()->undo();
        QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 1, 15000);
        QCOMPARE(editor->document().keys, checked.at(0).at(0).value<SaveOutcome>().document.keys);
        QVERIFY(!editor->hasUnsavedEdits());
        QCOMPARE(toastTitle->text(), QString());
        window.show();
        QVERIFY(!window.close());
        QString error;
        QVERIFY(rig.switcher->setEnabled(false, &error));
        QVERIFY(window.close());
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(TestAutoSwitch)
#include "tst_autoswitch.moc"
