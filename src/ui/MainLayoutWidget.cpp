// Building the window's pieces and pages, the page slide, the session's
// reports, the edits of the selected gesture, save and reset, and scaling.
#include "ui/MainLayoutWidget.h"

#include "device/KnobSession.h"
#include "protocol/assignmentwrite.h"
#include "protocol/configdecode.h"
#include "protocol/keyvocabulary.h"
#include "protocol/knobdocument.h"
#include "protocol/knobstoragerules.h"
#include "protocol/packets.h"
#include "ui/uitext.h"
#include "ui/ChoiceOverlay.h"
#include "ui/ConfigFileTransfer.h"
#include "ui/DebugConsole.h"
#include "ui/DimOverlay.h"
#include "ui/GestureSelection.h"
#include "ui/HeaderBar.h"
#include "ui/KeyLayerSlide.h"
#include "ui/KeyboardNavigation.h"
#include "ui/KnobArea.h"
#include "ui/KnobEditor.h"
#include "ui/PageStack.h"
#include "ui/ResetOverlay.h"
#include "ui/StatusArea.h"
#include "ui/SystemSwitch.h"
#include "ui/TabBar.h"
#include "ui/ToastWidget.h"
#include "ui/UnsavedEditsGuard.h"
#include "ui/WindowBackground.h"
#include "ui/WindowButtons.h"
#include "ui/mainlayoutgeometry.h"
#include "ui/pages/CombinationWidget.h"
#include "ui/pages/DebugWidget.h"
#include "ui/pages/DelayWidget.h"
#include "ui/pages/KeyboardWidget.h"
#include "ui/pages/LightWidget.h"
#include "ui/pages/MouseWidget.h"
#include "ui/pages/MultimediaWidget.h"
#include "ui/pages/PaintedButton.h"
#include "ui/pages/ProcreateWidget.h"
#include "ui/savenotices.h"

#include <QDebug>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QThread>
#include <QUndoStack>

#include <algorithm>
#include <type_traits>
#include <utility>

namespace {

// A knob's identity as a person reads it: its serial or address, not the ids.
QString knobDescription(const QString &identity)
{
    const int serial = identity.indexOf(QLatin1String(" serial "));
    if (serial >= 0)
        return QStringLiteral("the knob with serial %1").arg(identity.mid(serial + 8));
    if (identity.startsWith(QLatin1String("address ")))
        return QStringLiteral("the knob with Bluetooth address %1").arg(identity.mid(8));
    if (identity == QLatin1String("demo"))
        return QStringLiteral("the demo knob");
    return QStringLiteral("the knob at %1")
        .arg(identity.startsWith(QLatin1String("path ")) ? identity.mid(5) : identity);
}

// At or below this the knob is due for its charger.
constexpr int kLowBatteryPercent = 15;

bool validKnobKey(int k)
{
    return k >= 1 && k <= 5;
}

} // namespace

// ---- The session's reports ----------------------------------------------------------

