// Building the window's pieces and pages, the page slide, the session's
// reports, the knob model operations, save and reset, and scaling.
#include "ui/MainLayoutWidget.h"

#include "device/KnobSession.h"
#include "device/packetutil.h"
#include "protocol/assignmentwrite.h"
#include "protocol/configdecode.h"
#include "protocol/keyvocabulary.h"
#include "protocol/packets.h"
#include "protocol/procreatetable.h"
#include "protocol/uitext.h"
#include "ui/DebugConsole.h"
#include "ui/DraggableWidgets.h"
#include "ui/KnobArea.h"
#include "ui/ResetOverlay.h"
#include "ui/StatusArea.h"
#include "ui/SystemSwitch.h"
#include "ui/TabBar.h"
#include "ui/ToastWidget.h"
#include "ui/mainlayoutgeometry.h"
#include "ui/pages/CombinationWidget.h"
#include "ui/pages/DebugWidget.h"
#include "ui/pages/DelayWidget.h"
#include "ui/pages/KeyboardWidget.h"
#include "ui/pages/LightWidget.h"
#include "ui/pages/MouseWidget.h"
#include "ui/pages/MultimediaWidget.h"
#include "ui/pages/ProcreateWidget.h"
#include "ui/pages/SimKeyButton.h"
#include "ui/svgpixmap.h"
#include "ui/switchbarparts.h"

#include <QDebug>
#include <QGraphicsOpacityEffect>
#include <QMessageBox>
#include <QMouseEvent>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSequentialAnimationGroup>
#include <QSvgRenderer>
#include <QThread>

#include <algorithm>
#include <tuple>
#include <type_traits>

namespace {

constexpr int kSlideMs = switchbar::kSlideMs;
constexpr int kKeyboardSlideStepMs = 120;

bool validKnobKey(int k)
{
    return k >= 1 && k <= 5;
}

void setOpacity(QWidget *widget, double opacity)
{
    if (!widget)
        return;
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(widget->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(widget);
        widget->setGraphicsEffect(effect);
    }
    effect->setOpacity(opacity);
}

QString hexValue(unsigned v)
{
    return QStringLiteral("0x%1").arg(v, 0, 16);
}

} // namespace

// ---- The session's reports ----------------------------------------------------------

MainLayoutWidget::MainLayoutWidget(KnobSession *session, QWidget *parent)
    : QWidget(parent), m_session(session)
{
    Q_ASSERT(session);
    setupUI();

    connect(m_session, &KnobSession::connectionChanged, this, &MainLayoutWidget::onConnectionChanged);
    connect(m_session, &KnobSession::configReadStarted, this, &MainLayoutWidget::clearLoadedConfigState);
    connect(m_session, &KnobSession::configPacketRead, this, &MainLayoutWidget::applyReadConfigPacket);
    connect(m_session, &KnobSession::configReadFinished, this, &MainLayoutWidget::onConfigReadFinished);
    connect(m_session, &KnobSession::saveFinished, this, &MainLayoutWidget::finishSave);
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
    connect(m_session, &KnobSession::deviceIdsSwitched, this, [this](const QString &pair) {
        showToast(true, QStringLiteral("设备切换"), QStringLiteral("已切换至 ") + pair);
    });
    connect(m_lightWidget, &LightWidget::lightSettingsChanged, this,
            [this](const QColor &color, int brightness, bool on) {
                LightSettings light;
                light.red = static_cast<unsigned char>(color.red());
                light.green = static_cast<unsigned char>(color.green());
                light.blue = static_cast<unsigned char>(color.blue());
                light.brightness = brightness;
                light.on = on;
                m_session->queueLighting(light);
            });
    if (m_delayWidget)
        m_delayWidget->setModel(&m_model);
    // A session that is already connected (the window was built late) is shown as such.
    if (m_session->isConnected())
        onConnectionChanged(true);
}

MainLayoutWidget::~MainLayoutWidget() = default;

int MainLayoutWidget::selectedKnobKey() const
{
    return m_knobArea->selectedKey();
}

bool MainLayoutWidget::isDeviceConnected() const
{
    return m_session->isConnected();
}

bool MainLayoutWidget::isSaveRunning() const
{
    return m_session->isSaveRunning();
}

