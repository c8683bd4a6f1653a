// Construction of the window, the tab bar and the Mac / Windows switch, the
// routing of presses and page signals, and the layout for any window size.
#include "ui/MainLayoutWidget.h"

#include "device/KnobSession.h"

#include "protocol/keyvocabulary.h"
#include "protocol/uitext.h"
#include "ui/DraggableWidgets.h"
#include "ui/KnobDialWidget.h"
#include "ui/ToastIconLabel.h"
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

#include <QDebug>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSequentialAnimationGroup>
#include <QSvgRenderer>
#include <QTimer>

#include <algorithm>
#include <tuple>

namespace {

struct TabDef
{
    const char *source;
    const char *activeIcon;
    const char *inactiveIcon;
};

// Index 7 belongs to the debug console, which adds its own item and page.
const TabDef kTabs[8] = {
    {"键盘", ":/asset/keyboard_active.svg", ":/asset/keyboard_inactive.svg"},
    {"组合键", ":/asset/combo_active.svg", ":/asset/combo_inactive.svg"},
    {"多媒体", ":/asset/multimedia_active.svg", ":/asset/multimedia_inactive.svg"},
    {"灯光", ":/asset/light_active.svg", ":/asset/light_inactive.svg"},
    {"鼠标", ":/asset/mouse_active.svg", ":/asset/mouse_inactive.svg"},
    {"延时", ":/asset/delay_active.svg", ":/asset/delay_inactive.svg"},
    {"Procreate", ":/asset/procreate_active.svg", ":/asset/procreate_inactive.svg"},
    {"调试", ":/asset/keyboard_active.svg", ":/asset/keyboard_inactive.svg"},
};

struct SystemDef
{
    bool mac;
    const char *text;
    const char *activeIcon;
    const char *inactiveIcon;
};

const SystemDef kSystems[2] = {
    {true, "Mac", ":/asset/mac_active.svg", ":/asset/mac_inactive.svg"},
    {false, "Windows", ":/asset/win_active.svg", ":/asset/win_inactive.svg"},
};

const auto kSwitchHighlightStyle =
    QStringLiteral("QLabel { background-color: #161616; border-radius: 8px; }");

constexpr int kSlideMs = 220;
constexpr int kKeyboardSlideStepMs = 120;

QFont tabTextFont(int pixelSize)
{
    QFont font(QStringLiteral("Microsoft YaHei"));
    font.setWeight(QFont::Medium);
    font.setPixelSize(pixelSize);
    return font;
}

QString tabText(int index)
{
    return uiText(QString::fromUtf8(kTabs[index].source));
}

// The tab bar and the system switch: a dark rounded bar the designer can drag.
QLabel *makeSwitchBar(const QString &dragName, const QRect &geometry, QWidget *parent)
{
    auto *bar = new DraggableLabel(dragName, parent);
    bar->setStyleSheet(QStringLiteral("QLabel { background-color: #1C1C1C; border-radius: 8px; }"));
    bar->setGeometry(geometry);
    return bar;
}

// Parts of a switch bar leave the clicks to the item below them.
QLabel *clickThrough(QLabel *label, const QString &name)
{
    label->setObjectName(name);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

// An item of a switch bar; its presses reach the window through `filter`.
QLabel *makeSwitchItem(QWidget *bar, const QString &name, const char *indexProperty, int index,
                       const char *activeIcon, const char *inactiveIcon, QObject *filter)
{
    auto *item = new QLabel(bar);
    item->setObjectName(name);
    item->setAttribute(Qt::WA_StyledBackground);
    item->setProperty(indexProperty, index);
    item->setProperty("activeIcon", QString::fromUtf8(activeIcon));
    item->setProperty("inactiveIcon", QString::fromUtf8(inactiveIcon));
    item->setCursor(Qt::PointingHandCursor);
    item->installEventFilter(filter);
    return item;
}

QPropertyAnimation *geometryAnimation(QWidget *target, const QRect &from, const QRect &to, QObject *parent)
{
    auto *animation = new QPropertyAnimation(target, "geometry", parent);
    animation->setDuration(kSlideMs);
    animation->setEasingCurve(QEasingCurve::InOutCubic);
    animation->setStartValue(from);
    animation->setEndValue(to);
    return animation;
}

// A finished animation lingers until its deferred deletion.
bool isRunning(const QAbstractAnimation *animation)
{
    return animation && animation->state() == QAbstractAnimation::Running;
}

} // namespace

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
    m_backgroundLabel->setPixmap(
        renderSvgPixmap(QStringLiteral(":/asset/Background.svg"), m_designSize, this));
    m_backgroundLabel->lower();