MainLayoutWidget::MainLayoutWidget(KnobSession *session, QWidget *parent)
    : QWidget(parent), m_session(session), m_editor(new KnobEditor(this)),
      m_selection(new GestureSelection(this))
{
    Q_ASSERT(session);
    setupUI();
    // The knob area and the delay page follow the editor themselves; the marks
    // of the other pages are redrawn here.
    connect(m_editor, &KnobEditor::gestureChanged, this, &MainLayoutWidget::markSelectionAfterEdit);
    connect(m_editor, &KnobEditor::documentReplaced, this, &MainLayoutWidget::markSelectionAfterEdit);
    m_unsavedGuard = new UnsavedEditsGuard(this, m_editor, m_saveButton, [this] { onSaveClicked(); });
    m_fileTransfer = new ConfigFileTransfer(this, m_editor);
    connect(m_fileTransfer, &ConfigFileTransfer::notice, this, &MainLayoutWidget::showToast);
    connect(m_importButton, &QPushButton::clicked, m_fileTransfer, &ConfigFileTransfer::importWithDialog);
    connect(m_exportButton, &QPushButton::clicked, m_fileTransfer, &ConfigFileTransfer::exportWithDialog);
    setupShortcuts();

    connect(m_session, &KnobSession::connectionChanged, this, &MainLayoutWidget::onConnectionChanged);
    connect(m_session, &KnobSession::configReadStarted, this, &MainLayoutWidget::clearLoadedConfigState);
    connect(m_session, &KnobSession::configPacketRead, this, &MainLayoutWidget::applyReadConfigPacket);
    connect(m_session, &KnobSession::configReadFinished, this, &MainLayoutWidget::onConfigReadFinished);
    connect(m_session, &KnobSession::saveChecked, this, &MainLayoutWidget::finishSave);
    connect(m_session, &KnobSession::lightingSendFailed, this, [this] {
        showToast(false, QStringLiteral("灯光命令发送失败"), QStringLiteral("请确认设备连接正常"));
    });
    connect(m_session, &KnobSession::bluetoothConnected, this, [this] {
        showToast(true, QStringLiteral("连接成功"), QStringLiteral("已成功连接当前蓝牙设备"));
    });
    connect(m_session, &KnobSession::bluetoothConnectFailed, this,
            [this](const QString &reason) { showToast(false, QStringLiteral("连接失败"), reason); });
    connect(m_session, &KnobSession::permissionHintChanged, this,
            &MainLayoutWidget::setPermissionHintVisible);
    connect(m_session, &KnobSession::batteryLevelChanged, this, &MainLayoutWidget::showBatteryLevel);
    connect(m_session, &KnobSession::deviceIdsSwitched, this, [this](const QString &pair) {
        showToast(true, QStringLiteral("设备切换"), QStringLiteral("已切换至 ") + pair);
    });
    // A session that is already connected (the window was built late) is shown as such.
    if (m_session->isConnected())
        onConnectionChanged(true);
}

MainLayoutWidget::~MainLayoutWidget() = default;

int MainLayoutWidget::selectedKnobKey() const
{
    return m_selection->current();
}

void MainLayoutWidget::setupShortcuts()
{
    const auto shortcut = [this](const QKeySequence &keys, auto slot) {
        auto *s = new QShortcut(keys, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, slot);
    };
    QUndoStack *undo = m_editor->undoStack();
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), [undo] { undo->undo(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [undo] { undo->redo(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), [undo] { undo->redo(); });
    shortcut(QKeySequence(Qt::Key_Backspace), [this] { removeSelectedAction(-1); });
    // Through the button, so it saves exactly when a click would.
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { m_saveButton->click(); });
    new KeyboardNavigation(this, [this] { return focusOrder(); });
    // Holding the focus keeps the window from handing it to its first
    // control (and ringing it) when it is activated; Tab starts at the header.
    setFocus();
}

QList<QWidget *> MainLayoutWidget::focusOrder() const
{
    // An open question covers the window: Tab stays on its answers.
    for (QWidget *child : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if ((qobject_cast<ResetOverlay *>(child) || qobject_cast<ChoiceOverlay *>(child)) &&
            child->isVisible()) {
            const QList<QPushButton *> answers = child->findChildren<QPushButton *>();
            return QList<QWidget *>(answers.begin(), answers.end());
        }
    }
    QList<QWidget *> order = {m_importButton, m_exportButton, m_resetButton, m_saveButton};
    if (const auto *buttons = findChild<WindowButtons *>(QString(), Qt::FindDirectChildrenOnly))
        order << buttons->minimiseButton() << buttons->closeButton();
    // The rest only edits a connected knob.
    if (!m_session->isConnected())
        return order;
    order += m_knobArea->focusOrder();
    order += m_tabBar->items();
    if (m_systemSwitch->isVisible())
        order += m_systemSwitch->items();
    QWidget *page = m_contentStack->widget(m_tabBar->currentIndex());
    if (!page)
        return order;
    // The page's own tab order; the keyboard's keys read by row, from the left.
    QList<QWidget *> controls;
    for (QWidget *w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
        if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus))
            controls << w;
    }
    if (page == m_keyboardWidget) {
        const auto at = [page](const QWidget *w) { return w->mapTo(page, QPoint(0, 0)); };
        std::stable_sort(controls.begin(), controls.end(), [&at](const QWidget *a, const QWidget *b) {
            const QPoint pa = at(a);
            const QPoint pb = at(b);
            return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
        });
    }
    return order + controls;
}