void MainLayoutWidget::onConnectionChanged(bool connected)
{
    if (connected) {
        updateStatusIcon(true);
        m_knobArea->setSelectedKey(0);
        updateKnobKeySelection();
        clearAllTabSelections();
        return;
    }
    // Whatever the user had not saved yet survives the unplug.
    if (m_modelEdited)
        m_unsavedEdits = std::make_unique<KnobModel>(m_model);
    clearLoadedConfigState();
    for (int k = 1; k <= 5; ++k)
        updateSingleKnobKeyDisplay(k);
    m_knobArea->setSelectedKey(0);
    updateKnobKeysDisplay();
    updateKnobKeySelection();
    clearAllTabSelections();
    syncDelayWidgetForCurrentKnob();
    updateStatusIcon(false);
}

void MainLayoutWidget::onConfigReadFinished(bool ok, bool receivedAny)
{
    if (m_unsavedEdits) {
        // The device may hold half of a save that the unplug cut short; the
        // user's edits are what a second Save must write.
        m_model = *m_unsavedEdits;
        m_unsavedEdits.reset();
        m_modelEdited = true;
        showWholeModel();
        qDebug().noquote() << "设备重新连接，保留未保存的修改";
    } else if (ok) {
        m_modelEdited = false;
    }
    if (!ok || !receivedAny)
        return;
    m_knobArea->setSelectedKey(0);
    updateKnobKeySelection();
    syncDelayWidgetForCurrentKnob();
}

void MainLayoutWidget::showWholeModel()
{
    for (int k = 1; k <= 5; ++k) {
        updateSingleKnobKeyDisplay(k);
        if (!m_delayWidget)
            continue;
        QList<QString> texts;
        for (const QString &name : m_model.key(k).displayNames.mid(0, kMaxVirtualKeys))
            texts.append(textBoxDisplayText(name));
        m_delayWidget->setVirtualKeyCount(k, int(texts.size()));
        m_delayWidget->setVirtualKeyTexts(k, texts);
        m_delayWidget->refreshDelays(k);
    }
    updateKnobKeysDisplay();
    updateKnobKeySelection();
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
    const QSvgRenderer background(QStringLiteral(":/asset/Background.svg"));
    if (background.isValid() && !background.defaultSize().isEmpty())
        m_designSize = background.defaultSize();
    resize(parentWidget() ? parentWidget()->size() : QSize(1280, 720));
    setMinimumSize(1, 1);

    m_backgroundLabel = new QLabel(this);
    m_backgroundLabel->setObjectName(QStringLiteral("backgroundLabel"));
    m_backgroundLabel->setGeometry(QRect(QPoint(0, 0), m_designSize));
    // The picture is rendered by relayout() at the window's real size and pixel
    // ratio, before the first frame; a design-size render here would be thrown away.
    m_backgroundLabel->lower();

    m_statusArea = new StatusArea(this, m_designSize);

    m_logoLabel = new DraggableLabel(QStringLiteral("Logo"), this);
    m_logoLabel->setAlignment(Qt::AlignCenter);
    m_logoLabel->setPixmap(renderSvgPixmap(QStringLiteral(":/asset/Logo.svg"), QSize(140, 19), this));
    m_logoLabel->setGeometry(184, 22, 120, 120);

    m_knobArea = new KnobArea(this, &m_model);
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
    m_systemSwitch = new SystemSwitch(this, m_designSize, m_isMacLayout);
    connect(m_systemSwitch, &SystemSwitch::systemPressed, this, [this](bool mac) {
        if (m_session->isConnected())
            switchKeyboardSystem(mac);
    });
    setupPages();

    m_toast = new ToastWidget(this);

    // Pages at the bottom, then the bars over their top edge; the bubble and
    // the toast stay above everything.
    m_contentStack->raise();
    m_tabBar->bar()->raise();
    m_systemSwitch->bar()->raise();
    m_statusArea->statusLabel()->raise();
    m_knobArea->knobLabel()->raise();
    m_knobArea->bubbleContainer()->raise();
    m_toast->raise();

    relayout();
    applyConnectionVisualState(false);
    qDebug().noquote() << "Main layout setup complete";
}

