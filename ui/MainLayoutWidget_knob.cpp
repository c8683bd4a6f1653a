// The knob area and the operations on the assignment model of the five
// physical keys: selection, adding, clearing, the labels, the detail bubble
// and the dial.
#include "ui/MainLayoutWidget.h"

#include "protocol/keyvocabulary.h"
#include "protocol/uitext.h"
#include "ui/DraggableWidgets.h"
#include "ui/KnobDialWidget.h"
#include "ui/mainlayoutgeometry.h"
#include "ui/pages/CombinationWidget.h"
#include "ui/pages/DelayWidget.h"
#include "ui/pages/KeyboardWidget.h"
#include "ui/pages/MouseWidget.h"
#include "ui/pages/MultimediaWidget.h"
#include "ui/pages/ProcreateWidget.h"
#include "ui/pages/SimKeyButton.h"
#include "ui/svgpixmap.h"

#include <QDebug>
#include <QFontMetrics>
#include <QMessageBox>
#include <QSequentialAnimationGroup>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace {

const QString kCleanIconPath = QStringLiteral(":/asset/clean.svg");

bool validKnobKey(int k)
{
    return k >= 1 && k <= 5;
}

QString unselectedKnobKeyStyle(const layout::KnobSelectionStyle &s)
{
    return QStringLiteral(
               "QLabel { background-color: rgba(20, 20, 20, 15); color: #272A2B; border-radius: %1px; "
               "font-family: 'Microsoft YaHei'; font-size: %2px; }"
               "QLabel:hover { background-color: rgba(20, 20, 20, 31); }")
        .arg(s.radius)
        .arg(s.fontPx);
}

QString selectedKnobKeyStyle(const layout::KnobSelectionStyle &s)
{
    return QStringLiteral("QLabel { background-color: #141414; border: %3px solid #BEF449; color: #BEF449; "
                          "border-radius: %1px; font-family: 'Microsoft YaHei'; font-size: %2px; }")
        .arg(s.radius)
        .arg(s.fontPx)
        .arg(s.border);
}

QPixmap scaledPng(const QString &path, int side, qreal dpr)
{
    QPixmap source(path);
    if (source.isNull())
        return QPixmap();
    const int pixels = std::max(1, int(std::lround(side * dpr)));
    QPixmap pixmap = source.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    pixmap.setDevicePixelRatio(dpr);
    return pixmap;
}

} // namespace

// ---- Knob area ----------------------------------------------------------------

void MainLayoutWidget::setupKnobArea()
{
    m_knobLabel = new DraggableLabel(QStringLiteral("Knob"), this);
    m_knobLabel->setGeometry(810, 172, 300, 300);
    m_knobLabel->setFixedSize(300, 300);
    updateKnobPicture();

    m_knobDial = new KnobDialWidget(m_knobLabel);
    m_knobDial->setObjectName(QStringLiteral("knobDial"));

    for (int k = 1; k <= 5; ++k) {
        auto *label = new QLabel(m_knobLabel);
        label->setObjectName(QStringLiteral("knobKeyLabel%1").arg(k));
        label->setGeometry(layout::knobKeyLabelRect(k, 300));
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        label->setCursor(Qt::PointingHandCursor);
        label->setProperty("knobKeyIndex", k);
        label->installEventFilter(this);
        m_knobKeyLabels[k - 1] = label;
    }

    const QPixmap clean = renderSvgPixmap(kCleanIconPath, QSize(22, 22), this);
    if (clean.isNull())
        qDebug() << "Failed to load clean.svg";
    for (int k = 1; k <= 5; ++k) {
        auto *icon = new QLabel(m_knobLabel);
        icon->setObjectName(QStringLiteral("cleanIcon%1").arg(k));
        icon->setGeometry(0, 0, 22, 22);
        if (!clean.isNull())
            icon->setPixmap(clean);
        icon->setStyleSheet(QStringLiteral("QLabel { background: transparent; }"));
        icon->setCursor(Qt::PointingHandCursor);
        icon->setProperty("svgPath", kCleanIconPath);
        icon->setProperty("cleanIconIndex", k);
        icon->setProperty("origX", 0);
        icon->setProperty("origY", 0);
        icon->setProperty("origW", 22);
        icon->setProperty("origH", 22);
        icon->installEventFilter(this);
        icon->hide();
        m_cleanIcons[k - 1] = icon;
    }
    updateKnobDialLayout();

    m_knobBubbleContainer = new QWidget(this);
    m_knobBubbleContainer->setObjectName(QStringLiteral("knobBubbleContainer"));
    m_knobBubbleContainer->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_knobBubbleContainer->setGeometry(rect());
    m_knobBubbleLabel = new QLabel(m_knobBubbleContainer);
    m_knobBubbleLabel->setObjectName(QStringLiteral("knobBubbleLabel"));
    m_knobBubbleLabel->setWordWrap(true);
    m_knobBubbleLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_knobBubbleContainer->hide();
}

