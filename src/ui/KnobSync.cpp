// The session's reports, the kept edits, save and reset.
#include "ui/KnobSync.h"

#include "device/KnobSession.h"
#include "protocol/configdecode.h"
#include "protocol/packets.h"
#include "ui/ChoiceOverlay.h"
#include "ui/GestureSelection.h"
#include "ui/KnobArea.h"
#include "ui/KnobEditor.h"
#include "ui/ResetOverlay.h"
#include "ui/StatusArea.h"
#include "ui/TabPages.h"
#include "ui/UnsavedEditsGuard.h"
#include "ui/savenotices.h"
#include "ui/uitext.h"

#include <QDebug>
#include <QPushButton>
#include <QUndoStack>

#include <utility>

namespace {

// A knob's identity as a person reads it: its serial or address, not the ids.
QString knobDescription(const QString &identity)
{
    const int serial = identity.indexOf(QLatin1String(" serial "));
    if (serial >= 0)
        return KnobSync::tr("the knob with serial %1").arg(identity.mid(serial + 8));
    if (identity.startsWith(QLatin1String("address ")))
        return KnobSync::tr("the knob with Bluetooth address %1").arg(identity.mid(8));
    if (identity == QLatin1String("demo"))
        return KnobSync::tr("the demo knob");
    return KnobSync::tr("the knob at %1")
        .arg(identity.startsWith(QLatin1String("path ")) ? identity.mid(5) : identity);
}

// At or below this the knob is due for its charger.
constexpr int kLowBatteryPercent = 15;

} // namespace

KnobSync::KnobSync(QWidget *window, KnobSession *session, KnobEditor *editor, TabPages *pages,
                   KnobArea *knobArea, StatusArea *statusArea)
    : QObject(window), m_window(window), m_session(session), m_editor(editor), m_pages(pages),
      m_knobArea(knobArea), m_statusArea(statusArea)
{}

KnobSync::~KnobSync() = default;

void KnobSync::takeButtons(QPushButton *saveButton, QPushButton *resetButton)
{
    connect(resetButton, &QPushButton::clicked, this, &KnobSync::showRestoreConfirmation);
    connect(saveButton, &QPushButton::clicked, this, &KnobSync::onSaveClicked);
    m_unsavedGuard = new UnsavedEditsGuard(m_window, m_editor, saveButton, [this] { onSaveClicked(); });
}

void KnobSync::start()
{
    connect(m_session, &KnobSession::connectionChanged, this, &KnobSync::onConnectionChanged);
    connect(m_session, &KnobSession::configReadStarted, this, &KnobSync::clearLoadedConfigState);
    connect(m_session, &KnobSession::configPacketRead, this, &KnobSync::applyReadConfigPacket);
    connect(m_session, &KnobSession::configReadFinished, this, &KnobSync::onConfigReadFinished);
    connect(m_session, &KnobSession::saveChecked, this, &KnobSync::finishSave);
    connect(m_session, &KnobSession::lightingSendFailed, this, [this] {
        emit notice(false, tr("Failed to send lighting command"),
                    tr("Please make sure the device is connected properly"));
    });
    connect(m_session, &KnobSession::bluetoothConnected, this, [this] {
        emit notice(true, tr("Connection successful"),
                    tr("Successfully connected to the current Bluetooth device"));
    });
    connect(m_session, &KnobSession::bluetoothConnectFailed, this, [this](const QString &reason) {
        emit notice(false, tr("Connection failed"), reportedText(reason));
    });
    connect(m_session, &KnobSession::permissionHintChanged, this, &KnobSync::setPermissionHintVisible);
    connect(m_session, &KnobSession::batteryLevelChanged, this, &KnobSync::showBatteryLevel);
    connect(m_session, &KnobSession::deviceIdsSwitched, this, [this](const QString &pair) {
        emit notice(true, tr("Device switched"), tr("Switched to %1").arg(pair));
    });
    // A session that is already connected (the window was built late) is shown as such.
    if (m_session->isConnected())
        onConnectionChanged(true);
}

void KnobSync::showBatteryLevel(int percent)
{
    const QString link = tr("Bluetooth");
    m_statusArea->setLinkText(!m_session->isOverBluetooth() ? QString()
                              : percent < 0                 ? link
                                            : QStringLiteral("%1 · %2 %").arg(link).arg(percent));
    m_statusArea->relayout();
    if (percent < 0 || percent > kLowBatteryPercent || std::exchange(m_lowBatteryShown, true))
        return;
    emit notice(false, tr("Low battery"), tr("The knob's battery is at %1 %: charge it soon").arg(percent));
}