void MainLayoutWidget::setupButtons()
{
    m_resetButton = new SimKeyButton(uiText(QStringLiteral("还原设置")), this);
    m_resetButton->setObjectName(QStringLiteral("resetButton"));
    m_resetButton->setGeometry(1441, 57, 110, 50);
    connect(m_resetButton, &QPushButton::clicked, this, &MainLayoutWidget::showRestoreConfirmation);

    m_saveButton = new QPushButton(uiText(QStringLiteral("保存设置")), this);
    m_saveButton->setObjectName(QStringLiteral("saveButton"));
    m_saveButton->setGeometry(1559, 57, 177, 50);
    m_saveButton->setCursor(Qt::PointingHandCursor);
    m_saveButton->setFocusPolicy(Qt::NoFocus);
    m_saveButton->setEnabled(false);
    connect(m_saveButton, &QPushButton::clicked, this, &MainLayoutWidget::onSaveClicked);
}

void MainLayoutWidget::setupPages()
{
    m_contentStack = new DraggableStackedWidget(QStringLiteral("ContentStack"), this);
    m_contentStack->setGeometry(184, 504, 1552, 496);

    // The pages the configuration read writes into are built now; the others
    // (and the hidden debug console) when their tab is first opened, so start-up
    // pays only for what the first frame shows.
    m_keyboardWidget = new KeyboardWidget(m_contentStack);
    m_lightWidget = new LightWidget(m_contentStack);
    m_delayWidget = new DelayWidget(m_contentStack);
    for (int i = 0; i < kPageCount; ++i) {
        QWidget *page = i == 0   ? m_keyboardWidget.data()
                        : i == 3 ? m_lightWidget.data()
                        : i == 5 ? m_delayWidget.data()
                                 : new QWidget(m_contentStack);
        m_contentStack->addWidget(page);
    }
    m_keyboardWidget->setMacLayout(m_isMacLayout);
    m_contentStack->setCurrentIndex(0);

    connect(m_keyboardWidget, &KeyboardWidget::keyClicked, this, &MainLayoutWidget::onKeyboardPageKeyClicked);
    connect(m_keyboardWidget, &KeyboardWidget::debugUnlockRequested, this, &MainLayoutWidget::showDebugTab);
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
    QWidget *placeholder = m_contentStack->widget(index);
    const bool wasCurrent = m_contentStack->currentIndex() == index;
    page->setGeometry(QRect(QPoint(0, 0), m_contentStack->size()));
    m_contentStack->insertWidget(index, page);
    m_contentStack->removeWidget(placeholder);
    delete placeholder;
    if (wasCurrent)
        m_contentStack->setCurrentIndex(index);
    if (index != 7)
        page->setAttribute(Qt::WA_TransparentForMouseEvents, !m_connectedLook);
    return page;
}

void MainLayoutWidget::onKeyboardPageKeyClicked(uint16_t code)
{
    qDebug().noquote() << QStringLiteral("键盘按键被点击: 0x%1").arg(code, 0, 16);
    const QString combination = ::modifierKeyCodeToCombination(code, m_isMacLayout);
    if (!combination.isEmpty())
        addSelectedCombination(combination);
    else
        addSelectedKey(code);
    Q_EMIT keyClicked(code);
}

// ---- Tabs and pages ---------------------------------------------------------

void MainLayoutWidget::switchToTab(int index)
{
    if (!m_contentStack || index < 0 || index >= std::min(tabCount(), m_contentStack->count()))
        return;
    if (m_pageSlideAnimation)
        return;
    const int previous = m_tabBar->currentIndex();
    ensurePage(index);

    QWidget *oldPage = m_contentStack->widget(previous);
    QWidget *newPage = m_contentStack->widget(index);
    const QRect stackRect(QPoint(0, 0), m_contentStack->size());
    if (index != previous && oldPage && newPage && !stackRect.isEmpty()) {
        oldPage->setGeometry(stackRect);
        newPage->setGeometry(stackRect);
        // The new page enters from the right when its tab lies to the right.
        const int offset = index > previous ? stackRect.width() : -stackRect.width();
        newPage->move(offset, 0);
        oldPage->show();
        newPage->show();
        newPage->raise();

        auto *group = new QParallelAnimationGroup(this);
        for (const auto &[page, from, to] :
             {std::tuple{oldPage, 0, -offset}, std::tuple{newPage, offset, 0}}) {
            auto *slide = new QPropertyAnimation(page, "pos", group);
            slide->setDuration(kSlideMs);
            slide->setEasingCurve(QEasingCurve::InOutCubic);
            slide->setStartValue(QPoint(from, 0));
            slide->setEndValue(QPoint(to, 0));
            group->addAnimation(slide);
        }
        const QPointer<QWidget> oldGuard(oldPage);
        const QPointer<QWidget> newGuard(newPage);
        connect(group, &QAbstractAnimation::finished, this, [this, oldGuard, newGuard] {
            // The group is only deleted later; the next click must not find it.
            m_pageSlideAnimation = nullptr;
            if (newGuard && m_contentStack)
                m_contentStack->setCurrentWidget(newGuard);
            if (oldGuard)
                oldGuard->move(0, 0);
            if (newGuard)
                newGuard->move(0, 0);
        });
        m_pageSlideAnimation = group;
        group->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        m_contentStack->setCurrentIndex(index);
    }

    m_tabBar->setCurrentIndex(index);

    const bool showSwitch = index == 0;
    m_systemSwitch->bar()->setVisible(showSwitch);
    if (showSwitch) {
        m_systemSwitch->layoutItems();
        m_systemSwitch->updateIcons();
        m_systemSwitch->bar()->raise();
    }
    qDebug().noquote() << "Switched to tab:" << index;
}