void MainLayoutWidget::showBatteryLevel(int percent)
{
    const QString link = QStringLiteral("Bluetooth");
    m_statusArea->setLinkText(!m_session->isOverBluetooth() ? QString()
                              : percent < 0                 ? link
                                            : QStringLiteral("%1 · %2 %").arg(link).arg(percent));
    m_statusArea->relayout();
    if (percent < 0 || percent > kLowBatteryPercent || std::exchange(m_lowBatteryShown, true))
        return;
    showToast(false, QStringLiteral("Low battery"),
              QStringLiteral("The knob's battery is at %1 %: charge it soon").arg(percent));
}

void MainLayoutWidget::onConnectionChanged(bool connected)
{
    if (!connected)
        m_lowBatteryShown = false;
    showBatteryLevel(m_session->batteryLevel());
    if (connected) {
        m_knob = m_session->knobIdentity();
        updateStatusIcon(true);
        m_selection->select(0);
        updateKnobKeySelection();
        clearAllTabSelections();
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
        updateSingleKnobKeyDisplay(k);
    m_selection->select(0);
    updateKnobKeysDisplay();
    updateKnobKeySelection();
    clearAllTabSelections();
    syncDelayWidgetForCurrentKnob();
    updateStatusIcon(false);
}

void MainLayoutWidget::onConfigReadFinished(bool ok, bool receivedAny)
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
    m_selection->select(0);
    updateKnobKeySelection();
    syncDelayWidgetForCurrentKnob();
}