void KnobSync::onConnectionChanged(bool connected)
{
    if (!connected)
        m_lowBatteryShown = false;
    showBatteryLevel(m_session->batteryLevel());
    if (connected) {
        m_knob = m_session->knobIdentity();
        emit connectedLookChanged(true);
        m_pages->selection()->select(0);
        m_pages->updateKnobKeySelection();
        m_pages->clearAllTabSelections();
        return;
    }
    // Whatever the user had not saved yet survives the unplug, and still
    // counts as unsaved: the marker stays and closing asks.
    if (!m_editor->undoStack()->isClean()) {
        m_unsavedEdits = std::make_unique<KnobDocument::Gestures>(m_editor->document().keys);
        m_unsavedEditsKnob = m_knob;
    }
    m_editor->setKeptEdits(m_unsavedEdits != nullptr);
    m_knob.clear();
    // A question about a knob that has gone again has no answer.
    if (m_keptEditsQuestion)
        m_keptEditsQuestion->deleteLater();
    clearLoadedConfigState();
    m_editor->clearHistory();
    for (int k = 1; k <= 5; ++k)
        m_pages->updateSingleKnobKeyDisplay(k);
    m_pages->selection()->select(0);
    m_pages->updateKnobKeysDisplay();
    m_pages->updateKnobKeySelection();
    m_pages->clearAllTabSelections();
    m_pages->syncDelayWidgetForCurrentKnob();
    emit connectedLookChanged(false);
}

void KnobSync::onConfigReadFinished(bool ok, bool receivedAny)
{
    // What was there before the read no longer describes the knob.
    m_editor->clearHistory();
    m_editor->markHeldByKnob();
    // A Bluetooth link may learn its address only with the configuration.
    if (const QString knob = m_session->knobIdentity(); !knob.isEmpty())
        m_knob = knob;
    if (m_unsavedEdits)
        offerKeptEdits();
    if (!ok || !receivedAny)
        return;
    m_pages->selection()->select(0);
    m_pages->updateKnobKeySelection();
    m_pages->syncDelayWidgetForCurrentKnob();
}

void KnobSync::offerKeptEdits()
{
    if (!m_unsavedEditsKnob.isEmpty() && m_unsavedEditsKnob == m_knob) {
        restoreKeptEdits();
        return;
    }
    if (m_keptEditsQuestion)
        return;
    const QString madeFor = m_unsavedEditsKnob.isEmpty() ? tr("a knob that could not be told apart")
                                                         : knobDescription(m_unsavedEditsKnob);
    m_keptEditsQuestion = new ChoiceOverlay(
        m_window, tr("Edits for another knob"),
        tr("You have unsaved edits made for %1; the knob connected now is %2. Put those edits on this knob?")
            .arg(madeFor, m_knob.isEmpty() ? tr("not known") : knobDescription(m_knob)),
        {tr("Not now"), tr("Discard"), tr("Use on this knob")});
    connect(m_keptEditsQuestion, &ChoiceOverlay::chosen, this, [this](int choice) {
        if (choice == 1)
            dropKeptEdits();
        else if (choice == 2 && m_session->isConnected())
            restoreKeptEdits();
        // Not now: they stay kept (and unsaved) for the knob they were made for.
    });
    m_keptEditsQuestion->show();
    m_keptEditsQuestion->raise();
}

void KnobSync::restoreKeptEdits()
{
    if (!m_unsavedEdits)
        return;
    const std::unique_ptr<KnobDocument::Gestures> edits = std::move(m_unsavedEdits);
    m_unsavedEditsKnob.clear();
    // The device may hold half of a save that the unplug cut short; the
    // user's edits are what a second Save must write.
    m_editor->replaceGestures(QStringLiteral("unsaved edits"), *edits);
    m_editor->setKeptEdits(false);
    qDebug().noquote() << "设备重新连接，保留未保存的修改";
}

void KnobSync::dropKeptEdits()
{
    m_unsavedEdits.reset();
    m_unsavedEditsKnob.clear();
    m_editor->setKeptEdits(false);
}

void KnobSync::clearLoadedConfigState()
{
    m_editor->loadFromDevice(KnobDocument(), {1, 2, 3, 4, 5});
}

void KnobSync::resetAllGestures()
{
    m_editor->resetToDefaults();
    m_pages->clearAllTabSelections();
    m_knobArea->hideBubble();
    qDebug().noquote() << "已还原到默认设置：音量-、音量+、屏幕亮度-、屏幕亮度+、静音";
}

// ---- A read-back configuration into the model ---------------------------------------

void KnobSync::applyReadConfigPacket(const std::vector<unsigned char> &packet)
{
    const DecodedConfigPacket decoded = decodeConfigPacket(packet);
    switch (decoded.kind) {
    case DecodedConfigPacket::Ignored:
        return;
    case DecodedConfigPacket::Colour:
        m_editor->setLight(decoded.light);
        return;
    case DecodedConfigPacket::Assignment:
        if (decoded.procreateFallback)
            qDebug().noquote() << "未知Procreate配置，回退为标准键盘解析:" << packetToHex(packet);
        if (KnobEditor::validGesture(decoded.knobKey)) {
            KnobDocument held;
            held.isMacLayout = m_editor->isMacLayout();
            held.keys[decoded.knobKey - 1] = decoded.actions;
            m_editor->loadFromDevice(held, {decoded.knobKey});
        }
        break;
    case DecodedConfigPacket::UnknownAction:
        break;
    }
}