// ---- Mac / Windows layout ------------------------------------------------------

void MainLayoutWidget::switchKeyboardSystem(bool mac)
{
    if (mac == m_isMacLayout)
        return;
    const bool fromMac = m_isMacLayout;
    QWidget *layer = m_keyboardWidget ? m_keyboardWidget->keyLayer() : nullptr;
    if (m_keyboardSlideAnimation) {
        m_keyboardSlideAnimation->stop();
        if (layer)
            layer->move(m_keyboardLayerRestPos);
    }
    m_isMacLayout = mac;

    if (layer) {
        const QPoint p = layer->pos();
        m_keyboardLayerRestPos = p;
        const int d = std::max(56, layer->width() / 10);
        const QPoint shift((fromMac ? 1 : -1) * d, 0);

        auto *group = new QSequentialAnimationGroup(this);
        auto *out = new QPropertyAnimation(layer, "pos", group);
        out->setDuration(kKeyboardSlideStepMs);
        out->setEasingCurve(QEasingCurve::InCubic);
        out->setStartValue(p);
        out->setEndValue(p - shift);
        auto *in = new QPropertyAnimation(layer, "pos", group);
        in->setDuration(kKeyboardSlideStepMs);
        in->setEasingCurve(QEasingCurve::OutCubic);
        in->setStartValue(p + shift);
        in->setEndValue(p);
        group->addAnimation(out);
        group->addAnimation(in);
        const QPointer<QWidget> layerGuard(layer);
        // The keys change while the layer is out of sight.
        connect(out, &QAbstractAnimation::finished, this, [this, mac, layerGuard, p, shift] {
            if (m_keyboardWidget)
                m_keyboardWidget->setMacLayout(mac);
            if (layerGuard)
                layerGuard->move(p + shift);
        });
        m_keyboardSlideAnimation = group;
        group->start(QAbstractAnimation::DeleteWhenStopped);
    } else if (m_keyboardWidget) {
        m_keyboardWidget->setMacLayout(mac);
    }

    m_systemSwitch->setMacLayout(mac);
}

// ---- Presses ----------------------------------------------------------------

void MainLayoutWidget::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (!m_session->isConnected()) {
        if (m_logoLabel && m_logoLabel->geometry().contains(pos))
            handleLogoPress();
    } else if (const int tab = m_tabBar->indexAt(pos); tab >= 0) {
        // A press between the items.
        switchToTab(tab);
    }
    QWidget::mousePressEvent(event);
}

// ---- Scaling ----------------------------------------------------------------

void MainLayoutWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void MainLayoutWidget::relayout()
{
    if (!m_backgroundLabel)
        return;
    const QSize size = this->size();
    const layout::MainGeometry g = layout::mainGeometry(size);

    m_backgroundLabel->setGeometry(0, 0, size.width(), size.height());
    m_backgroundLabel->setFixedSize(size);
    setBackgroundPicture(m_connectedLook);

    m_logoLabel->setGeometry(g.logo);
    m_logoLabel->setPixmap(renderSvgPixmap(QStringLiteral(":/asset/Logo.svg"), g.logo.size(), this));

    m_statusArea->relayout();
    layoutButtons();

    m_knobArea->relayout(g.knobArea);

    m_tabBar->relayout(g.tabBar.topLeft(), g.tabBar.height(), g.buttonRadius);

    m_contentStack->setGeometry(g.contentStack);
    if (m_contentStack->cornerRadius() != g.contentStackRadius)
        m_contentStack->setCornerRadius(g.contentStackRadius);

    m_systemSwitch->relayout(g.systemSwitch, g.buttonRadius);
    m_systemSwitch->bar()->setVisible(m_tabBar->currentIndex() == 0);
    m_systemSwitch->updateIcons();

    m_toast->relayout();

    // An open reset confirmation keeps covering the whole window.
    if (auto *overlay = findChild<ResetOverlay *>(QString(), Qt::FindDirectChildrenOnly))
        overlay->fitToWindow();
}