void MainLayoutWidget::offerKeptEdits()
{
    if (!m_unsavedEditsKnob.isEmpty() && m_unsavedEditsKnob == m_knob) {
        restoreKeptEdits();
        return;
    }
    if (m_keptEditsQuestion)
        return;
    const QString madeFor = m_unsavedEditsKnob.isEmpty()
                                ? QStringLiteral("a knob that could not be told apart")
                                : knobDescription(m_unsavedEditsKnob);
    m_keptEditsQuestion = new ChoiceOverlay(
        this, QStringLiteral("Edits for another knob"),
        QStringLiteral("You have unsaved edits made for %1; the knob connected now is %2. "
                       "Put those edits on this knob?")
            .arg(madeFor, m_knob.isEmpty() ? QStringLiteral("not known") : knobDescription(m_knob)),
        {QStringLiteral("Not now"), QStringLiteral("Discard"), QStringLiteral("Use on this knob")});
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

void MainLayoutWidget::restoreKeptEdits()
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

void MainLayoutWidget::dropKeptEdits()
{
    m_unsavedEdits.reset();
    m_unsavedEditsKnob.clear();
    m_editor->setKeptEdits(false);
}

void MainLayoutWidget::markSelectionAfterEdit()
{
    updateKnobKeySelection();
    syncDelayWidgetForCurrentKnob();
}

void MainLayoutWidget::handleLogoPress()
{
    if (m_session->isConnected())
        return;
    if (m_logoClickCount++ < 9)
        return;
    m_logoClickCount = 0;
    m_session->switchDeviceIds();
}

// ---- Construction -----------------------------------------------------------

void MainLayoutWidget::setupUI()
{
    m_designSize = WindowBackground::designSize();
    // The window already has its size; its central widget gets it only when
    // shown, and laying out at that interim size would decode the pictures twice.
    resize(parentWidget() ? parentWidget()->window()->size() : QSize(1280, 720));
    setMinimumSize(1, 1);

    m_background = new WindowBackground(this);

    m_statusArea = new StatusArea(this, m_designSize);

    m_header = new HeaderBar(this);
    connect(m_header, &HeaderBar::logoPressed, this, &MainLayoutWidget::handleLogoPress);

    m_knobArea = new KnobArea(this, m_editor, m_selection);
    connect(m_knobArea, &KnobArea::clearClicked, this, &MainLayoutWidget::clearKnobKey);
    connect(m_knobArea, &KnobArea::knobKeyClicked, this, [this](int knobKey) {
        if (m_session->isConnected())
            selectKnobKey(knobKey);
    });
    setupButtons();
    m_tabBar = new TabBar(this, m_designSize);
    connect(m_tabBar, &TabBar::tabPressed, this, [this](int index) {
        if (m_session->isConnected())
            switchToTab(index);
    });
    m_systemSwitch = new SystemSwitch(this, m_designSize, m_editor->isMacLayout());
    m_keyLayerSlide = new KeyLayerSlide(this);
    connect(m_systemSwitch, &SystemSwitch::systemPressed, this, [this](bool mac) {
        if (m_session->isConnected())
            switchKeyboardSystem(mac);
    });
    setupPages();

    m_toast = new ToastWidget(this);

    // Pages at the bottom, then the bars over their top edge; the bubble and
    // the toast stay above everything.
    m_contentStack->raise();
    m_tabBar->raise();
    m_systemSwitch->raise();
    m_statusArea->raise();
    m_knobArea->knobLabel()->raise();
    m_knobArea->bubbleContainer()->raise();
    m_toast->raise();

    relayout();
    applyConnectionVisualState(false);
    qDebug().noquote() << "Main layout setup complete";
}

void MainLayoutWidget::setupButtons()
{
    m_resetButton = m_header->resetButton();
    m_importButton = m_header->importButton();
    m_exportButton = m_header->exportButton();
    m_saveButton = m_header->saveButton();
    connect(m_resetButton, &QPushButton::clicked, this, &MainLayoutWidget::showRestoreConfirmation);
    connect(m_saveButton, &QPushButton::clicked, this, &MainLayoutWidget::onSaveClicked);
}

void MainLayoutWidget::setupPages()
{
    m_contentStack = new PageStack(this);

    // The keyboard page is built now; the others (and the hidden debug
    // console) when their tab is first opened, so start-up pays only for what
    // the first frame shows. The document and the light keep what the
    // configuration read brought until then.
    m_keyboardWidget = new KeyboardWidget(m_contentStack);
    for (int i = 0; i < kPageCount; ++i)
        m_contentStack->addWidget(i == 0 ? static_cast<QWidget *>(m_keyboardWidget)
                                         : new QWidget(m_contentStack));
    m_keyboardWidget->setMacLayout(m_editor->isMacLayout());
    m_keyboardWidget->follow(m_editor, m_selection);
    m_contentStack->setCurrentIndex(0);

    connect(m_keyboardWidget, &KeyboardWidget::keyClicked, this, &MainLayoutWidget::onKeyboardPageKeyClicked);
    connect(m_keyboardWidget, &KeyboardWidget::debugUnlockRequested, this, [this] {
        // The clicks were the unlock, not edits: the gesture goes back to how
        // it was before them. The last click arrives after this signal.
        m_editor->withdrawEditsSince(m_escapeStreakStart);
        m_dropNextEscape = true;
        showDebugTab();
    });
}

QWidget *MainLayoutWidget::ensurePage(int index)
{
    if (!m_contentStack || index < 0 || index >= m_contentStack->count())
        return nullptr;
    QWidget *page = nullptr;
    // A list page: one signal with the clicked name, logged, then applied.
    const auto listPage = [this](auto &member, auto signal, const char *log, auto apply) -> QWidget * {
        using Page = std::remove_pointer_t<decltype(member.data())>;
        if (member)
            return nullptr;
        member = new Page(m_contentStack);
        member->follow(m_editor, m_selection);
        connect(member, signal, this, [this, log, apply](const QString &name) {
            qDebug().noquote() << log << name;
            (this->*apply)(name);
        });
        return member;
    };
    switch (index) {
    case 1:
        page = listPage(m_combinationWidget, &CombinationWidget::combinationClicked,
                        "组合键被点击:", &MainLayoutWidget::addSelectedCombination);
        break;
    case 2:
        page = listPage(m_multimediaWidget, &MultimediaWidget::multimediaClicked,
                        "多媒体按键被点击:", &MainLayoutWidget::replaceSelectedKeyWithAction);
        break;
    case 4:
        page = listPage(m_mouseWidget, &MouseWidget::mouseClicked,
                        "鼠标按键被点击:", &MainLayoutWidget::replaceSelectedKeyWithAction);
        break;
    case 6:
        page = listPage(m_procreateWidget, &ProcreateWidget::procreateKeyClicked,
                        "Procreate按键被点击:", &MainLayoutWidget::replaceSelectedKeyWithAction);
        break;
    case 3:
        if (!m_lightWidget)
            page = buildLightPage();
        break;
    case 5:
        if (!m_delayWidget)
            page = buildDelayPage();
        break;
    case 7:
        if (m_debugWidget)
            return m_debugWidget;
        m_debugWidget = new DebugWidget(m_contentStack);
        connect(m_debugWidget, &DebugWidget::exitDebugMode, this, &MainLayoutWidget::hideDebugTab);
        m_debugConsole = new DebugConsole(
            m_session, m_debugWidget, [this] { return selectedKnobKey(); }, this);
        page = m_debugWidget;
        break;
    default:
        return m_contentStack->widget(index);
    }
    if (!page) // built before
        return m_contentStack->widget(index);
    // Into the placeholder's place, with the look every other page has now.
    m_contentStack->replacePage(index, page);
    if (index != 7)
        page->setAttribute(Qt::WA_TransparentForMouseEvents, !m_connectedLook);
    return page;
}

QWidget *MainLayoutWidget::buildLightPage()
{
    m_lightWidget = new LightWidget(m_contentStack);
    const auto showLight = [this] {
        const std::optional<LightSettings> &light = m_editor->light();
        if (light && !m_lightFromPage)
            m_lightWidget->setLightSettings(QColor(light->red, light->green, light->blue), light->brightness,
                                            light->on);
    };
    showLight();
    connect(m_editor, &KnobEditor::lightChanged, m_lightWidget, showLight);
    connect(m_lightWidget, &LightWidget::lightSettingsChanged, this,
            [this](const QColor &color, int brightness, bool on) {
                LightSettings light;
                light.red = static_cast<unsigned char>(color.red());
                light.green = static_cast<unsigned char>(color.green());
                light.blue = static_cast<unsigned char>(color.blue());
                light.brightness = brightness;
                light.on = on;
                // The page already shows what the user chose.
                m_lightFromPage = true;
                m_editor->setLight(light);
                m_lightFromPage = false;
                m_session->queueLighting(light);
            });
    return m_lightWidget;
}

QWidget *MainLayoutWidget::buildDelayPage()
{
    m_delayWidget = new DelayWidget(m_contentStack);
    m_delayWidget->setEditor(m_editor);
    connect(m_delayWidget, &DelayWidget::actionClicked, this, [this](int k, int slot) {
        if (k == selectedKnobKey())
            removeSelectedAction(slot);
    });
    syncDelayWidgetForCurrentKnob();
    return m_delayWidget;
}

void MainLayoutWidget::onKeyboardPageKeyClicked(uint16_t code)
{
    qDebug().noquote() << QStringLiteral("键盘按键被点击: 0x%1").arg(code, 0, 16);
    if (code != KeyboardWidget::kEscapeUsage)
        m_escapeStreakStart = -1;
    else if (m_escapeStreakStart < 0)
        m_escapeStreakStart = m_editor->historyMark();
    if (m_dropNextEscape) {
        // The click that unlocked the debug console.
        m_dropNextEscape = false;
        m_escapeStreakStart = -1;
        return;
    }
    const QString combination = ::modifierKeyCodeToCombination(code, m_editor->isMacLayout());
    if (!combination.isEmpty())
        addSelectedCombination(combination);
    else
        addSelectedKey(code);
}

// ---- Tabs and pages ---------------------------------------------------------

void MainLayoutWidget::switchToTab(int index)
{
    if (!m_contentStack || index < 0 || index >= std::min(tabCount(), m_contentStack->count()) ||
        m_contentStack->isSliding())
        return;
    const int previous = m_tabBar->currentIndex();
    ensurePage(index);
    m_contentStack->slide(previous, index);
    m_tabBar->setCurrentIndex(index);

    const bool showSwitch = index == 0;
    m_systemSwitch->setVisible(showSwitch);
    if (showSwitch) {
        m_systemSwitch->layoutItems();
        m_systemSwitch->updateIcons();
        m_systemSwitch->raise();
    }
    qDebug().noquote() << "Switched to tab:" << index;
}

// ---- Mac / Windows layout ------------------------------------------------------

void MainLayoutWidget::switchKeyboardSystem(bool mac)
{
    if (mac == m_editor->isMacLayout())
        return;
    const bool fromMac = m_editor->isMacLayout();
    m_editor->setMacLayout(mac);
    // Mac lies left of Windows on the switch: the keys leave the way the highlight goes.
    m_keyLayerSlide->run(m_keyboardWidget ? m_keyboardWidget->keyLayer() : nullptr, fromMac, [this, mac] {
        if (m_keyboardWidget)
            m_keyboardWidget->setMacLayout(mac);
    });
    m_systemSwitch->setMacLayout(mac);
}

// ---- Scaling ----------------------------------------------------------------

void MainLayoutWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // Showing the window delivers the size setupUI() already laid out for.
    if (size() == m_laidOutSize && devicePixelRatioF() == m_laidOutRatio)
        return;
    relayout();
}

