// The tab bar, the system switch, the pages they open and the edits the pages ask for.
#include "ui/TabPages.h"

#include "device/KnobSession.h"
#include "protocol/keyvocabulary.h"
#include "protocol/knobstoragerules.h"
#include "ui/DebugConsole.h"
#include "ui/GestureSelection.h"
#include "ui/KeyLayerSlide.h"
#include "ui/KnobArea.h"
#include "ui/PageStack.h"
#include "ui/SystemSwitch.h"
#include "ui/TabBar.h"
#include "ui/pages/CombinationWidget.h"
#include "ui/pages/DebugWidget.h"
#include "ui/pages/DelayWidget.h"
#include "ui/pages/KeyboardWidget.h"
#include "ui/pages/LightWidget.h"
#include "ui/pages/MouseWidget.h"
#include "ui/pages/MultimediaWidget.h"
#include "ui/pages/PaintedButton.h"
#include "ui/pages/ProcreateWidget.h"
#include "ui/uitext.h"

#include <QDebug>
#include <QMessageBox>
#include <QUndoStack>

#include <algorithm>
#include <type_traits>

namespace {

bool validKnobKey(int k)
{
    return k >= 1 && k <= 5;
}

} // namespace

TabPages::TabPages(QWidget *window, KnobSession *session, KnobEditor *editor, GestureSelection *selection,
                   KnobArea *knobArea, PaintedButton *resetButton, const QSize &designSize)
    : QObject(window), m_window(window), m_session(session), m_editor(editor), m_selection(selection),
      m_knobArea(knobArea), m_resetButton(resetButton)
{
    m_tabBar = new TabBar(m_window, designSize);
    connect(m_tabBar, &TabBar::tabPressed, this, [this](int index) {
        if (m_session->isConnected())
            switchToTab(index);
    });
    m_systemSwitch = new SystemSwitch(m_window, designSize, m_editor->isMacLayout());
    m_keyLayerSlide = new KeyLayerSlide(m_window);
    connect(m_systemSwitch, &SystemSwitch::systemPressed, this, [this](bool mac) {
        if (m_session->isConnected())
            switchKeyboardSystem(mac);
    });
    setupPages();
}

TabPages::~TabPages() = default;

KeyboardWidget *TabPages::keyboardPage() const
{
    return m_keyboardWidget;
}

DelayWidget *TabPages::delayPage() const
{
    return m_delayWidget;
}

LightWidget *TabPages::lightPage() const
{
    return m_lightWidget;
}

void TabPages::setConnectedLook(bool connected)
{
    m_connectedLook = connected;
    // The debug page is not an editing page and keeps its mouse.
    const QList<QWidget *> pages = {m_keyboardWidget, m_combinationWidget, m_multimediaWidget, m_mouseWidget,
                                    m_delayWidget,    m_lightWidget,       m_procreateWidget};
    for (QWidget *page : pages) {
        if (page)
            page->setAttribute(Qt::WA_TransparentForMouseEvents, !connected);
    }
}

int TabPages::selectedKnobKey() const
{
    return m_selection->current();
}

void TabPages::setupPages()
{
    m_contentStack = new PageStack(m_window);

    // The keyboard page is built now; the others (and the hidden debug
    // console) when their tab is first opened, so start-up pays only for what
    // the first frame shows. The model and the light keep what the
    // configuration read brought until then.
    m_keyboardWidget = new KeyboardWidget(m_contentStack);
    for (int i = 0; i < kPageCount; ++i)
        m_contentStack->addWidget(i == 0 ? static_cast<QWidget *>(m_keyboardWidget)
                                         : new QWidget(m_contentStack));
    m_keyboardWidget->setMacLayout(m_editor->isMacLayout());
    m_keyboardWidget->follow(m_editor, m_selection);
    m_contentStack->setCurrentIndex(0);

    connect(m_keyboardWidget, &KeyboardWidget::keyClicked, this, &TabPages::onKeyboardPageKeyClicked);
    connect(m_keyboardWidget, &KeyboardWidget::debugUnlockRequested, this, [this] {
        // The clicks were the unlock, not edits: the gesture goes back to how
        // it was before them. The last click arrives after this signal.
        m_editor->withdrawEditsSince(m_escapeStreakStart);
        m_dropNextEscape = true;
        showDebugTab();
    });
}

