// The main window through its real widgets, with a knob session against the
// simulated device: geometry at three sizes, the two looks, editing the knob
// document from the pages, save, reset, lighting, and the tab and layout slides.
#include "app/MacroGUI.h"
#include "device/KnobSession.h"
#include "device/handover.h"
#include "device/packetutil.h"
#include "protocol/knobdocument.h"
#include "protocol/packets.h"
#include "protocol/profilestore.h"
#include "support/configtestsupport.h"
#include "support/devicetestsupport.h"
#include "support/packetbytes.h"
#include "ui/ConfiguratorService.h"
#include "ui/GestureSelection.h"
#include "ui/KnobArea.h"
#include "ui/TabBar.h"
#include "ui/pages/CombinationWidget.h"
#include "ui/pages/DebugWidget.h"
#include "ui/pages/DelayWidget.h"
#include "ui/pages/KeyboardWidget.h"
#include "ui/pages/MouseWidget.h"
#include "ui/pages/MultimediaWidget.h"
#include "ui/pages/PaintedButton.h"
#include "ui/pages/ProcreateWidget.h"
#include "ui/pages/pagevocabulary.h"
#include "ui/uitext.h"

#include <QAccessible>
#include <QApplication>
#include <QDBusPendingCallWatcher>
#include <QDir>
#include <QFile>
#include <QFocusFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QUndoStack>

#include <memory>

// What the tests reach beyond the window's own API: its pieces and pages, found by type.
struct A
{
    static void setSelectedKnobKey(MainLayoutWidget &w, int k)
    {
        w.findChild<GestureSelection *>()->select(k);
    }
    static KeyboardWidget *keyboard(const MainLayoutWidget &w) { return w.findChild<KeyboardWidget *>(); }
    static void key(const MainLayoutWidget &w, uint16_t code) { emit keyboard(w)->keyClicked(code); }
    static TabBar *tabs(const MainLayoutWidget &w) { return w.findChild<TabBar *>(); }
    // Opens tab i, whose page is built then, once the slide has ended.
    template <typename Page> static Page *page(const MainLayoutWidget &w, int i)
    {
        emit tabs(w)->tabPressed(i);
        return QTest::qWaitFor([&w] { return !knobview::pageSliding(w); }) ? w.findChild<Page *>() : nullptr;
    }
};
namespace M = knobview;

namespace {

template <typename T = QWidget> T *child(const MainLayoutWidget &w, const QString &name)
{
    return w.findChild<T *>(name);
}

QString toastTitle(const MainLayoutWidget &w)
{
    return child<QLabel>(w, QStringLiteral("toastTitle"))->text();
}

// Closes the next modal box and records its text, so a warning cannot block.
void closeNextModal(QString *text)
{
    QTimer::singleShot(50, [text] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            if (auto *label = modal->findChild<QLabel *>(QStringLiteral("qt_msgbox_label")))
                *text = label->text();
            modal->close();
        } else {
            closeNextModal(text);
        }
    });
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    int m_device = -1;
    std::unique_ptr<KnobSession> m_session;
    std::unique_ptr<MainLayoutWidget> m_window;

    // A window on a session that is not started: no timers, no device traffic.
    MainLayoutWidget &window(const QSize &size = QSize(1920, 1080))
    {
        m_session = std::make_unique<KnobSession>();
        m_window = std::make_unique<MainLayoutWidget>(m_session.get());
        m_window->resize(size);
        m_window->show();
        return *m_window;
    }

    // Connected on a running session, with the configuration read finished.
    MainLayoutWidget &connectedWindow()
    {
        MainLayoutWidget &w = window();
        m_session->start();
        if (!connectAndReadSession(*m_session))
            qFatal("the window did not connect to the simulated knob");
        return w;
    }

    void select(MainLayoutWidget &w, int k)
    {
        QTest::mouseClick(child(w, QStringLiteral("knobKeyLabel%1").arg(k)), Qt::LeftButton);
    }