void MainLayoutWidget::relayout()
{
    // Resizes can arrive while setupUI() is still building the pieces.
    if (!m_toast)
        return;
    const QSize size = this->size();
    m_laidOutSize = size;
    m_laidOutRatio = devicePixelRatioF();
    const layout::MainGeometry g = layout::mainGeometry(size);

    m_header->relayout();
    m_statusArea->relayout();

    m_knobArea->relayout(g.knobArea);

    m_tabBar->relayout(g.tabBar.topLeft(), g.tabBar.height(), g.buttonRadius);

    m_contentStack->setGeometry(g.contentStack);
    if (m_contentStack->cornerRadius() != g.contentStackRadius)
        m_contentStack->setCornerRadius(g.contentStackRadius);

    m_systemSwitch->relayout(g.systemSwitch, g.buttonRadius);
    m_systemSwitch->setVisible(m_tabBar->currentIndex() == 0);
    m_systemSwitch->updateIcons();

    m_toast->relayout();

    // An open reset confirmation keeps covering the whole window.
    if (auto *overlay = findChild<ResetOverlay *>(QString(), Qt::FindDirectChildrenOnly))
        overlay->fitToWindow();
}

// ---- Tab state and the debug console's tab ------------------------------------------

int MainLayoutWidget::tabCount() const
{
    return m_tabBar->count();
}

