// The window's edit history and its file import: undo and redo give back
// exactly the model each step left, and a file that does not pass changes
// nothing.
#include "protocol/configjson.h"
#include "protocol/knobconfigdocument.h"
#include "ui/ConfigFileTransfer.h"
#include "ui/KnobEditor.h"
#include "ui/pages/DelayWidget.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QWidget>

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
        QTest::newRow("a delay, then clear") << "kdx";
    }
    void undoRedoRestoreEveryStep()
    {
        QFETCH(QString, ops);
        KnobEditor editor;
        // The delay page edits the editor's model in place, as in the window.
        DelayWidget delays;
        delays.setModel(&editor.model());
        delays.setSelectedKnobKey(2);
        delays.setVirtualKeyCount(2, 2);
        connect(&delays, &DelayWidget::delayEdited, &editor, &KnobEditor::recordDelayEdit);
        const auto shownDelay = [&delays] {
            delays.refreshDelays(2);
            return delays.delayField(1)->text().toInt();
        };
        QList<KnobModel> states{editor.model()};
        for (QChar op : ops) {
            switch (op.toLatin1()) {
            case 'k':
                editor.addKeyCode(2, 0x04, true);
                break;
            case 'c':
                editor.addName(2, QStringLiteral("Ctrl+C"), true);
                break;
            case 'm':
                editor.addName(2, QStringLiteral("音量+"), true);
                break;
            case 'p':
                editor.addName(2, QStringLiteral("撤销"), true);
                break;
            case 'x':
                editor.clearKey(2);
                break;
            case 'r':
                editor.resetToDefaults();
                break;
            case '-':
                editor.removeAction(2, 0, true);
                break;
            case 'd':
                delays.delayField(1)->setText(QStringLiteral("300"));
                delays.applyDelayInput(1);
                QCOMPARE(shownDelay(), 300);
                break;
            }
            QVERIFY2(editor.model() != states.last(), qPrintable(QString(op)));
            if (op == QLatin1Char('x') || op == QLatin1Char('r'))
                QVERIFY2(editor.model().key(2).delays == KnobKeyModel().delays, "old delays kept");
            // Nothing the knob could not store is ever accepted.
            QVERIFY(checkModelKey(editor.model().key(2), true).ok());
            states << editor.model();
        }
        QVERIFY(editor.hasUnsavedEdits());
        for (int i = int(states.size()) - 2; i >= 0; --i) {
            editor.undoStack()->undo();
            QVERIFY(editor.model() == states[i]);
            QCOMPARE(shownDelay(), states[i].key(2).delays[1]);
        }
        QVERIFY(!editor.hasUnsavedEdits());
        for (int i = 1; i < states.size(); ++i) {
            editor.undoStack()->redo();
            QVERIFY(editor.model() == states[i]);
        }
    }

    void importOfAnInvalidFileChangesNothing_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        // Which refusal it is matters little here: the file is refused whole
        // before anything is applied. The reasons are the file tests' business.
        const char *const rows[][3] = {{"not JSON", "\"keys\": [", "\"keys\": [["},
                                       {"drawing app beside a key", "\"name\": \"B\"", "\"name\": \"Undo\""},
                                       {"delay out of range", "\"delayMs\": 50", "\"delayMs\": 70000"}};
        for (const auto &r : rows)
            QTest::newRow(r[0]) << r[1] << r[2];
    }

    void importOfAnInvalidFileChangesNothing()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QWidget window;
        KnobEditor editor;
        ConfigFileTransfer transfer(
            &window, &editor, [] { return true; }, [] { return std::nullopt; });
        editor.addKeyCode(1, 0x04, true);
        editor.addKeyCode(1, 0x05, true);
        editor.addName(3, QStringLiteral("音量+"), true);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("knob.json"));
        QCOMPARE(transfer.exportTo(path), QString());

        // The file the window writes is one the tool reads, and reads back as the same model.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray good = file.readAll();
        const ConfigJsonParse parsed = configDocumentFromJson(good);
        QVERIFY(parsed.ok);
        QVERIFY(ConfigFileTransfer::modelFromDocument(parsed.document, true) == editor.model());

        const KnobModel before = editor.model();
        const int steps = editor.undoStack()->count();
        QByteArray bad = good;
        bad.replace(from.toUtf8(), to.toUtf8());
        QVERIFY(bad != good);
        const QString error = transfer.importBytes(bad, QStringLiteral("bad.json"));
        QVERIFY2(error.startsWith(QStringLiteral("bad.json: ")), qPrintable(error));
        QCOMPARE(error, QStringLiteral("bad.json: ") + configDocumentFromJson(bad).error);
        QVERIFY(editor.model() == before);
        QCOMPARE(editor.undoStack()->count(), steps);
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