// ---- Tab state and the debug console's tab ------------------------------------------

int MainLayoutWidget::currentTabIndex() const
{
    return m_tabBar->currentIndex();
}

int MainLayoutWidget::tabCount() const
{
    return m_tabBar->count();
}

bool MainLayoutWidget::isDebugTabVisible() const
{
    return m_tabBar->isDebugTabVisible();
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
    m_knobArea->setSelectedKey(knobKey);
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
    QList<QString> texts;
    for (const QString &name : m_model.key(k).displayNames.mid(0, kMaxVirtualKeys))
        texts.append(textBoxDisplayText(name));
    m_delayWidget->setSelectedKnobKey(k);
    m_delayWidget->setVirtualKeyCount(k, int(texts.size()));
    m_delayWidget->setVirtualKeyTexts(k, texts);
}

void MainLayoutWidget::clearAllTabSelections()
{
    if (m_keyboardWidget)
        m_keyboardWidget->clearSelection();
    if (m_combinationWidget)
        m_combinationWidget->clearSelection();
    if (m_multimediaWidget)
        m_multimediaWidget->clearSelection();
    if (m_mouseWidget)
        m_mouseWidget->clearSelection();
    if (m_procreateWidget)
        m_procreateWidget->clearSelection();
    if (m_resetButton) {
        m_resetButton->setSelected(false);
        m_resetButton->clearFocus();
    }
}

// ---- Model operations -------------------------------------------------------------

int MainLayoutWidget::selectedKnobIndexWithRoom()
{
    const int k = selectedKnobKey();
    if (!validKnobKey(k))
        return -1;
    if (m_model.isFull(k)) {
        QMessageBox::warning(this, uiText(QStringLiteral("提示")),
                             uiText(QStringLiteral("每个实体按键最多绑定18个虚拟按键")), QMessageBox::Ok);
        return -1;
    }
    return k - 1;
}

void MainLayoutWidget::showAddedVirtualKey(int index)
{
    updateKnobKeysDisplay();
    updateKnobKeySelection();
    syncDelayWidgetForCurrentKnob();
    qDebug().noquote() << "按键" << index + 1
                       << "已选择按键数量:" << m_model.key(index + 1).displayNames.size();
}

void MainLayoutWidget::addSelectedKey(quint16 value)
{
    const int i = selectedKnobIndexWithRoom();
    if (i < 0)
        return;
    m_model.addKeyCode(i + 1, value, m_isMacLayout);
    m_modelEdited = true;
    showAddedVirtualKey(i);
}

void MainLayoutWidget::addSelectedCombination(const QString &name)
{
    const int i = selectedKnobIndexWithRoom();
    if (i < 0)
        return;
    m_model.addCombination(i + 1, name);
    m_modelEdited = true;
    showAddedVirtualKey(i);
}

void MainLayoutWidget::replaceSelectedKeyWithAction(const QString &name)
{
    const int k = selectedKnobKey();
    if (!validKnobKey(k))
        return;
    m_model.replaceWithAction(k, name);
    m_modelEdited = true;
    updateKnobKeysDisplay();
    syncDelayWidgetForCurrentKnob();
}

void MainLayoutWidget::clearKnobKey(int knobKey)
{
    if (!validKnobKey(knobKey))
        return;
    m_model.clearActions(knobKey);
    m_modelEdited = true;
    // The selected key's own label is refreshed by updateKnobKeysDisplay.
    updateSingleKnobKeyDisplay(knobKey);
    clearAllTabSelections();
    updateKnobKeysDisplay();
    updateKnobKeySelection();
    syncDelayWidgetForCurrentKnob();
    showToast(true, QStringLiteral("清除选项"), QStringLiteral("已成功清除当前选项"));
    qDebug().noquote() << "已清除按键" << knobKey << "的内容";
}