    setupStatusArea();

    m_logoLabel = new DraggableLabel(QStringLiteral("Logo"), this);
    m_logoLabel->setAlignment(Qt::AlignCenter);
    m_logoLabel->setPixmap(renderSvgPixmap(QStringLiteral(":/asset/Logo.svg"), QSize(140, 19), this));
    m_logoLabel->setGeometry(184, 22, 120, 120);

    setupKnobArea();
    setupButtons();
    setupTabBar();
    setupSystemSwitch();
    setupPages();

    setupToast();

    // Pages at the bottom, then the bars over their top edge; the bubble and
    // the toast stay above everything.
    m_contentStack->raise();
    m_tabBar->raise();
    m_systemSwitch->raise();
    m_statusLabel->raise();
    m_knobLabel->raise();
    m_knobBubbleContainer->raise();
    m_toastContainer->raise();

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

void MainLayoutWidget::setupTabBar()
{
    m_tabBar = makeSwitchBar(QStringLiteral("TabBar"), QRect(200, 520, 900, 52), this);
    m_tabHighlight = clickThrough(new QLabel(m_tabBar), QStringLiteral("tabHighlight"));
    m_tabHighlight->setStyleSheet(kSwitchHighlightStyle);
    m_tabHighlight->lower();

    // Item 7 is the debug console's; it stays hidden until the console is
    // unlocked, and every rule below follows it through tabCount().
    for (int i = 0; i < 8; ++i) {
        QLabel *item = makeSwitchItem(m_tabBar, QStringLiteral("tabItem%1").arg(i), "tabIndex", i,
                                      kTabs[i].activeIcon, kTabs[i].inactiveIcon, this);
        clickThrough(new QLabel(item), QStringLiteral("tabIconImage"))->resize(16, 16);
        clickThrough(new QLabel(tabText(i), item), QStringLiteral("tabIconText"))
            ->setAlignment(Qt::AlignCenter);
        m_tabItems[i] = item;
    }
    m_tabItems[7]->hide();
    resizeTabBarToContent();
    layoutTabWidgets();
    updateTabIcons();
}

void MainLayoutWidget::setupSystemSwitch()
{
    m_systemSwitch = makeSwitchBar(QStringLiteral("SystemSwitch"), QRect(1500, 520, 220, 52), this);
    m_systemHighlight = clickThrough(new QLabel(m_systemSwitch), QStringLiteral("systemHighlight"));
    m_systemHighlight->setStyleSheet(kSwitchHighlightStyle);

    for (int i = 0; i < 2; ++i) {
        QLabel *item = makeSwitchItem(m_systemSwitch, QStringLiteral("systemItem%1").arg(i), "systemIndex", i,
                                      kSystems[i].activeIcon, kSystems[i].inactiveIcon, this);
        item->setProperty("macLayout", kSystems[i].mac);

        auto *row = new QHBoxLayout(item);
        row->setContentsMargins(16, 0, 0, 0);
        row->setSpacing(7);
        QLabel *icon = clickThrough(new QLabel(item), QStringLiteral("systemIconImage"));
        icon->setAlignment(Qt::AlignCenter);
        QLabel *text = clickThrough(new QLabel(QString::fromUtf8(kSystems[i].text), item),
                                    QStringLiteral("systemIconText"));
        row->addWidget(icon, 0, Qt::AlignVCenter);
        row->addWidget(text, 0, Qt::AlignVCenter);
        row->addStretch(1);
        m_systemItems[i] = item;
    }
    layoutSystemSwitchWidgets();
    updateSystemSwitchIcons();
}

void MainLayoutWidget::setupPages()
{
    m_contentStack = new DraggableStackedWidget(QStringLiteral("ContentStack"), this);
    m_contentStack->setGeometry(184, 504, 1552, 496);

    m_keyboardWidget = new KeyboardWidget(m_contentStack);
    m_combinationWidget = new CombinationWidget(m_contentStack);
    m_multimediaWidget = new MultimediaWidget(m_contentStack);
    m_lightWidget = new LightWidget(m_contentStack);
    m_mouseWidget = new MouseWidget(m_contentStack);
    m_delayWidget = new DelayWidget(m_contentStack);
    m_procreateWidget = new ProcreateWidget(m_contentStack);
    m_debugWidget = new DebugWidget(m_contentStack);
    const QList<QWidget *> pages = {m_keyboardWidget, m_combinationWidget, m_multimediaWidget, m_lightWidget,
                                    m_mouseWidget,    m_delayWidget,       m_procreateWidget,  m_debugWidget};
    for (QWidget *page : pages)
        m_contentStack->addWidget(page);
    m_keyboardWidget->setMacLayout(m_isMacLayout);
    m_contentStack->setCurrentIndex(0);

    connect(m_keyboardWidget, &KeyboardWidget::keyClicked, this, &MainLayoutWidget::onKeyboardPageKeyClicked);
    connect(m_keyboardWidget, &KeyboardWidget::debugUnlockRequested, this, &MainLayoutWidget::showDebugTab);
    connect(m_debugWidget, &DebugWidget::exitDebugMode, this, &MainLayoutWidget::hideDebugTab);
    connect(m_combinationWidget, &CombinationWidget::combinationClicked, this, [this](const QString &name) {
        qDebug().noquote() << "组合键被点击:" << name;
        addSelectedCombination(name);
    });
    connect(m_multimediaWidget, &MultimediaWidget::multimediaClicked, this, [this](const QString &name) {
        qDebug().noquote() << "多媒体按键被点击:" << name;
        replaceSelectedKeyWithAction(name);
    });
    connect(m_mouseWidget, &MouseWidget::mouseClicked, this, [this](const QString &name) {
        qDebug().noquote() << "鼠标按键被点击:" << name;
        replaceSelectedKeyWithAction(name);
    });
    connect(m_procreateWidget, &ProcreateWidget::procreateKeyClicked, this, [this](const QString &name) {
        qDebug().noquote() << "Procreate按键被点击:" << name;
        replaceSelectedKeyWithAction(name);
    });
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

// ---- Tab bar ----------------------------------------------------------------

QVector<int> MainLayoutWidget::tabWidthList() const
{
    const double s = double(width()) / m_designSize.width();
    const QFontMetrics metrics(tabTextFont(layout::tabFontPixelSize(s)));
    QVector<int> textWidths;
    for (int i = 0; i < tabCount(); ++i)
        textWidths.append(metrics.horizontalAdvance(tabText(i)));
    return layout::tabWidths(s, tabCount(), textWidths);
}

int MainLayoutWidget::computeTabWidths(int *widths) const
{
    const QVector<int> list = tabWidthList();
    for (int i = 0; widths && i < list.size(); ++i)
        widths[i] = list[i];
    return int(list.size());
}

QRect MainLayoutWidget::tabRectForIndex(int index) const
{
    const double s = double(width()) / m_designSize.width();
    return layout::tabRect(index, s, tabWidthList(), m_tabBar ? m_tabBar->size() : QSize());
}

int MainLayoutWidget::tabRowWidth() const
{
    return layout::tabRowWidth(double(width()) / m_designSize.width(), tabWidthList());
}

void MainLayoutWidget::resizeTabBarToContent()
{
    if (m_tabBar)
        m_tabBar->resize(tabRowWidth(), m_tabBar->height());
}

void MainLayoutWidget::layoutTabWidgets()
{
    if (!m_tabBar)
        return;
    for (int i = 0; i < 8; ++i) {
        if (!m_tabItems[i])
            continue;
        if (i >= tabCount()) {
            m_tabItems[i]->hide();
            continue;
        }
        m_tabItems[i]->setGeometry(tabRectForIndex(i));
        m_tabItems[i]->raise();
    }
    if (m_tabHighlight && !isRunning(m_tabHighlightAnimation)) {
        m_tabHighlight->setGeometry(tabRectForIndex(m_currentTabIndex));
        m_tabHighlight->lower();
    }
}

void MainLayoutWidget::styleSwitchItem(QLabel *item, QLabel *icon, QLabel *text, const QString &iconPath,
                                       bool current, int iconSide, int fontPx)
{
    QString style = QStringLiteral("QLabel {  background: transparent;  border-radius: 8px;}");
    if (!current && m_connectedLook)
        style += QStringLiteral("QLabel:hover {  background: #272A2B;}");
    item->setStyleSheet(style);
    if (icon) {
        icon->setStyleSheet(QStringLiteral("QLabel { background: transparent; }"));
        icon->setFixedSize(iconSide, iconSide);
        icon->setPixmap(renderSvgPixmap(iconPath, QSize(iconSide, iconSide), this));
    }
    if (text) {
        text->setFont(tabTextFont(fontPx));
        text->setStyleSheet(QStringLiteral("QLabel { background: transparent; color: %1; }")
                                .arg(current ? QStringLiteral("#BEF449") : QStringLiteral("#67696A")));
    }
}

void MainLayoutWidget::updateTabIcons()
{
    const double s = double(width()) / m_designSize.width();
    const int iconSide = layout::tabIconSide(s);
    const int fontPx = layout::tabFontPixelSize(s);
    const int gap = layout::tabGap(s) + 1;
    const QFontMetrics metrics(tabTextFont(fontPx));
    for (int i = 0; i < 8; ++i) {
        QLabel *item = m_tabItems[i];
        if (!item)
            continue;
        const bool current = i == m_currentTabIndex;
        auto *icon = item->findChild<QLabel *>(QStringLiteral("tabIconImage"));
        auto *text = item->findChild<QLabel *>(QStringLiteral("tabIconText"));
        const QString iconPath = item->property(current ? "activeIcon" : "inactiveIcon").toString();
        styleSwitchItem(item, icon, text, iconPath, current, iconSide, fontPx);
        if (!icon || !text)
            continue;
        // Icon and text are centred together as one row.
        const int textWidth = metrics.horizontalAdvance(text->text()) + 2;
        const int x0 = (item->width() - (iconSide + gap + textWidth)) / 2;
        icon->move(x0, (item->height() - iconSide) / 2);
        text->setGeometry(x0 + iconSide + gap, 0, textWidth, item->height());
    }
}

void MainLayoutWidget::switchToTab(int index)
{
    if (!m_contentStack || index < 0 || index >= std::min(tabCount(), m_contentStack->count()))
        return;
    if (m_pageSlideAnimation)
        return;
    const int previous = m_currentTabIndex;
    m_currentTabIndex = index;

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

    if (m_tabHighlight) {
        if (m_tabHighlightAnimation)
            m_tabHighlightAnimation->stop();
        if (index == previous) {
            m_tabHighlight->setGeometry(tabRectForIndex(index));
        } else {
            auto *move =
                geometryAnimation(m_tabHighlight, tabRectForIndex(previous), tabRectForIndex(index), this);
            m_tabHighlightAnimation = move;
            move->start(QAbstractAnimation::DeleteWhenStopped);
        }
    }
    updateTabIcons();

    if (m_systemSwitch) {
        const bool showSwitch = index == 0;
        m_systemSwitch->setVisible(showSwitch);
        if (showSwitch) {
            layoutSystemSwitchWidgets();
            updateSystemSwitchIcons();
            m_systemSwitch->raise();
        }
    }
    qDebug().noquote() << "Switched to tab:" << index;
}

// ---- Mac / Windows switch ---------------------------------------------------

QRect MainLayoutWidget::systemRectForIndex(int index) const
{
    const double s = double(width()) / m_designSize.width();
    return layout::systemRect(index, s, m_systemSwitch ? m_systemSwitch->size() : QSize());
}

void MainLayoutWidget::layoutSystemSwitchWidgets()
{
    if (!m_systemSwitch)
        return;
    const int margin = int(16.0 * width() / m_designSize.width());
    for (int i = 0; i < 2; ++i) {
        if (!m_systemItems[i])
            continue;
        m_systemItems[i]->setGeometry(systemRectForIndex(i));
        if (auto *row = qobject_cast<QHBoxLayout *>(m_systemItems[i]->layout())) {
            row->setContentsMargins(margin, 0, 0, 0);
            row->setSpacing(layout::tabGap(double(width()) / m_designSize.width()) + 1);
        }
        m_systemItems[i]->raise();
    }
    if (m_systemHighlight && !isRunning(m_systemHighlightAnimation)) {
        m_systemHighlight->setGeometry(systemRectForIndex(m_isMacLayout ? 0 : 1));
        m_systemHighlight->lower();
    }
}

void MainLayoutWidget::updateSystemSwitchIcons()
{
    const double s = double(width()) / m_designSize.width();
    for (int i = 0; i < 2; ++i) {
        QLabel *item = m_systemItems[i];
        if (!item)
            continue;
        const bool current = kSystems[i].mac == m_isMacLayout;
        const QString iconPath = item->property(current ? "activeIcon" : "inactiveIcon").toString();
        styleSwitchItem(item, item->findChild<QLabel *>(QStringLiteral("systemIconImage")),
                        item->findChild<QLabel *>(QStringLiteral("systemIconText")), iconPath, current,
                        layout::tabIconSide(s), layout::tabFontPixelSize(s));
        item->setCursor(m_connectedLook ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
}

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

    if (m_systemHighlight) {
        if (m_systemHighlightAnimation)
            m_systemHighlightAnimation->stop();
        auto *move = geometryAnimation(m_systemHighlight, systemRectForIndex(fromMac ? 0 : 1),
                                       systemRectForIndex(mac ? 0 : 1), this);
        m_systemHighlightAnimation = move;
        move->start(QAbstractAnimation::DeleteWhenStopped);
    }
    updateSystemSwitchIcons();
}

// ---- Presses ----------------------------------------------------------------

bool MainLayoutWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseButtonPress)
        return QWidget::eventFilter(watched, event);

    const QVariant clean = watched->property("cleanIconIndex");
    if (clean.isValid()) {
        clearKnobKey(clean.toInt());
        return true;
    }
    const QVariant tab = watched->property("tabIndex");
    if (tab.isValid()) {
        if (m_session->isConnected())
            switchToTab(tab.toInt());
        return true;
    }
    if (watched->property("systemIndex").isValid()) {
        if (m_session->isConnected())
            switchKeyboardSystem(watched->property("macLayout").toBool());
        return true;
    }
    const QVariant knobKey = watched->property("knobKeyIndex");
    if (knobKey.isValid()) {
        if (m_session->isConnected())
            selectKnobKey(knobKey.toInt());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainLayoutWidget::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (!m_session->isConnected()) {
        if (m_logoLabel && m_logoLabel->geometry().contains(pos))
            handleLogoPress();
    } else if (m_tabBar && m_tabBar->isVisible() && m_tabBar->geometry().contains(pos)) {
        // Presses between the items: tabs 0-5 by their rectangles.
        const QPoint local = m_tabBar->mapFrom(this, pos);
        for (int i = 0; i < std::min(6, tabCount()); ++i) {
            if (tabRectForIndex(i).contains(local)) {
                switchToTab(i);
                break;
            }
        }
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

    layoutStatusArea();
    layoutButtons();

    // The bubble is placed by the knob updates below and must be clamped
    // into the new size, not the old one.
    m_knobBubbleContainer->setGeometry(0, 0, size.width(), size.height());

    m_knobLabel->setFixedSize(g.knobArea.size());
    m_knobLabel->move(g.knobArea.topLeft());
    updateKnobPicture();
    updateKnobDialLayout();
    updateKnobKeysLayout();
    updateKnobIconSizes();
    updateKnobKeySelection();
    updateKnobKeysDisplay();

    const QString radius = QString::number(g.buttonRadius);
    m_tabBar->setGeometry(g.tabBar.x(), g.tabBar.y(), tabRowWidth(), g.tabBar.height());
    m_tabBar->setStyleSheet(
        QStringLiteral("QLabel { background-color: #1C1C1C; border-radius: %1px; }").arg(radius));
    m_tabHighlight->setStyleSheet(
        QStringLiteral("QLabel { background-color: #161616; border-radius: %1px; }").arg(radius));
    layoutTabWidgets();
    updateTabIcons();

    m_contentStack->setGeometry(g.contentStack);
    if (m_contentStack->cornerRadius() != g.contentStackRadius)
        m_contentStack->setCornerRadius(g.contentStackRadius);

    m_systemSwitch->setGeometry(g.systemSwitch);
    m_systemSwitch->setStyleSheet(
        QStringLiteral("QLabel { background-color: #1C1C1C; border-radius: %1px; }").arg(radius));
    m_systemHighlight->setStyleSheet(
        QStringLiteral("QLabel { background-color: #161616; border-radius: %1px; }").arg(radius));
    layoutSystemSwitchWidgets();
    m_systemSwitch->setVisible(m_currentTabIndex == 0);
    updateSystemSwitchIcons();

    layoutToast();

    // An open reset confirmation keeps covering the whole window.
    if (auto *overlay = findChild<QWidget *>(QStringLiteral("restoreOverlay"), Qt::FindDirectChildrenOnly)) {
        overlay->setGeometry(rect());
        if (auto *panel = overlay->findChild<QWidget *>(QStringLiteral("restoreConfirmPanel")))
            panel->move((overlay->width() - panel->width()) / 2, (overlay->height() - panel->height()) / 2);
    }
}

// ---- Debug console ------------------------------------------------------------

void MainLayoutWidget::showDebugTab()
{
    if (m_debugTabVisible || !m_tabItems[7])
        return;
    m_debugTabVisible = true;
    m_tabItems[7]->show();
    resizeTabBarToContent();
    layoutTabWidgets();
    updateTabIcons();
    qDebug().noquote() << "调试tab已显示";
    showToast(true, QStringLiteral("调试模式"), QStringLiteral("调试tab已启用"));
}

void MainLayoutWidget::hideDebugTab()
{
    if (!m_debugTabVisible)
        return;
    m_debugTabVisible = false;
    if (m_keyboardWidget)
        m_keyboardWidget->resetEscapeClickCount();
    m_tabItems[7]->hide();
    if (m_currentTabIndex == 7)
        switchToTab(0);
    resizeTabBarToContent();
    layoutTabWidgets();
    updateTabIcons();
    qDebug().noquote() << "调试tab已隐藏";
    showToast(true, QStringLiteral("调试模式"), QStringLiteral("已退出调试模式"));
}