private Q_SLOTS:
    void init() { m_device = resetWithKnob(); }

    void cleanup()
    {
        m_window.reset();
        m_session.reset();
        QCOMPARE(hidsim::openHandleCount(), 0);
    }

    // Over Bluetooth the status row names the link and the battery level; a
    // low level is told once per connection.
    void bluetoothBatteryLevel()
    {
        QTemporaryDir dir;
        QFile script(dir.filePath(QStringLiteral("script")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        const char *knob =
            R"(line {"type":"knob","address":"AA:BB:CC:DD:EE:FF","connected":true,"battery":%1})";
        script.write(QStringLiteral("[watch]\n%1\nsleep 1000\n%2\nsleep 60000\n")
                         .arg(QString::fromLatin1(knob).arg(12), QString::fromLatin1(knob).arg(9))
                         .toUtf8());
        script.close();
        qputenv("VX_FAKE_BLE_SCRIPT", script.fileName().toLocal8Bit());
        const auto unset = qScopeGuard([] { qunsetenv("VX_FAKE_BLE_SCRIPT"); });
        QFile::link(QStringLiteral(VX_FAKE_BLE_HELPER_PATH), dir.filePath(QStringLiteral("ble_helper")));
        hidsim::reset();
        hidsim::DeviceConfig config = hidsim::knobDevice();
        for (hidsim::InterfaceConfig &i : config.interfaces)
            i.busType = 2; // the kernel's node of a paired knob
        hidsim::addDevice(config);
        MainLayoutWidget &w = window();
        m_session->setBluetoothHelperDirectory(dir.path());
        m_session->start();
        QVERIFY(connectAndReadSession(*m_session));
        auto *link = child<QLabel>(w, QStringLiteral("linkText"));
        QVERIFY(QTest::qWaitFor([&] { return link->text() == QStringLiteral("Bluetooth · 12 %"); }, 5000));
        QCOMPARE(toastTitle(w), QStringLiteral("Low battery"));
        child<QLabel>(w, QStringLiteral("toastTitle"))->clear();
        QVERIFY(QTest::qWaitFor([&] { return link->text() == QStringLiteral("Bluetooth · 9 %"); }, 5000));
        QCOMPARE(toastTitle(w), QString());
        QVERIFY(link->isVisible());
    }

    // Ten Escape clicks show the eighth tab, leaving the gesture as it was.
    // A raw report typed on its page goes out as 65 bytes, an
    // assignment-class one with the selected gesture's compatibility copy; a
    // read request shows the stored answers in order. Its exit button removes
    // the tab and returns to the first. A window closed while the read-back
    // listens touches no handle after its close.
    void debugTab()
    {
        MainLayoutWidget &w = connectedWindow();
        hidsim::preloadAssignment(m_device, 1, bytes("03 FD 02 01 01 00 01 00 00 04"));
        select(w, 2);
        A::key(w, 0x04);
        for (int i = 0; i < 9; ++i)
            A::key(w, 0x29);
        QVERIFY(!A::tabs(w)->isDebugTabVisible());
        QCOMPARE(A::tabs(w)->count(), 7);
        A::key(w, 0x29);
        QVERIFY(A::tabs(w)->isDebugTabVisible());
        QCOMPARE(M::ids(w, 2), QStringList{"key:0x04"});
        QCOMPARE(A::tabs(w)->count(), 8);
        QCOMPARE(toastTitle(w), QStringLiteral("Debug Mode"));
        auto *page = A::page<DebugWidget>(w, 7);
        QVERIFY(page);
        QCOMPARE(A::tabs(w)->currentIndex(), 7);
        // What went out for the typed text, the presence probe aside, once the log shows `end`.
        const auto send = [page](const char *typed, const QString &end) {
            const double start = hidsim::nowMs();
            page->inputLine()->setText(QString::fromLatin1(typed));
            QTest::keyClick(page->inputLine(), Qt::Key_Return);
            std::vector<Packet> sent;
            if (QTest::qWaitFor([&] { return page->logView()->toPlainText().contains(end); }, 10000))
                for (const hidsim::WriteRecord &r : writesSince(start))
                    if (r.bytes != buildAssignmentEndPacket())
                        sent.push_back(r.bytes);
            return sent;
        };
        const Packet assignment = bytes("03 FD 02 01", 65);
        Packet copy = assignment;
        copy[2] = compatibilityCommandCode(2);
        QCOMPARE(send("03FD0201", QStringLiteral("No response reports received")),
                 (std::vector<Packet>{assignment, copy}));
        const QString summary = QStringLiteral("Response reports received: ");
        QCOMPARE(send("03 FF", summary), std::vector<Packet>{bytes("03 FF", 65)});
        const QString log = page->logView()->toPlainText();
        QVERIFY(log.indexOf(QStringLiteral("#1")) < log.indexOf(QStringLiteral("#2")));
        child<QPushButton>(w, QStringLiteral("debugExitButton"))->click();
        QVERIFY(!A::tabs(w)->isDebugTabVisible());
        QCOMPARE(A::tabs(w)->currentIndex(), 0);
        QVERIFY(child(w, QStringLiteral("tabItem7"))->isHidden());

        hidsim::FirmwareOptions slow = hidsim::firmwareOptions(m_device);
        slow.firstAnswerDelayMs = 300;
        hidsim::setFirmwareOptions(m_device, slow);
        const int asked = hidsim::readRequestCount(m_device);
        page->inputLine()->setText(QStringLiteral("03 FF"));
        QTest::keyClick(page->inputLine(), Qt::Key_Return);
        QTRY_VERIFY(hidsim::readRequestCount(m_device) > asked); // the page works on with its tab gone
        m_window.reset();
        QTest::qWait(500);
        m_session->shutdown();
        QCOMPARE(hidsim::closedHandleCalls(), 0);
    }

    // Without a mouse: every gesture, tab and page control has a name and a
    // role, Tab walks the gestures, Space picks one and a key, Ctrl+S saves.
    void keyboardAndAccessibility()
    {
        MainLayoutWidget &w = connectedWindow();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const auto face = [](QWidget *o) { return QAccessible::queryAccessibleInterface(o); };
        const auto gesture = [&w](int k) { return child(w, QStringLiteral("knobKeyLabel%1").arg(k)); };
        const QStringList gestures = {QString(),
                                      QStringLiteral("Turn left"),
                                      QStringLiteral("Turn right"),
                                      QStringLiteral("Press and turn left"),
                                      QStringLiteral("Press and turn right"),
                                      QStringLiteral("Press")};
        child(w, QStringLiteral("saveButton"))->setFocus(Qt::TabFocusReason);
        for (int k = 1; k <= 5; ++k) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), gesture(k));
            QCOMPARE(face(gesture(k))->role(), QAccessible::Button);
            QCOMPARE(face(gesture(k))->text(QAccessible::Name), gestures[k] + QStringLiteral(": empty"));
        }
        QVERIFY(w.findChild<QFocusFrame *>()->isVisible());
        QTest::keyClick(gesture(5), Qt::Key_Backtab);
        QTest::keyClick(gesture(4), Qt::Key_Space);
        QCOMPARE(M::selectedKey(w), 4);
        // A focused key adds itself, and the gesture's name follows the model.
        QTest::keyClick(A::keyboard(w)->keyButton(QStringLiteral("a")), Qt::Key_Space);
        A::keyboard(w)->keyButton(QStringLiteral("b"))->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(M::ids(w, 4), (QStringList{"key:0x04", "key:0x05"}));
        QCOMPARE(face(gesture(4))->text(QAccessible::Name), gestures[4] + QStringLiteral(": A B"));
        QVERIFY(face(gesture(4))->state().checked);

        // Each page's controls, by the kind of control.
        const QHash<QByteArray, QAccessible::Role> roles = {{"PaintedButton", QAccessible::Button},
                                                            {"QPushButton", QAccessible::Button},
                                                            {"QLineEdit", QAccessible::EditableText},
                                                            {"ToggleSwitchWidget", QAccessible::CheckBox},
                                                            {"BrightnessSliderWidget", QAccessible::Slider},
                                                            {"ColorPickerWidget", QAccessible::ColorChooser}};
        auto *stack = child<QStackedWidget>(w, QStringLiteral("ContentStack"));
        const QList<QWidget *> tabs = A::tabs(w)->items();
        for (int i = 0; i < tabs.size(); ++i) {
            QTest::keyClick(tabs[i], Qt::Key_Space);
            QVERIFY(QTest::qWaitFor([&w] { return !M::pageSliding(w); }));
            QCOMPARE(face(tabs[i])->role(), QAccessible::PageTab);
            QVERIFY(face(tabs[i])->state().selected);
            QVERIFY(!face(tabs[i])->text(QAccessible::Name).isEmpty());
            int controls = 0;
            for (QWidget *c : stack->widget(i)->findChildren<QWidget *>()) {
                if (!(c->focusPolicy() & Qt::TabFocus) && !qobject_cast<QAbstractButton *>(c))
                    continue;
                const QByteArray kind = c->metaObject()->className();
                QVERIFY2(roles.contains(kind), kind.constData());
                QCOMPARE(face(c)->role(), roles.value(kind));
                QVERIFY2(!face(c)->text(QAccessible::Name).trimmed().isEmpty(), kind.constData());
                ++controls;
            }
            QVERIFY(controls > 0);
        }

        // Ctrl+S saves through the button, once at a time; Save lets the gesture go.
        QSignalSpy saved(m_session.get(), &KnobSession::saveFinished);
        QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(m_session->isSaveRunning());
        QCOMPARE(toastTitle(w), QStringLiteral("Saving"));
        QCOMPARE(M::selectedKey(w), 0);
        QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(saved.size(), 1, 15000);
        QCOMPARE(toastTitle(w), QStringLiteral("Settings saved"));
        QTest::qWait(100);
        QCOMPARE(saved.size(), 1);
        QCOMPARE(int(hidsim::storedAssignments(m_device).at(4).at(6)), 2); // two keys
    }

    void eighteenKeyLimit()
    {
        MainLayoutWidget &w = connectedWindow();
        select(w, 2);
        for (int i = 0; i < 10; ++i)
            A::key(w, 0x04);
        auto *combinations = A::page<CombinationWidget>(w, 1);
        for (int i = 0; i < 7; ++i)
            emit combinations->combinationClicked(QStringLiteral("F13"));
        A::key(w, 0x05); // the 18th is accepted
        QCOMPARE(M::displayNames(w, 2).size(), 18);

        QString warning;
        closeNextModal(&warning);
        emit combinations->combinationClicked(QStringLiteral("Ctrl+V"));
        QCOMPARE(warning, QStringLiteral("Each physical key can bind up to 18 virtual keys"));
        QCOMPARE(M::displayNames(w, 2).size(), 18);

        // Nothing is added without a selected key.
        A::setSelectedKnobKey(w, 0);
        A::key(w, 0x04);
        for (int k = 1; k <= 5; ++k)
            QCOMPARE(M::displayNames(w, k).size(), k == 2 ? 18 : 0);
    }

    // The pages mark what the selected gesture holds and follow the selection;
    // a page built later marks it at once.
    void pagesMarkTheSelectedGesture()
    {
        MainLayoutWidget &w = connectedWindow();
        auto *media = A::page<MultimediaWidget>(w, 2);
        const QString mute = QStringLiteral("静音");
        select(w, 1);
        emit media->multimediaClicked(mute);
        select(w, 2);
        A::key(w, 0x04);
        QVERIFY(!media->button(mute)->isSelected());
        QVERIFY(A::keyboard(w)->keyButton("a")->isSelected());
        select(w, 1);
        QVERIFY(media->button(mute)->isSelected());
        QVERIFY(!A::keyboard(w)->keyButton("a")->isSelected());
        auto *mouse = A::page<MouseWidget>(w, 4);
        emit mouse->mouseClicked(mousePageNames().first());
        QVERIFY(mouse->button(mousePageNames().first())->isSelected());
        QVERIFY(!media->button(mute)->isSelected());
    }

    void resetCancelThenConfirm()
    {
        MainLayoutWidget &w = connectedWindow();
        select(w, 4);
        A::key(w, 0x04);
        const double start = hidsim::nowMs();

        QTest::mouseClick(child(w, QStringLiteral("resetButton")), Qt::LeftButton);
        QVERIFY(child(w, QStringLiteral("restoreOverlay")));
        QTest::mouseClick(child(w, QStringLiteral("restoreCancelButton")), Qt::LeftButton);
        QTRY_COMPARE(child(w, QStringLiteral("restoreOverlay")), nullptr);
        QCOMPARE(M::ids(w, 4), QStringList{"key:0x04"});
        QCOMPARE(M::selectedKey(w), 4);
        QVERIFY(M::displayNames(w, 1).isEmpty());

        QTest::mouseClick(child(w, QStringLiteral("resetButton")), Qt::LeftButton);
        QTest::mouseClick(child(w, QStringLiteral("restoreConfirmButton")), Qt::LeftButton);
        QTRY_COMPARE(child(w, QStringLiteral("restoreOverlay")), nullptr);
        const QStringList shown = {QStringLiteral("Volume -"), QStringLiteral("Volume +"),
                                   QStringLiteral("Brightness -"), QStringLiteral("Brightness +"),
                                   QStringLiteral("Mute")};
        for (int k = 1; k <= 5; ++k) {
            // A name wider than its label is elided at the right end.
            QString label = child<QLabel>(w, QStringLiteral("knobKeyLabel%1").arg(k))->text();
            if (label.endsWith(QChar(0x2026)))
                label.chop(1);
            QVERIFY2(!label.isEmpty() && shown[k - 1].startsWith(label), qPrintable(label));
            QCOMPARE(M::displayNames(w, k), QStringList{shown[k - 1]});
        }
        QCOMPARE(M::selectedKey(w), 0);
        QCOMPARE(M::delayPage(w)->delayForVirtualKey(1, 0), delayMinimumForSlot(0));
        QTest::qWait(50);
        // Nothing but the link's liveness probe reaches the device.
        for (const hidsim::WriteRecord &r : writesSince(start, false))
            QCOMPARE(r.bytes, buildAssignmentEndPacket());
    }

    // Save tells the truth: a cleared gesture and a mixed one end with the
    // window showing what the knob holds, a gesture the knob did not keep is
    // named, and only unsaved edits make closing ask.
    void saveShowsWhatTheKnobHolds()
    {
        const Packet mute = buildMultimediaKeyPacket(commandCodeForKnobKey(4), 0x00E2);
        hidsim::preloadAssignment(m_device, 2, buildMultimediaKeyPacket(commandCodeForKnobKey(2), 0x00E9));
        hidsim::preloadAssignment(m_device, 4, mute);
        MainLayoutWidget &w = connectedWindow();
        QVERIFY(!M::unsavedEdits(w));
        select(w, 2);
        QTest::mouseClick(child(w, QStringLiteral("cleanIcon2")), Qt::LeftButton);
        select(w, 3);
        Q_EMIT A::page<ProcreateWidget>(w, 6)->procreateKeyClicked(QStringLiteral("撤销"));
        QTest::mouseClick(A::keyboard(w)->keyButton(QStringLiteral("a")), Qt::LeftButton);
        QCOMPARE(toastTitle(w), QStringLiteral("Actions replaced"));
        select(w, 4);
        A::key(w, 0x05);
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(M::ids(w, 4), QStringList{"media:mute"});
        QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(M::ids(w, 4), QStringList{"key:0x05"});
        hidsim::FirmwareOptions fw = hidsim::firmwareOptions(m_device);
        fw.dropKey = 4;
        hidsim::setFirmwareOptions(m_device, fw);
        QVERIFY(M::unsavedEdits(w));
        QVERIFY(child<QPushButton>(w, QStringLiteral("saveButton"))->text().endsWith(QChar(0x2022)));

        QVERIFY(!w.close());
        QTest::mouseClick(child(w, QStringLiteral("choiceButton0")), Qt::LeftButton); // Cancel
        QTRY_COMPARE(child(w, QStringLiteral("choiceOverlay")), nullptr);
        QVERIFY(w.isVisible());

        QTest::mouseClick(child(w, QStringLiteral("saveButton")), Qt::LeftButton);
        QCOMPARE(toastTitle(w), QStringLiteral("Turn right is empty"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_session->isSaveRunning(), 15000);
        QCOMPARE(toastTitle(w), QStringLiteral("Save failed"));
        QCOMPARE(child<QLabel>(w, QStringLiteral("toastText"))->text(),
                 QStringLiteral("Press and turn right was not stored"));
        QCOMPARE(M::ids(w, 2), QStringList{"media:volume-up"});
        QCOMPARE(M::ids(w, 3), QStringList{"key:0x04"});
        QCOMPARE(hidsim::storedAssignments(m_device).at(4), mute);
        QCOMPARE(M::ids(w, 4), QStringList{"media:mute"});
        QVERIFY(!M::unsavedEdits(w));
        QVERIFY(w.close());
    }

    // A chosen profile is an undoable edit that Save writes; the header names
    // it until the next edit, and Save as stores the window's content.
    void profileChosenSavedAndUndone()
    {
        QTemporaryDir data;
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        const auto restore = qScopeGuard([&oldData] { qputenv("XDG_DATA_HOME", oldData); });
        KnobDocument profile;
        profile.keys = {QList<KnobAction>{KnobAction::key(0x01, 0x1D)},
                        {KnobAction::key(0x03, 0x1D)},
                        {KnobAction::key(0, 0x2F)},
                        {KnobAction::key(0, 0x30)},
                        {KnobAction::key(0, 0x2C)}};
        QString error;
        QVERIFY2(ProfileStore().save(QStringLiteral("Paint"), profile, &error), qPrintable(error));

        MainLayoutWidget &w = connectedWindow();
        auto *button = child<QPushButton>(w, QStringLiteral("profileButton"));
        const KnobDocument::Gestures before = M::document(w).keys;
        QCOMPARE(button->text(), QStringLiteral("Custom"));
        const auto openList = [&w, button] {
            QTest::mouseClick(button, Qt::LeftButton);
            return child<QListWidget>(w, QStringLiteral("profileList"));
        };
        QListWidget *list = openList();
        QVERIFY(list && list->hasFocus());
        QTest::keyClick(list, Qt::Key_Home);
        while (!list->currentItem()->text().startsWith(QStringLiteral("Paint")) &&
               list->currentRow() < list->count() - 1)
            QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_COMPARE(child(w, QStringLiteral("profileOverlay")), nullptr);
        QCOMPARE(M::document(w).keys, profile.keys);
        QCOMPARE(button->text(), QStringLiteral("Paint"));
        QVERIFY(M::unsavedEdits(w));

        QUndoStack *undo = w.findChild<KnobEditor *>()->undoStack();
        undo->undo();
        QCOMPARE(M::document(w).keys, before);
        QCOMPARE(button->text(), QStringLiteral("Custom"));
        undo->redo();
        QCOMPARE(button->text(), QStringLiteral("Paint"));
        select(w, 1);
        A::key(w, 0x05);
        QCOMPARE(button->text(), QStringLiteral("Custom"));
        undo->undo();
        QCOMPARE(button->text(), QStringLiteral("Paint"));

        const double start = hidsim::nowMs();
        QTest::mouseClick(child(w, QStringLiteral("saveButton")), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!m_session->isSaveRunning(), 15000);
        QVERIFY(!M::unsavedEdits(w));
        const std::vector<hidsim::WriteRecord> writes = writesSince(start, false);
        auto at = writes.begin();
        for (const Packet &p : wireOf(profile)) {
            at = std::find_if(at, writes.end(), [&p](const hidsim::WriteRecord &r) { return r.bytes == p; });
            QVERIFY(at != writes.end());
        }

        // Save as, then again under the same name, which asks before replacing.
        for (const bool replace : {false, true}) {
            QTest::mouseClick(openList() ? child(w, QStringLiteral("profileSaveAs")) : nullptr,
                              Qt::LeftButton);
            auto *edit = child<QLineEdit>(w, QStringLiteral("profileNameEdit"));
            QVERIFY(edit && edit->hasFocus());
            edit->setText(QStringLiteral("Mine"));
            QTest::keyClick(edit, Qt::Key_Return);
            if (replace)
                QTest::mouseClick(child(w, QStringLiteral("choiceButton1")), Qt::LeftButton);
            QTest::keyClick(child(w, QStringLiteral("profileList")), Qt::Key_Escape);
            QTRY_COMPARE(child(w, QStringLiteral("profileOverlay")), nullptr);
            QCOMPARE(button->text(), QStringLiteral("Mine"));
        }
        KnobDocument stored;
        QVERIFY(ProfileStore().load(QStringLiteral("mine"), &stored, &error));
        QCOMPARE(stored.keys, profile.keys);
        QCOMPARE(QDir(ProfileStore::defaultUserDirectory()).entryList({QStringLiteral("*.json")}).size(), 2);
        // Delete asks first; the list opens on the shown profile.
        QCOMPARE(openList()->currentItem()->text(), QStringLiteral("Mine"));
        QTest::mouseClick(child(w, QStringLiteral("profileDelete")), Qt::LeftButton);
        QTest::keyClick(child(w, QStringLiteral("choiceButton0")), Qt::Key_Escape); // unanswered: kept
        QTRY_COMPARE(child(w, QStringLiteral("choiceOverlay")), nullptr);
        QTest::mouseClick(child(w, QStringLiteral("profileDelete")), Qt::LeftButton);
        QTest::mouseClick(child(w, QStringLiteral("choiceButton1")), Qt::LeftButton);
        QCOMPARE(QDir(ProfileStore::defaultUserDirectory()).entryList({QStringLiteral("*.json")}).size(), 1);
        QCOMPARE(button->text(), QStringLiteral("Paint")); // the content is still that one's

        // A later window finds the knob holding a profile and names it.
        m_window.reset();
        m_session.reset();
        QCOMPARE(child<QPushButton>(connectedWindow(), QStringLiteral("profileButton"))->text(),
                 QStringLiteral("Paint"));
    }

    // A write another program hands over: the window then shows what the knob
    // holds, saved, with a notice; once it has unsaved edits it refuses.
    void handedOverWrite()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is not installed");
        QProcess bus;
        bus.start(daemon, {"--session", "--print-address", "--nofork"});
        QVERIFY(bus.waitForReadyRead(10000));
        const QString address = QString::fromUtf8(bus.readLine().trimmed());
        const auto end = qScopeGuard([&bus] {
            QDBusConnection::disconnectFromBus(QStringLiteral("tool"));
            QDBusConnection::disconnectFromBus(QStringLiteral("window"));
            bus.kill();
            bus.waitForFinished(5000);
        });
        hidsim::preloadAssignment(m_device, 1, buildMultimediaKeyPacket(commandCodeForKnobKey(1), 0x00E2));
        MainLayoutWidget &w = connectedWindow();
        QCOMPARE(M::ids(w, 1), QStringList{"media:mute"});
        const QDBusConnection windowBus = QDBusConnection::connectToBus(address, QStringLiteral("window"));
        QVERIFY(w.findChild<ConfiguratorService *>()->publish(windowBus));
        const QDBusConnection tool = QDBusConnection::connectToBus(address, QStringLiteral("tool"));
        const auto call = [&](const QString &method, const QVariantList &args) {
            QDBusMessage m = QDBusMessage::createMethodCall(windowBus.baseService(), handover::kPath,
                                                            handover::kInterface, method);
            m.setArguments(args);
            QDBusPendingCallWatcher watcher(tool.asyncCall(m));
            return QTest::qWaitFor([&watcher] { return watcher.isFinished(); }, 30000) ? watcher.reply()
                                                                                       : QDBusMessage();
        };
        const QByteArray file = R"({"format": 1, "keys": [{"key": 1, "actions": [{"name": "Volume +"}]},
            {"key": 2, "actions": []}, {"key": 3, "actions": []}, {"key": 4, "actions": []},
            {"key": 5, "actions": []}]})";
        const QDBusMessage written = call("Write", {QString::fromUtf8(file), "Krita", "veltranix-cli"});
        QVERIFY2(written.type() == QDBusMessage::ReplyMessage, qPrintable(written.errorMessage()));
        QCOMPARE(toastTitle(w), QStringLiteral("Profile Krita written by veltranix-cli"));
        QCOMPARE(M::ids(w, 1), QStringList{"media:volume-up"});
        QVERIFY(!M::unsavedEdits(w));

        select(w, 2);
        A::key(w, 0x05);
        QCOMPARE(call("Knob", {QString()}).errorMessage(),
                 QStringLiteral("the window has unsaved edits; save or discard them first"));
    }

    // Closing the window during a slow save waits for the save and says so;
    // the window goes once every key has its end packet.
    void closeDuringASaveWaitsForIt()
    {
        KnobSession session;
        MacroGUI gui(&session);
        gui.show();
        session.start();
        QVERIFY(connectAndReadSession(session));
        hidsim::FirmwareOptions fw = hidsim::firmwareOptions(m_device);
        fw.writeDelayMs = 100;
        hidsim::setFirmwareOptions(m_device, fw);
        KnobDocument document;
        document.keys.fill({KnobAction::named(QStringLiteral("音量+"))});
        const double start = hidsim::nowMs();
        QVERIFY(session.save(document));
        QVERIFY(!gui.close());
        QCOMPARE(toastTitle(*gui.mainLayoutWidget()), QStringLiteral("Saving"));
        QTRY_VERIFY_WITH_TIMEOUT(!gui.isVisible(), 20000);
        const std::vector<hidsim::WriteRecord> writes = writesSince(start, false);
        QCOMPARE(
            std::count_if(writes.begin(), writes.end(),
                          [](const hidsim::WriteRecord &r) { return r.bytes == buildAssignmentEndPacket(); }),
            5);
        QCOMPARE(writes.back().bytes, buildAssignmentEndPacket());
        session.shutdown();
    }

    // A delay typed into the window's own delay page is what the save writes.
    void delayTypedOnThePageReachesTheDevice()
    {
        MainLayoutWidget &w = connectedWindow();
        select(w, 2);
        QTest::mouseClick(A::keyboard(w)->keyButton(QStringLiteral("a")), Qt::LeftButton);
        QTest::mouseClick(A::keyboard(w)->keyButton(QStringLiteral("b")), Qt::LeftButton);
        DelayWidget *page = M::delayPage(w);
        QVERIFY(page);
        QVERIFY(child(w, QStringLiteral("ContentStack"))->isAncestorOf(page));
        QCOMPARE(page->selectedKnobKey(), 2);
        QLineEdit *field = page->delayField(1);
        QVERIFY(field->isEnabled());
        field->clear();
        QTest::keyClicks(field, QStringLiteral("300"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(M::document(w).keys[1][1].delayMs, 300);

        QSignalSpy saved(m_session.get(), &KnobSession::saveFinished);
        QTest::mouseClick(child(w, QStringLiteral("saveButton")), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(saved.size(), 1, 15000);
        QCOMPARE(saved.at(0).at(0).toBool(), true);
        // Key 2 packed: A at once, then B 300 ms (01 2C) later.
        const hidsim::Packet stored = hidsim::storedAssignments(m_device).at(2);
        const hidsim::Packet records(stored.begin() + 6, stored.begin() + 13);
        QCOMPARE(records, (hidsim::Packet{0x02, 0x00, 0x00, 0x04, 0x01, 0x2C, 0x05}));
    }

    // The tab bar paints its own backgrounds: the highlight under the current
    // tab, and under the mouse a lighter fill on another tab, gone when the
    // mouse leaves; the current tab keeps its highlight under the mouse.
    void tabBarHoverFill()
    {
        MainLayoutWidget &w = connectedWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QWidget *bar = child(w, QStringLiteral("TabBar"));
        QWidget *current = child(w, QStringLiteral("tabItem0"));
        QWidget *other = child(w, QStringLiteral("tabItem2"));
        // Just inside the top edge, clear of the icon and the text.
        const auto shown = [bar](QWidget *item) {
            return bar->grab().toImage().pixelColor(item->mapTo(bar, QPoint(item->width() / 2, 2)));
        };
        const QColor barColour(0x1C, 0x1C, 0x1C), highlight(0x16, 0x16, 0x16), hover(0x27, 0x2A, 0x2B);
        QCOMPARE(shown(current), highlight);
        QCOMPARE(shown(other), barColour);
        QTest::mouseMove(other, QPoint(other->width() / 2, other->height() / 2));
        QTRY_COMPARE(shown(other), hover);
        QTest::mouseMove(current, QPoint(current->width() / 2, current->height() / 2));
        QTRY_COMPARE(shown(other), barColour);
        QCOMPARE(shown(current), highlight);
    }

    // The lighting page reaches the device as one colour packet without a
    // compatibility copy, whatever key is selected; a failed send is toasted.
    void lightingPageAndFailureToast()
    {
        MainLayoutWidget &w = connectedWindow();
        select(w, 2);
        LightWidget *page = M::lightPage(w);
        QVERIFY(page);
        hidsim::clearWrites();
        page->setLightSettings(QColor(0x12, 0x34, 0x56), 33, true);
        page->emitSettings();
        const hidsim::Packet expected = buildColorPacket(0x12, 0x34, 0x56, 33, true);
        QTRY_COMPARE_WITH_TIMEOUT(hidsim::storedColour(m_device), expected, 10000);
        QTest::qWait(50);
        int sent = 0;
        for (const hidsim::WriteRecord &r : hidsim::writes())
            sent += r.bytes == buildAssignmentEndPacket() ? 0 : 1; // liveness probes aside
        QCOMPARE(sent, 1);

        QSignalSpy failed(m_session.get(), &KnobSession::lightingSendFailed);
        hidsim::setFailAllWrites(m_device, 2, true);
        page->setLightSettings(QColor(255, 0, 0), 80, true);
        page->emitSettings();
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 10000);
        QCOMPARE(toastTitle(w), QStringLiteral("Failed to send lighting command"));
        hidsim::setFailAllWrites(m_device, 2, false);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
