// The window's edit history and its file import: undo and redo give back
// exactly the document each step left, and a file that does not pass changes
// nothing.
#include "protocol/assignmentwrite.h"
#include "protocol/configjson.h"
#include "protocol/knobdocument.h"
#include "ui/ConfigFileTransfer.h"
#include "ui/KnobEditor.h"
#include "ui/pages/DelayWidget.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QWidget>
#include <functional>

namespace {

struct Edit
{
    const char *name;
    std::function<void(KnobEditor &)> run;
    const char *emitted; // gestures reported, in order; "all" for the whole document
};

// Gesture 1 holds A and Ctrl+B (200 ms), gesture 3 its default, the rest nothing.
const std::vector<Edit> &edits()
{
    static const std::vector<Edit> list = {
        {"key on 2", [](KnobEditor &e) { e.addKeyCode(2, 0x04); }, "2"},
        {"combination on 4", [](KnobEditor &e) { e.addName(4, QStringLiteral("Ctrl+C")); }, "4"},
        {"media replaces 1", [](KnobEditor &e) { e.addName(1, QStringLiteral("音量+")); }, "1"},
        {"remove from 1", [](KnobEditor &e) { e.removeAction(1, 0); }, "1"},
        {"clear 3", [](KnobEditor &e) { e.clearKey(3); }, "3"},
        {"clear empty 5", [](KnobEditor &e) { e.clearKey(5); }, ""},
        {"delay on 1", [](KnobEditor &e) { e.setDelay(1, 1, 900); }, "1"},
        {"same delay", [](KnobEditor &e) { e.setDelay(1, 1, 200); }, ""},
        {"delay undone, redone",
         [](KnobEditor &e) {
             e.setDelay(1, 1, 70);
             e.undoStack()->undo();
             e.undoStack()->redo();
         },
         "1 1 1"},
        {"reset", [](KnobEditor &e) { e.resetToDefaults(); }, "1 2 4 5"},
        {"replace", [](KnobEditor &e) { e.replaceGestures(QStringLiteral("import"), {}); }, "all"},
        {"load 4",
         [](KnobEditor &e) {
             KnobDocument d;
             d.keys[3] = {KnobAction::key(0, 0x06)};
             e.loadFromDevice(d, {4});
         },
         "4"},
        {"light",
         [](KnobEditor &e) {
             e.setLight(LightSettings{1, 2, 3, 40, true});
         },
         "light"},
        {"layout", [](KnobEditor &e) { e.setMacLayout(!e.isMacLayout()); }, "layout"},
    };
    return list;
}

} // namespace