void MainLayoutWidget::showDebugTab()
{
    if (m_tabBar->isDebugTabVisible())
        return;
    m_tabBar->setDebugTabVisible(true);
    qDebug().noquote() << "调试tab已显示";
    showToast(true, QStringLiteral("调试模式"), QStringLiteral("调试tab已启用"));
}

void MainLayoutWidget::hideDebugTab()
{
    if (!m_tabBar->isDebugTabVisible())
        return;
    if (m_keyboardWidget)
        m_keyboardWidget->resetEscapeClickCount();
    m_tabBar->setDebugTabVisible(false);
    if (m_tabBar->currentIndex() == 7)
        switchToTab(0);
    qDebug().noquote() << "调试tab已隐藏";
    showToast(true, QStringLiteral("调试模式"), QStringLiteral("已退出调试模式"));
}

// ---- Selection, labels and the delay page -------------------------------------------

void MainLayoutWidget::selectKnobKey(int knobKey)
{
    if (!validKnobKey(knobKey))
        return;
    m_selection->select(knobKey);
    updateKnobKeySelection();
    updateKnobKeysDisplay();
    syncDelayWidgetForCurrentKnob();
    playKnobDialAnimation(knobKey);
    qDebug().noquote() << "选中 Knob 按键:" << knobKey;
}

void MainLayoutWidget::updateKnobKeySelection()
{
    m_knobArea->updateSelection();
}