void KnobSync::setPermissionHintVisible(bool visible)
{
    m_statusArea->setPermissionHintVisible(visible, reportedText(m_session->permissionHintText()));
}

// ---- Save ---------------------------------------------------------------------------

void KnobSync::onSaveClicked()
{
    // Two writes must never interleave their packets on the device.
    if (m_session->mayStart(KnobOperations::Kind::Save) == KnobSession::Refusal::Saving) {
        qDebug().noquote() << "保存进行中，忽略重复的保存请求";
        return;
    }
    const SaveNotice notice = saveStartNotice(m_editor->document().keys, m_editor->heldByKnob());
    emit this->notice(notice.success, notice.title, notice.text);
    m_pages->selection()->select(0);
    m_pages->updateKnobKeysDisplay();
    m_pages->updateKnobKeySelection();
    m_pages->clearAllTabSelections();
    m_saveUndoIndex = m_editor->historyMark();
    // The session writes what the user saw when pressing Save; later edits, a
    // reset or a configuration read cannot change it half-way.
    if (!m_session->save(m_editor->document()))
        m_unsavedGuard->saveNotConfirmed();
}

QString KnobSync::handOverRefusal() const
{
    if (m_editor->hasUnsavedEdits() || m_keptEditsQuestion)
        return QStringLiteral("the window has unsaved edits; save or discard them first");
    return QString();
}

void KnobSync::expectHandedOverWrite(const QString &doneNotice)
{
    m_handOverNotice = doneNotice;
}

void KnobSync::showHandedOverLight(const LightSettings &light, const QString &doneNotice)
{
    m_editor->setLight(light);
    emit notice(true, doneNotice, tr("The window shows the knob's light now"));
}

void KnobSync::finishSave(const SaveOutcome &outcome)
{
    // A profile switch happens only while nothing is unsaved: the window
    // takes what the knob holds now, quietly.
    if (outcome.automatic) {
        if (outcome.readBack) {
            KnobDocument held = outcome.document;
            held.isMacLayout = m_editor->isMacLayout();
            m_editor->loadFromDevice(held, {1, 2, 3, 4, 5});
        }
        return;
    }
    if (!m_handOverNotice.isEmpty()) {
        const QString done = std::exchange(m_handOverNotice, QString());
        // The window held nothing unsaved, so all of it becomes what the knob holds.
        if (outcome.readBack) {
            KnobDocument held = outcome.document;
            held.isMacLayout = m_editor->isMacLayout();
            m_editor->loadFromDevice(held, {1, 2, 3, 4, 5});
            if (held.light)
                m_editor->setLight(*held.light);
            m_editor->markHeldByKnob();
        }
        if (outcome.confirmed() || (outcome.written && !outcome.verifiable)) {
            emit notice(true, done, tr("The window shows what the knob holds now"));
        } else {
            const SaveNotice failed = saveEndNotice(outcome, {});
            emit notice(failed.success, failed.title, failed.text);
        }
        return;
    }
    QList<int> kept;
    if (outcome.readBack) {
        // Keys that did not take, and keys the save left alone, show what the
        // knob holds; after that the window and the knob agree.
        KnobDocument held = outcome.document;
        held.isMacLayout = m_editor->isMacLayout();
        m_editor->adoptReadBack(held, outcome.check.differingKeys + outcome.unwrittenKeys);
        m_editor->markHeldByKnob();
        for (int k : outcome.unwrittenKeys) {
            if (!m_editor->gesture(k).isEmpty())
                kept << k;
        }
    }
    // Bluetooth cannot read back; what it took is taken as written.
    const bool agrees = outcome.readBack || (outcome.written && !outcome.verifiable);
    if (!agrees || (outcome.readBack && !outcome.check.matches()))
        m_unsavedGuard->saveNotConfirmed();
    if (agrees && m_editor->historyMark() == m_saveUndoIndex)
        m_editor->markSaved();
    const SaveNotice notice = saveEndNotice(outcome, kept);
    emit this->notice(notice.success, notice.title, notice.text);
}

// ---- Reset --------------------------------------------------------------------------

void KnobSync::showRestoreConfirmation()
{
    auto *overlay = new ResetOverlay(m_window);
    connect(overlay, &ResetOverlay::confirmed, this, &KnobSync::confirmRestore);
    overlay->show();
    overlay->raise();
}

void KnobSync::confirmRestore()
{
    resetAllGestures();
    m_pages->selection()->select(0);
    m_pages->updateKnobKeysDisplay();
    m_pages->updateKnobKeySelection();
    m_pages->clearAllTabSelections();
}