void MainLayoutWidget::clearLoadedConfigState()
{
    m_model.clearAll();
    if (!m_delayWidget)
        return;
    for (int k = 1; k <= 5; ++k) {
        m_delayWidget->setVirtualKeyCount(k, 0);
        m_delayWidget->setVirtualKeyTexts(k, {});
        m_delayWidget->refreshDelays(k);
    }
}

void MainLayoutWidget::clearSelectedKeys()
{
    m_knobArea->clearKeyTexts();
    m_model.resetToDefaults();
    clearAllTabSelections();
    m_knobArea->updateKeysLayout();
    // The same eliding as every other label update, so a reset and a later
    // refresh show the same text.
    for (int k = 1; k <= 5; ++k)
        updateSingleKnobKeyDisplay(k);
    m_knobArea->hideBubble();
    updateKnobKeySelection();
    if (m_delayWidget) {
        for (int k = 1; k <= 5; ++k) {
            m_delayWidget->setVirtualKeyCount(k, 1);
            m_delayWidget->setVirtualKeyTexts(k, {textBoxDisplayText(m_model.key(k).displayNames.first())});
            m_delayWidget->refreshDelays(k);
        }
    }
    syncDelayWidgetForCurrentKnob();
    updateKnobKeysDisplay();
    qDebug().noquote() << "已还原到默认设置：音量-、音量+、屏幕亮度-、屏幕亮度+、静音";
}

void MainLayoutWidget::playKnobDialAnimation(int knobKey)
{
    m_knobArea->playDialAnimation(knobKey);
}

// ---- A read-back configuration into the model ---------------------------------------

void MainLayoutWidget::applyReadConfigPacket(const std::vector<unsigned char> &packet)
{
    const DecodedConfigPacket decoded = decodeConfigPacket(packet, m_isMacLayout);
    switch (decoded.kind) {
    case DecodedConfigPacket::Ignored:
        return;
    case DecodedConfigPacket::Colour:
        if (m_lightWidget)
            m_lightWidget->setLightSettings(
                QColor(decoded.light.red, decoded.light.green, decoded.light.blue), decoded.light.brightness,
                decoded.light.on);
        return;
    case DecodedConfigPacket::Assignment:
        if (decoded.procreateFallback)
            qDebug().noquote() << "未知Procreate配置，回退为标准键盘解析:" << packetToHex(packet);
        storeReadKnobEntries(decoded.knobKey, decoded.entries);
        break;
    case DecodedConfigPacket::UnknownAction:
        break;
    }
    updateSingleKnobKeyDisplay(decoded.knobKey);
}

void MainLayoutWidget::applyReadConfigPackets(std::vector<std::vector<unsigned char>> packets)
{
    const int selected = selectedKnobKey();
    clearLoadedConfigState();

    for (const Packet &packet : sortConfigPacketsForApply(std::move(packets)))
        applyReadConfigPacket(packet);

    for (int k = 1; k <= 5; ++k)
        updateSingleKnobKeyDisplay(k);
    if (selected >= 1 && selected <= 5) {
        m_knobArea->setSelectedKey(selected);
        updateKnobKeysDisplay();
    }
    updateKnobKeySelection();
    syncDelayWidgetForCurrentKnob();
}

void MainLayoutWidget::storeReadKnobEntries(int knobKey, const QList<ConfigEntry> &entries)
{
    if (!KnobModel::validKey(knobKey))
        return;
    m_model.storeEntries(knobKey, entries);
    if (!m_delayWidget)
        return;
    QList<QString> texts;
    for (const ConfigEntry &e : entries)
        texts.append(e.boxText);
    m_delayWidget->refreshDelays(knobKey);
    m_delayWidget->setVirtualKeyCount(knobKey, int(texts.size()));
    m_delayWidget->setVirtualKeyTexts(knobKey, texts);
}

// ---- Looks: status, background, connected / disconnected ----------------------------

void MainLayoutWidget::setPermissionHintVisible(bool visible)
{
    m_statusArea->setPermissionHintVisible(visible, m_session->permissionHintText());
}

void MainLayoutWidget::layoutStatusWidgets(const QSize &statusSize)
{
    m_statusArea->layoutStatusWidgets(statusSize);
}

void MainLayoutWidget::setDisconnectedStatusWidgetsVisible(bool visible)
{
    m_statusArea->setDisconnectedWidgetsVisible(visible);
}