void MainLayoutWidget::updateSingleKnobKeyDisplay(int knobKey)
{
    m_knobArea->updateSingleKeyDisplay(knobKey);
}

void MainLayoutWidget::updateKnobKeysDisplay()
{
    m_knobArea->updateKeysDisplay();
}

void MainLayoutWidget::syncDelayWidgetForCurrentKnob()
{
    if (!m_delayWidget)
        return;
    const int k = selectedKnobKey();
    if (!validKnobKey(k)) {
        m_delayWidget->setSelectedKnobKey(0);
        return;
    }
    m_delayWidget->setSelectedKnobKey(k);
}

void MainLayoutWidget::clearAllTabSelections()
{
    if (m_resetButton) {
        m_resetButton->setSelected(false);
        m_resetButton->clearFocus();
    }
}

// ---- Model operations -------------------------------------------------------------

void MainLayoutWidget::reportEdit(int knobKey, const KnobEditor::Result &result)
{
    const StorageRule rule = result.refusedBy;
    if (rule == StorageRule::VirtualKeyLimit) {
        QMessageBox::warning(this, uiText(QStringLiteral("提示")),
                             uiText(QStringLiteral("每个实体按键最多绑定18个虚拟按键")), QMessageBox::Ok);
        return;
    }
    if (rule != StorageRule::None) {
        showToast(false, QStringLiteral("Not added"), storageRuleText(rule));
        return;
    }
    if (result.replacedOthers)
        showToast(true, QStringLiteral("Actions replaced"), storageRuleText(StorageRule::ActionAlone));
    qDebug().noquote() << "按键" << knobKey << "已选择按键数量:" << m_editor->gesture(knobKey).size();
}

void MainLayoutWidget::addSelectedKey(quint16 value)
{
    const int k = selectedKnobKey();
    if (!validKnobKey(k))
        return;
    const KnobEditor::Result r = m_editor->addKeyCode(k, value);
    reportEdit(k, r);
}

void MainLayoutWidget::addSelectedCombination(const QString &name)
{
    const int k = selectedKnobKey();
    if (!validKnobKey(k))
        return;
    const KnobEditor::Result r = m_editor->addName(k, name);
    reportEdit(k, r);
}

void MainLayoutWidget::replaceSelectedKeyWithAction(const QString &name)
{
    // Media, mouse and drawing-app actions stand alone; the editor replaces.
    addSelectedCombination(name);
}

void MainLayoutWidget::removeSelectedAction(int index)
{
    const int k = selectedKnobKey();
    if (!validKnobKey(k))
        return;
    if (index < 0)
        m_editor->removeLastAction(k);
    else
        m_editor->removeAction(k, index);
}

void MainLayoutWidget::clearKnobKey(int knobKey)
{
    if (!validKnobKey(knobKey))
        return;
    m_editor->clearKey(knobKey);
    clearAllTabSelections();
    showToast(true, QStringLiteral("清除选项"), QStringLiteral("已成功清除当前选项"));
    qDebug().noquote() << "已清除按键" << knobKey << "的内容";
}

void MainLayoutWidget::clearLoadedConfigState()
{
    m_editor->loadFromDevice(KnobDocument(), {1, 2, 3, 4, 5});
}

void MainLayoutWidget::resetAllGestures()
{
    m_editor->resetToDefaults();
    clearAllTabSelections();
    m_knobArea->hideBubble();
    qDebug().noquote() << "已还原到默认设置：音量-、音量+、屏幕亮度-、屏幕亮度+、静音";
}

void MainLayoutWidget::playKnobDialAnimation(int knobKey)
{
    m_knobArea->playDialAnimation(knobKey);
}

// ---- A read-back configuration into the document ---------------------------------------

void MainLayoutWidget::applyReadConfigPacket(const std::vector<unsigned char> &packet)
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

// ---- Looks: status, background, connected / disconnected ----------------------------

void MainLayoutWidget::setPermissionHintVisible(bool visible)
{
    m_statusArea->setPermissionHintVisible(visible, m_session->permissionHintText());
}

