#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

#include "protocol/knobdocument.h"

class ChoiceOverlay;
class KnobArea;
class KnobEditor;
class KnobSession;
class QPushButton;
class QWidget;
class StatusArea;
class TabPages;
class UnsavedEditsGuard;
struct SaveOutcome;

// What the session reports, shown in the window and taken into the editor:
// connects and unplugs (with the edits an unplug took along), reads, the
// battery, saves and the reset to factory gestures.
class KnobSync : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KnobSync)

public:
    KnobSync(QWidget *window, KnobSession *session, KnobEditor *editor, TabPages *pages, KnobArea *knobArea,
             StatusArea *statusArea);
    ~KnobSync() override;

    // Save and reset answer these buttons; unsaved edits mark the save button.
    void takeButtons(QPushButton *saveButton, QPushButton *resetButton);
    // Follows the session from now on, starting from how it is.
    void start();
    void onSaveClicked();
    // Why the window will not take a job from another program now, or empty.
    QString handOverRefusal() const;
    // The next save is another program's: when it ends the window shows what
    // the knob holds, saved, and this notice.
    void expectHandedOverWrite(const QString &doneNotice);
    void showHandedOverLight(const LightSettings &light, const QString &doneNotice);

signals:
    void notice(bool success, const QString &title, const QString &text);
    // The window's connected or disconnected look.
    void connectedLookChanged(bool connected);

private:
    void onConnectionChanged(bool connected);
    // The link text beside the status, and the low-battery notice once per connection.
    void showBatteryLevel(int percent);
    void onConfigReadFinished(bool ok, bool receivedAny);
    void clearLoadedConfigState();
    void applyReadConfigPacket(const std::vector<unsigned char> &packet);
    // Edits kept across an unplug go back on the knob they were made for, and
    // onto another knob only when the user says so.
    void offerKeptEdits();
    void restoreKeptEdits();
    void dropKeptEdits();
    void setPermissionHintVisible(bool visible);
    void finishSave(const SaveOutcome &outcome);
    void showRestoreConfirmation();
    void confirmRestore();
    // Back to the factory assignment of all five keys.
    void resetAllGestures();

    QWidget *m_window = nullptr;
    KnobSession *m_session = nullptr;
    KnobEditor *m_editor = nullptr;
    TabPages *m_pages = nullptr;
    KnobArea *m_knobArea = nullptr;
    StatusArea *m_statusArea = nullptr;
    UnsavedEditsGuard *m_unsavedGuard = nullptr;
    // Where the undo history stood when the running save took its snapshot.
    int m_saveUndoIndex = -1;
    // Edits the link took away with it (an unplug before they were saved):
    // they win over what the device reports when it comes back.
    std::unique_ptr<KnobDocument::Gestures> m_unsavedEdits;
    // KnobSession::knobIdentity() of the knob they were made for, and of the
    // knob connected now.
    QString m_unsavedEditsKnob;
    QString m_knob;
    QPointer<ChoiceOverlay> m_keptEditsQuestion;
    bool m_lowBatteryShown = false;
    QString m_handOverNotice;
};