void MainLayoutWidget::updateKnobPicture()
{
    if (!m_knobLabel)
        return;
    const QPixmap picture = scaledPng(QStringLiteral(":/asset/knob2.png"), m_knobLabel->width(),
                                      m_knobLabel->devicePixelRatioF());
    if (!picture.isNull())
        m_knobLabel->setPixmap(picture);
}

void MainLayoutWidget::updateKnobDialLayout()
{
    if (!m_knobLabel || !m_knobDial)
        return;
    const layout::DialLayout d = layout::dialLayout(m_knobLabel->width());
    m_knobDial->setGeometry(d.geometry);
    const QPixmap picture =
        scaledPng(QStringLiteral(":/asset/knob1.png"), d.pictureSide, m_knobDial->devicePixelRatioF());
    if (!picture.isNull())
        m_knobDial->setPicture(picture);
    m_knobDial->setShadow(d.shadowRadius, d.shadowOffset, QColor(0, 0, 0, 40));
    m_knobDial->lower();
}

void MainLayoutWidget::updateKnobKeysLayout()
{
    if (!m_knobLabel)
        return;
    for (int k = 1; k <= 5; ++k) {
        if (m_knobKeyLabels[k - 1])
            m_knobKeyLabels[k - 1]->setGeometry(layout::knobKeyLabelRect(k, m_knobLabel->width()));
    }
}

void MainLayoutWidget::updateKnobIconSizes()
{
    if (!m_knobLabel)
        return;
    const double r = m_knobLabel->width() / double(layout::kKnobDesignSide);
    for (QLabel *icon : m_cleanIcons) {
        if (!icon)
            continue;
        const QString path = icon->property("svgPath").toString();
        const QSvgRenderer renderer(path);
        const QSize base = renderer.isValid() ? renderer.defaultSize() : QSize(22, 22);
        const QSize size(std::max(1, int(base.width() * r)), std::max(1, int(base.height() * r)));
        icon->resize(size);
        const QPixmap pixmap = renderSvgPixmap(path, size, this);
        if (!pixmap.isNull())
            icon->setPixmap(pixmap);
    }
}

// ---- Selection and labels -------------------------------------------------------

void MainLayoutWidget::selectKnobKey(int knobKey)
{
    if (!validKnobKey(knobKey))
        return;
    m_selectedKnobKey = knobKey;
    updateKnobKeySelection();
    updateKnobKeysDisplay();
    syncDelayWidgetForCurrentKnob();
    playKnobDialAnimation(knobKey);
    qDebug().noquote() << "选中 Knob 按键:" << knobKey;
}

void MainLayoutWidget::updateKnobKeySelection()
{
    const layout::KnobSelectionStyle style =
        layout::knobSelectionStyle(m_knobLabel ? m_knobLabel->width() : layout::kKnobDesignSide);
    const QString unselected = unselectedKnobKeyStyle(style);
    const int selected = m_selectedKnobKey;
    for (int k = 1; k <= 5; ++k) {
        QLabel *label = m_knobKeyLabels[k - 1];
        QLabel *clean = m_cleanIcons[k - 1];
        if (!label)
            continue;
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        if (k == selected) {
            label->setStyleSheet(selectedKnobKeyStyle(style));
            if (clean && m_connectedLook) {
                clean->move(layout::cleanIconPos(label->geometry(), clean->size()));
                clean->show();
                clean->raise();
            }
        } else {
            // The disconnected look keeps the labels hidden and unstyled.
            if (m_connectedLook)
                label->setStyleSheet(unselected);
            if (clean)
                clean->hide();
        }
    }
    if (!validKnobKey(selected)) {
        stopKnobDialAnimation();
        hideKnobBubble();
    }
}