QWidget *TabPages::ensurePage(int index)
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
                        "组合键被点击:", &TabPages::addSelectedCombination);
        break;
    case 2:
        page = listPage(m_multimediaWidget, &MultimediaWidget::multimediaClicked,
                        "多媒体按键被点击:", &TabPages::replaceSelectedKeyWithAction);
        break;
    case 4:
        page = listPage(m_mouseWidget, &MouseWidget::mouseClicked,
                        "鼠标按键被点击:", &TabPages::replaceSelectedKeyWithAction);
        break;
    case 6:
        page = listPage(m_procreateWidget, &ProcreateWidget::procreateKeyClicked,
                        "Procreate按键被点击:", &TabPages::replaceSelectedKeyWithAction);
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
        connect(m_debugWidget, &DebugWidget::exitDebugMode, this, &TabPages::hideDebugTab);
        m_debugConsole = new DebugConsole(
            m_session, m_debugWidget, [this] { return selectedKnobKey(); }, m_window);
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

QWidget *TabPages::buildLightPage()
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

QWidget *TabPages::buildDelayPage()
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

void TabPages::onKeyboardPageKeyClicked(uint16_t code)
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

void TabPages::switchToTab(int index)
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

void TabPages::switchKeyboardSystem(bool mac)
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

// ---- Tab state and the debug console's tab ------------------------------------------

int TabPages::tabCount() const
{
    return m_tabBar->count();
}

void TabPages::showDebugTab()
{
    if (m_tabBar->isDebugTabVisible())
        return;
    m_tabBar->setDebugTabVisible(true);
    qDebug().noquote() << "调试tab已显示";
    emit notice(true, tr("Debug Mode"), tr("Debug tab enabled"));
}

void TabPages::hideDebugTab()
{
    if (!m_tabBar->isDebugTabVisible())
        return;
    if (m_keyboardWidget)
        m_keyboardWidget->resetEscapeClickCount();
    m_tabBar->setDebugTabVisible(false);
    if (m_tabBar->currentIndex() == 7)
        switchToTab(0);
    qDebug().noquote() << "调试tab已隐藏";
    emit notice(true, tr("Debug Mode"), tr("Debug mode exited"));
}

// ---- Selection, labels and the delay page -------------------------------------------

void TabPages::selectKnobKey(int knobKey)
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

void TabPages::updateKnobKeySelection()
{
    m_knobArea->updateSelection();
}

void TabPages::updateSingleKnobKeyDisplay(int knobKey)
{
    m_knobArea->updateSingleKeyDisplay(knobKey);
}

void TabPages::updateKnobKeysDisplay()
{
    m_knobArea->updateKeysDisplay();
}

void TabPages::syncDelayWidgetForCurrentKnob()
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

void TabPages::clearAllTabSelections()
{
    if (m_resetButton) {
        m_resetButton->setSelected(false);
        m_resetButton->clearFocus();
    }
}

void TabPages::markSelectionAfterEdit()
{
    updateKnobKeySelection();
    syncDelayWidgetForCurrentKnob();
}

// ---- Model operations -------------------------------------------------------------

void TabPages::reportEdit(int knobKey, const KnobEditor::Result &result)
{
    const StorageRule rule = result.refusedBy;
    if (rule == StorageRule::VirtualKeyLimit) {
        QMessageBox::warning(m_window, tr("Notice"), tr("Each physical key can bind up to 18 virtual keys"),
                             QMessageBox::Ok);
        return;
    }
    if (rule != StorageRule::None) {
        emit notice(false, tr("Not added"), storageRuleText(rule));
        return;
    }
    if (result.replacedOthers)
        emit notice(true, tr("Actions replaced"), storageRuleText(StorageRule::ActionAlone));
    qDebug().noquote() << "按键" << knobKey << "已选择按键数量:" << m_editor->gesture(knobKey).size();
}

void TabPages::addSelectedKey(quint16 value)
{
    const int k = selectedKnobKey();
    if (!validKnobKey(k))
        return;
    const KnobEditor::Result r = m_editor->addKeyCode(k, value);
    reportEdit(k, r);
}

void TabPages::addSelectedCombination(const QString &name)
{
    const int k = selectedKnobKey();
    if (!validKnobKey(k))
        return;
    const KnobEditor::Result r = m_editor->addName(k, name);
    reportEdit(k, r);
}

void TabPages::replaceSelectedKeyWithAction(const QString &name)
{
    // Media, mouse and drawing-app actions stand alone; the editor replaces.
    addSelectedCombination(name);
}

void TabPages::removeSelectedAction(int index)
{
    const int k = selectedKnobKey();
    if (!validKnobKey(k))
        return;
    if (index < 0)
        m_editor->removeLastAction(k);
    else
        m_editor->removeAction(k, index);
}

void TabPages::clearKnobKey(int knobKey)
{
    if (!validKnobKey(knobKey))
        return;
    m_editor->clearKey(knobKey);
    clearAllTabSelections();
    emit notice(true, tr("Clear Selection"), tr("Current selection cleared successfully"));
    qDebug().noquote() << "已清除按键" << knobKey << "的内容";
}

void TabPages::playKnobDialAnimation(int knobKey)
{
    m_knobArea->playDialAnimation(knobKey);
}