class TestUndo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void undoRedoRestoreEveryStep_data()
    {
        QTest::addColumn<QString>("ops");
        QTest::newRow("keys, a delay, one removed") << "kcd-";
        QTest::newRow("media replaces keys, a key replaces media") << "kkmk";
        QTest::newRow("clear, then reset") << "kxr";
        QTest::newRow("drawing app between keys") << "cpkd";
        QTest::newRow("a delay, then clear, then a key") << "kdxk";
        QTest::newRow("a delay, then reset, then a key") << "kcdrk";
    }
    void undoRedoRestoreEveryStep()
    {
        QFETCH(QString, ops);
        KnobEditor editor;
        editor.setMacLayout(true);
        // The delay page hands its edits to the editor and follows it, as in the window.
        DelayWidget delays;
        delays.setEditor(&editor);
        delays.setSelectedKnobKey(2);
        const auto shownDelay = [&delays] { return delays.delayField(0)->text().toInt(); };
        QList<KnobDocument::Gestures> states{editor.document().keys};
        for (QChar op : ops) {
            switch (op.toLatin1()) {
            case 'k':
                editor.addKeyCode(2, 0x04);
                break;
            case 'c':
                editor.addName(2, QStringLiteral("Ctrl+C"));
                break;
            case 'm':
                editor.addName(2, QStringLiteral("音量+"));
                break;
            case 'p':
                editor.addName(2, QStringLiteral("撤销"));
                break;
            case 'x':
                editor.clearKey(2);
                break;
            case 'r':
                editor.resetToDefaults();
                break;
            case '-':
                editor.removeAction(2, 0);
                break;
            case 'd':
                delays.delayField(0)->setText(QStringLiteral("300"));
                delays.applyDelayInput(0);
                QCOMPARE(shownDelay(), 300);
                break;
            }
            QVERIFY2(editor.document().keys != states.last(), qPrintable(QString(op)));
            // A key added goes out after the default wait for its slot: a cleared
            // or reset gesture keeps no delay of what it held.
            if (op == QLatin1Char('k'))
                QCOMPARE(packedKeyRecords(editor.document(), 2).constLast().delayMs,
                         KnobAction::defaultDelay(int(editor.gesture(2).size()) - 1));
            // Nothing the knob could not store is ever accepted.
            QVERIFY(checkGestureStorage(editor.gesture(2)).ok());
            states << editor.document().keys;
        }
        QVERIFY(editor.hasUnsavedEdits());
        for (int i = int(states.size()) - 2; i >= 0; --i) {
            editor.undoStack()->undo();
            QVERIFY(editor.document().keys == states[i]);
            QCOMPARE(shownDelay(), states[i][1].isEmpty() ? 0 : states[i][1].first().delayMs);
        }
        QVERIFY(!editor.hasUnsavedEdits());
        for (int i = 1; i < states.size(); ++i) {
            editor.undoStack()->redo();
            QVERIFY(editor.document().keys == states[i]);
        }
    }

    // Each edit reports exactly the gesture it changed, once, or the whole document.
    void everyEditEmitsWhatChanged_data()
    {
        QTest::addColumn<int>("edit");
        for (int i = 0; i < int(edits().size()); ++i)
            QTest::newRow(edits()[i].name) << i;
    }
    void everyEditEmitsWhatChanged()
    {
        QFETCH(int, edit);
        KnobEditor editor;
        KnobDocument held;
        held.keys[0] = {KnobAction::key(0, 0x04), KnobAction::key(0x01, 0x05, 200)};
        held.keys[2] = {KnobAction::named(QStringLiteral("屏幕亮度-"))};
        editor.loadFromDevice(held, {1, 2, 3, 4, 5});
        QStringList emitted;
        connect(&editor, &KnobEditor::gestureChanged, this, [&](int k) { emitted << QString::number(k); });
        connect(&editor, &KnobEditor::documentReplaced, this, [&] { emitted << QStringLiteral("all"); });
        connect(&editor, &KnobEditor::lightChanged, this, [&] { emitted << QStringLiteral("light"); });
        connect(&editor, &KnobEditor::layoutChanged, this, [&] { emitted << QStringLiteral("layout"); });
        edits()[edit].run(editor);
        QCOMPARE(emitted.join(QLatin1Char(' ')), QString::fromLatin1(edits()[edit].emitted));
    }

    void loadFromDeviceClearsHistoryAndUnsaved()
    {
        KnobEditor editor;
        editor.addKeyCode(2, 0x04);
        editor.setDelay(2, 0, 400);
        QVERIFY(editor.hasUnsavedEdits());
        KnobDocument held;
        held.keys[1] = {KnobAction::key(0, 0x05, 70)};
        editor.loadFromDevice(held, {2});
        QCOMPARE(editor.undoStack()->count(), 0);
        QVERIFY(!editor.hasUnsavedEdits());
        QCOMPARE(editor.gesture(2), held.keys[1]);
    }

    void importOfAnInvalidFileChangesNothing_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        // Which refusal it is matters little here: the file is refused whole
        // before anything is applied. The reasons are the file tests' business.
        QTest::newRow("not JSON") << "\"keys\": ["
                                  << "\"keys\": [[";
        QTest::newRow("drawing app beside a key") << "\"name\": \"B\""
                                                  << "\"name\": \"Undo\"";
    }

    void importOfAnInvalidFileChangesNothing()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QWidget window;
        KnobEditor editor;
        editor.setMacLayout(true);
        ConfigFileTransfer transfer(&window, &editor);
        editor.addKeyCode(1, 0x04);
        editor.addKeyCode(1, 0x05);
        editor.addName(3, QStringLiteral("音量+"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("knob.json"));
        QCOMPARE(transfer.exportTo(path), QString());

        // The file the window writes is one the tool reads, and reads back as the same document.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray good = file.readAll();
        const ConfigJsonParse parsed = configDocumentFromJson(good);
        QVERIFY(parsed.ok);
        QVERIFY(parsed.document == editor.document());

        const KnobDocument before = editor.document();
        const int steps = editor.undoStack()->count();
        QByteArray bad = good;
        bad.replace(from.toUtf8(), to.toUtf8());
        QVERIFY(bad != good);
        const QString error = transfer.importBytes(bad, QStringLiteral("bad.json"));
        QVERIFY2(error.startsWith(QStringLiteral("bad.json: ")), qPrintable(error));
        QCOMPARE(error, QStringLiteral("bad.json: ") + configDocumentFromJson(bad).error);
        QVERIFY(editor.document() == before);
        QCOMPARE(editor.undoStack()->count(), steps);
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