void MainLayoutWidget::updateSingleKnobKeyDisplay(int knobKey)
{
    if (!validKnobKey(knobKey))
        return;
    const int i = knobKey - 1;
    QLabel *label = m_knobKeyLabels[i];
    if (!label)
        return;
    if (m_model.key(knobKey).isEmpty()) {
        label->clear();
        return;
    }
    const QString text = textBoxDisplayText(m_model.key(knobKey).displayNames.join(QString()));
    QFont font(QStringLiteral("Microsoft YaHei"));
    const int areaWidth = m_knobLabel ? m_knobLabel->width() : layout::kKnobDesignSide;
    font.setPixelSize(layout::knobSelectionStyle(areaWidth).fontPx);
    const QFontMetrics metrics(font);
    const int available = std::max(label->width(), 9) - 8;
    label->setText(metrics.horizontalAdvance(text) > available
                       ? metrics.elidedText(text, Qt::ElideRight, available)
                       : text);
}

void MainLayoutWidget::updateKnobKeysDisplay()
{
    const int k = m_selectedKnobKey;
    if (!validKnobKey(k)) {
        hideKnobBubble();
        return;
    }
    updateSingleKnobKeyDisplay(k);
    if (!m_knobBubbleContainer || !m_knobBubbleLabel || !m_knobLabel || !m_knobKeyLabels[k - 1])
        return;
    // An empty key has nothing to list; an empty box would only look broken.
    if (m_model.key(k).displayNames.isEmpty() || !m_connectedLook) {
        hideKnobBubble();
        return;
    }

    const layout::BubbleMetrics m = layout::bubbleMetrics(width());
    const QString text = textBoxDisplayText(m_model.key(k).displayNames.join(QLatin1Char(' ')));
    QFont font(QStringLiteral("Microsoft YaHei"));
    font.setPointSize(m.fontPointSize);
    const QRect textBox = QFontMetrics(font).boundingRect(
        QRect(0, 0, m.width - 2 * m.padding, 100000), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    QLabel *label = m_knobKeyLabels[k - 1];
    const int labelCenterY = m_knobLabel->mapTo(this, label->geometry().center()).y();
    const QRect geometry = layout::bubbleGeometry(k, m_knobLabel->geometry(), labelCenterY, textBox.height(),
                                                  width(), m_knobBubbleContainer->size());
    m_knobBubbleLabel->setGeometry(geometry);
    m_knobBubbleLabel->setStyleSheet(
        QStringLiteral("QLabel { background-color: #1C1C1C; border: 1px solid #323232; border-radius: %1px; "
                       "color: #FFFFFF; font-family: 'Microsoft YaHei'; font-size: %2px; padding: %1px; }")
            .arg(m.padding)
            .arg(m.fontPointSize));
    m_knobBubbleLabel->setText(text);
    m_knobBubbleContainer->show();
    m_knobBubbleContainer->raise();
}

void MainLayoutWidget::hideKnobBubble()
{
    if (m_knobBubbleContainer)
        m_knobBubbleContainer->hide();
}

void MainLayoutWidget::syncDelayWidgetForCurrentKnob()
{
    if (!m_delayWidget)
        return;
    const int k = m_selectedKnobKey;
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
    const int k = m_selectedKnobKey;
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
    const int k = m_selectedKnobKey;
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
    for (int i = 0; i < 5; ++i) {
        if (m_knobKeyLabels[i])
            m_knobKeyLabels[i]->clear();
    }
    m_model.resetToDefaults();
    clearAllTabSelections();
    updateKnobKeysLayout();
    // The same eliding as every other label update, so a reset and a later
    // refresh show the same text.
    for (int k = 1; k <= 5; ++k)
        updateSingleKnobKeyDisplay(k);
    hideKnobBubble();
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

// ---- Dial ---------------------------------------------------------------------------

void MainLayoutWidget::stopKnobDialAnimation()
{
    if (m_knobDialAnimation)
        m_knobDialAnimation->stop();
    if (m_knobDial) {
        m_knobDial->setDialRotation(0.0);
        m_knobDial->setDialScale(1.0);
    }
}

void MainLayoutWidget::playKnobDialAnimation(int knobKey)
{
    if (!m_knobDial || !validKnobKey(knobKey))
        return;
    stopKnobDialAnimation();
    QSequentialAnimationGroup *group = createKnobDialAnimation(m_knobDial, knobKey, this);
    if (!group)
        return;
    m_knobDialAnimation = group;
    group->start(QAbstractAnimation::DeleteWhenStopped);
}