void MainLayoutWidget::updateStatusIcon(bool connected)
{
    m_connectedLook = connected;
    m_statusArea->setConnectedLook(connected);
    m_statusArea->setDemo(m_session->isDemo());
    m_statusArea->relayout();
    applyConnectionVisualState(connected);
    qDebug().noquote() << "状态已更新:" << (connected ? QStringLiteral("已连接") : QStringLiteral("未连接"));
}

void MainLayoutWidget::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    m_background->paint(painter);
}

void MainLayoutWidget::applyConnectionVisualState(bool connected)
{
    m_connectedLook = connected;
    m_statusArea->setConnectedLook(connected);
    m_knobArea->setConnectedLook(connected);
    m_tabBar->setConnectedLook(connected);
    m_systemSwitch->setConnectedLook(connected);
    m_background->setConnected(connected);

    const double opacity = connected ? 1.0 : 0.4;
    for (QWidget *w : {static_cast<QWidget *>(m_knobArea->knobLabel()), static_cast<QWidget *>(m_resetButton),
                       static_cast<QWidget *>(m_importButton), static_cast<QWidget *>(m_exportButton),
                       static_cast<QWidget *>(m_saveButton), static_cast<QWidget *>(m_tabBar),
                       static_cast<QWidget *>(m_systemSwitch), static_cast<QWidget *>(m_contentStack)}) {
        if (!w)
            continue;
        auto *dim = w->findChild<DimOverlay *>(QString(), Qt::FindDirectChildrenOnly);
        if (!dim && opacity < 1.0)
            dim = new DimOverlay(w, this, [this](QPainter &painter) { m_background->paint(painter); });
        if (dim)
            dim->setOpacity(opacity);
    }

    m_systemSwitch->updateIcons();

    m_knobArea->applyConnectionLook(connected);

    // The debug page is not an editing page and keeps its mouse.
    const QList<QWidget *> pages = {m_keyboardWidget, m_combinationWidget, m_multimediaWidget, m_mouseWidget,
                                    m_delayWidget,    m_lightWidget,       m_procreateWidget};
    for (QWidget *page : pages) {
        if (page)
            page->setAttribute(Qt::WA_TransparentForMouseEvents, !connected);
    }
    for (PaintedButton *button : {m_resetButton, m_importButton, m_exportButton}) {
        if (button)
            button->setEnabled(connected);
    }
    if (m_saveButton)
        m_saveButton->setEnabled(connected);
    m_tabBar->updateIcons();
}

void MainLayoutWidget::showToast(bool success, const QString &title, const QString &text)
{
    m_toast->showMessage(success, title, text);
}

// ---- Save ---------------------------------------------------------------------------

void MainLayoutWidget::onSaveClicked()
{
    // Two writes must never interleave their packets on the device.
    if (m_session->mayStart(KnobOperations::Kind::Save) == KnobSession::Refusal::Saving) {
        qDebug().noquote() << "保存进行中，忽略重复的保存请求";
        return;
    }
    const SaveNotice notice = saveStartNotice(m_editor->document().keys, m_editor->heldByKnob());
    showToast(notice.success, notice.title, notice.text);
    m_selection->select(0);
    updateKnobKeysDisplay();
    updateKnobKeySelection();
    clearAllTabSelections();
    m_saveUndoIndex = m_editor->historyMark();
    // The session writes what the user saw when pressing Save; later edits, a
    // reset or a configuration read cannot change it half-way.
    if (!m_session->save(m_editor->document()))
        m_unsavedGuard->saveNotConfirmed();
}

void MainLayoutWidget::finishSave(const SaveOutcome &outcome)
{
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
    showToast(notice.success, notice.title, notice.text);
}

// ---- Reset --------------------------------------------------------------------------

void MainLayoutWidget::showRestoreConfirmation()
{
    auto *overlay = new ResetOverlay(this);
    connect(overlay, &ResetOverlay::confirmed, this, &MainLayoutWidget::confirmRestore);
    overlay->show();
    overlay->raise();
}

void MainLayoutWidget::confirmRestore()
{
    resetAllGestures();
    m_selection->select(0);
    updateKnobKeysDisplay();
    updateKnobKeySelection();
    clearAllTabSelections();
}