void MainLayoutWidget::updateStatusIcon(bool connected)
{
    m_connectedLook = connected;
    m_statusArea->setConnectedLook(connected);
    m_statusArea->relayout();
    applyConnectionVisualState(connected);
    qDebug().noquote() << "状态已更新:" << (connected ? QStringLiteral("已连接") : QStringLiteral("未连接"));
}

void MainLayoutWidget::setBackgroundPicture(bool connected)
{
    if (!m_backgroundLabel)
        return;
    const QSize size = m_backgroundLabel->size().isValid() ? m_backgroundLabel->size() : this->size();
    const QString connectedPath = QStringLiteral(":/asset/Background.svg");
    QString path = connected ? connectedPath : QStringLiteral(":/asset/disconnected_bg.svg");
    if (!connected && !QSvgRenderer(path).isValid())
        path = connectedPath;
    // A window-sized picture is megabytes: the old one goes before the new one
    // is drawn, so two are never alive at once. An invalid picture keeps the old.
    if (!QSvgRenderer(path).isValid())
        return;
    m_backgroundLabel->clear();
    const QPixmap picture = renderSvgPixmap(path, size, this);
    if (!picture.isNull())
        m_backgroundLabel->setPixmap(picture);
}

void MainLayoutWidget::applyConnectionVisualState(bool connected)
{
    m_connectedLook = connected;
    m_statusArea->setConnectedLook(connected);
    m_knobArea->setConnectedLook(connected);
    m_tabBar->setConnectedLook(connected);
    m_systemSwitch->setConnectedLook(connected);
    setBackgroundPicture(connected);

    const double opacity = connected ? 1.0 : 0.4;
    for (QWidget *w : {static_cast<QWidget *>(m_knobArea->knobLabel()), static_cast<QWidget *>(m_resetButton),
                       static_cast<QWidget *>(m_saveButton), static_cast<QWidget *>(m_tabBar->bar()),
                       static_cast<QWidget *>(m_systemSwitch->bar()), static_cast<QWidget *>(m_contentStack)})
        setOpacity(w, opacity);

    m_systemSwitch->updateIcons();

    m_knobArea->applyConnectionLook(connected);

    // The debug page is not an editing page and keeps its mouse.
    const QList<QWidget *> pages = {m_keyboardWidget, m_combinationWidget, m_multimediaWidget, m_mouseWidget,
                                    m_delayWidget,    m_lightWidget,       m_procreateWidget};
    for (QWidget *page : pages) {
        if (page)
            page->setAttribute(Qt::WA_TransparentForMouseEvents, !connected);
    }
    if (m_resetButton)
        m_resetButton->setEnabled(connected);
    if (m_saveButton)
        m_saveButton->setEnabled(connected);
    m_tabBar->updateIcons();
}

void MainLayoutWidget::showToast(bool success, const QString &title, const QString &text)
{
    m_toast->showMessage(success, title, text);
}

// ---- Buttons ------------------------------------------------------------------------

void MainLayoutWidget::layoutButtons()
{
    if (!m_resetButton || !m_saveButton)
        return;
    const layout::MainGeometry g = layout::mainGeometry(size());
    m_resetButton->setGeometry(g.resetButton);
    m_saveButton->setGeometry(g.saveButton);
    m_resetButton->setBorderRadius(g.buttonRadius);
    m_resetButton->setBorderWidth(g.buttonBorder);
    m_resetButton->setFontPixelSizeRange(g.buttonFontMinPx, g.buttonFontMaxPx);
    m_saveButton->setStyleSheet(
        QStringLiteral("QPushButton {  background-color: #BEF449;  color: #272A2B;  border: none;  "
                       "border-radius: %2px;  font-size: %1px;  font-weight: 500;}"
                       "QPushButton:hover {  background-color: #CCF66D;}"
                       "QPushButton:pressed {  background-color: #A4D33F;}"
                       "QPushButton:disabled {  background-color: #BEF449;  color: #272A2B;}")
            .arg(g.saveButtonFontPx)
            .arg(g.buttonRadius));
}

// ---- Save ---------------------------------------------------------------------------

void MainLayoutWidget::onSaveClicked()
{
    // Two writes must never interleave their packets on the device.
    if (m_session->isSaveRunning()) {
        qDebug().noquote() << "保存进行中，忽略重复的保存请求";
        return;
    }
    showToast(true, QStringLiteral("正在保存"), QStringLiteral("正在写入设备配置"));
    m_knobArea->setSelectedKey(0);
    updateKnobKeysDisplay();
    updateKnobKeySelection();
    clearAllTabSelections();
    // The session writes what the user saw when pressing Save; later edits, a
    // reset or a configuration read cannot change it half-way.
    m_session->save(takeKnobModelSnapshot());
}

void MainLayoutWidget::finishSave(bool ok)
{
    // A failed save leaves the device behind the model, whatever was edited.
    m_modelEdited = !ok;
    if (ok)
        showToast(true, QStringLiteral("保存成功"), QStringLiteral("配置已写入设备"));
    else
        showToast(false, QStringLiteral("保存失败"), QStringLiteral("写入失败，请重新保存"));
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
    clearSelectedKeys();
    m_modelEdited = true;
    m_knobArea->setSelectedKey(0);
    updateKnobKeysDisplay();
    updateKnobKeySelection();
    clearAllTabSelections();
}

// ---- Single reports to the selected physical key ------------------------------------

unsigned char MainLayoutWidget::getCommandCodeForSelectedKey() const
{
    return commandCodeForKnobKey(selectedKnobKey());
}

bool MainLayoutWidget::sendStandardKey(unsigned short keyCode, unsigned char modifierMask)
{
    qDebug().noquote() << "发送标准按键:" << hexValue(keyCode) << "修饰键:" << modifierMask;
    const Packet packet = buildStandardKeyPacket(getCommandCodeForSelectedKey(), keyCode, modifierMask);
    if (packet.empty()) {
        qDebug().noquote() << "无有效标准按键可发送";
        return false;
    }
    return sendPacketWithResult(packet) > 0;
}

bool MainLayoutWidget::sendMultimediaKey(unsigned short usage)
{
    qDebug().noquote() << "发送多媒体按键:" << hexValue(usage);
    return sendPacketWithResult(buildMultimediaKeyPacket(getCommandCodeForSelectedKey(), usage)) > 0;
}

bool MainLayoutWidget::sendMouseKey(const QString &name, unsigned short, unsigned char)
{
    qDebug().noquote() << "发送鼠标按键:" << name;
    const Packet packet = buildMouseKeyPacket(getCommandCodeForSelectedKey(), name);
    if (packet.empty()) {
        qWarning().noquote() << "未知的鼠标按键类型:" << name;
        return false;
    }
    return sendPacketWithResult(packet) > 0;
}

bool MainLayoutWidget::sendLightKey(unsigned short code)
{
    qDebug().noquote() << "发送灯光按键:" << hexValue(code);
    const std::vector<Packet> parts = buildLightModePackets(code);
    if (parts.empty()) {
        qDebug().noquote() << "未知灯光按键码，忽略";
        return false;
    }
    // A part that fails stops the sequence; the device may keep part 0 alone.
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            QThread::msleep(kPauseBetweenLightPartsMs);
        if (sendPacketWithResult(parts[i]) <= 0)
            return false;
    }
    return true;
}

bool MainLayoutWidget::sendProcreateKey(const QString &name)
{
    if (!m_session->isConnected() || selectedKnobKey() == 0)
        return false;
    const Packet packet = buildProcreateKeyPacket(getCommandCodeForSelectedKey(), name);
    if (packet.empty()) {
        qDebug().noquote() << "未知或无默认快捷键的Procreate按键:" << name;
        return false;
    }
    qDebug().noquote() << "发送Procreate按键:" << name << "到knob" << selectedKnobKey();
    qDebug().noquote() << "数据包:" << packetToHex(packet);
    if (sendPacketWithResult(packet) > 0) {
        qDebug().noquote() << "✓ Procreate按键发送成功";
        return true;
    }
    qDebug().noquote() << "✗ Procreate按键发送失败";
    return false;
}

KnobModelSnapshot MainLayoutWidget::takeKnobModelSnapshot() const
{
    return m_model.snapshot(m_isMacLayout);
}

QString MainLayoutWidget::keyCodeToString(unsigned short keyValue) const
{
    return ::keyCodeToString(keyValue, m_isMacLayout);
}

QString MainLayoutWidget::packetToHex(const std::vector<unsigned char> &packet)
{
    return ::packetToHex(packet);
}

unsigned char MainLayoutWidget::getLegacyCommandCodeForSelectedKey() const
{
    return compatibilityCommandCode(selectedKnobKey());
}

int MainLayoutWidget::sendPacketWithResult(const std::vector<unsigned char> &packet)
{
    return m_session->sendPacketForKnobKey(packet, selectedKnobKey());
}
