// The connection status area and the connected / disconnected looks, the
// toast, and the Save and Reset commands.
#include "ui/MainLayoutWidget.h"

#include "device/KnobSession.h"
#include "device/PermissionHint.h"

#include "protocol/assignmentwrite.h"
#include "protocol/uitext.h"
#include "ui/DraggableWidgets.h"
#include "ui/KnobDialWidget.h"
#include "ui/ToastIconLabel.h"
#include "ui/mainlayoutgeometry.h"
#include "ui/pages/CombinationWidget.h"
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
#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int kToastVisibleMs = 2000;
constexpr int kToastSlideMs = 240;

QFont statusFont(int pixelSize)
{
    QFont font(QStringLiteral("PingFang SC"));
    font.setPixelSize(std::max(1, pixelSize));
    font.setWeight(QFont::DemiBold);
    return font;
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

} // namespace

// ---- Status area ----------------------------------------------------------------

void MainLayoutWidget::setupStatusArea()
{
    m_statusLabel = new DraggableLabel(QStringLiteral("Status"), this);
    m_statusLabel->setScaledContents(true);
    m_statusLabel->setAlignment(Qt::AlignCenter);
    m_statusLabel->setGeometry(775, 24, 370, 116);

    m_statusDot = new QLabel(m_statusLabel);
    m_statusDot->setObjectName(QStringLiteral("statusDot"));
    m_statusDot->setStyleSheet(QStringLiteral("background-color: #9A9A9A; border-radius: 8px;"));

    m_statusText = new QLabel(uiText(QStringLiteral("未连接")), m_statusLabel);
    m_statusText->setObjectName(QStringLiteral("statusText"));
    m_statusText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_statusText->setFont(statusFont(16));
    m_statusText->setStyleSheet(QStringLiteral("color: #FFFFFF; background: transparent;"));
    layoutStatusWidgets(m_statusLabel->size());

    m_permissionHintLabel = new QLabel(this);
    m_permissionHintLabel->setObjectName(QStringLiteral("permissionHint"));
    m_permissionHintLabel->setAlignment(Qt::AlignCenter);
    m_permissionHintLabel->setWordWrap(true);
    m_permissionHintLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_permissionHintLabel->hide();
}

void MainLayoutWidget::setPermissionHintVisible(bool visible)
{
    if (!m_permissionHintLabel)
        return;
    m_permissionHintLabel->setText(PermissionHint::text());
    m_permissionHintLabel->setVisible(visible);
    layoutStatusArea();
}

void MainLayoutWidget::layoutStatusWidgets(const QSize &statusSize)
{
    if (!m_statusLabel || !m_statusDot || !m_statusText)
        return;
    const double k = statusSize.height() / 116.0;
    const QFont font = statusFont(int(16 * k + 0.5));
    m_statusText->setFont(font);
    m_statusText->setStyleSheet(QStringLiteral("color: #FFFFFF; background: transparent;"));
    const layout::StatusRowGeometry row =
        layout::statusRowGeometry(statusSize, QFontMetrics(font).horizontalAdvance(m_statusText->text()));
    m_statusDot->setGeometry(row.dot);
    m_statusDot->setStyleSheet(
        QStringLiteral("background-color: #9A9A9A; border-radius: %1px;").arg(row.dot.width() / 2));
    m_statusText->setGeometry(row.text);
}

void MainLayoutWidget::setDisconnectedStatusWidgetsVisible(bool visible)
{
    if (m_statusDot)
        m_statusDot->setVisible(visible);
    if (m_statusText)
        m_statusText->setVisible(visible);
}

void MainLayoutWidget::layoutStatusArea()
{
    if (!m_statusLabel)
        return;
    const QSize size = layout::statusAreaSize(this->size());
    m_statusLabel->setFixedSize(size);
    m_statusLabel->move((width() - size.width()) / 2, int(height() * 0.022222222222222223));
    if (m_permissionHintLabel) {
        // Under the status row, above the knob, in the error colour of the toasts.
        const double s = double(width()) / m_designSize.width();
        const int w = int(760 * s);
        const int h = std::max(14, int(40 * s));
        m_permissionHintLabel->setGeometry((width() - w) / 2, m_statusLabel->y() + int(size.height() * 0.68),
                                           w, h);
        m_permissionHintLabel->setStyleSheet(
            QStringLiteral("QLabel { color: #C8593B; background: transparent; font-size: %1px; }")
                .arg(std::max(9, int(14 * s + 0.5))));
        m_permissionHintLabel->raise();
    }
    if (m_connectedLook) {
        const QPixmap picture = renderSvgPixmap(QStringLiteral(":/asset/Status1_en.svg"), size, this);
        if (!picture.isNull())
            m_statusLabel->setPixmap(picture);
        setDisconnectedStatusWidgetsVisible(false);
    } else {
        m_statusLabel->clear();
        layoutStatusWidgets(size);
        setDisconnectedStatusWidgetsVisible(true);
    }
}

void MainLayoutWidget::updateStatusIcon(bool connected)
{
    m_connectedLook = connected;
    layoutStatusArea();
    applyConnectionVisualState(connected);
    qDebug().noquote() << "状态已更新:" << (connected ? QStringLiteral("已连接") : QStringLiteral("未连接"));
}

void MainLayoutWidget::setBackgroundPicture(bool connected)
{
    if (!m_backgroundLabel)
        return;
    const QSize size = m_backgroundLabel->size().isValid() ? m_backgroundLabel->size() : this->size();
    const QString connectedPath = QStringLiteral(":/asset/Background.svg");
    QPixmap picture = renderSvgPixmap(
        connected ? connectedPath : QStringLiteral(":/asset/disconnected_bg.svg"), size, this);
    if (picture.isNull() && !connected)
        picture = renderSvgPixmap(connectedPath, size, this);
    if (!picture.isNull())
        m_backgroundLabel->setPixmap(picture);
}

void MainLayoutWidget::applyConnectionVisualState(bool connected)
{
    m_connectedLook = connected;
    setBackgroundPicture(connected);

    const double opacity = connected ? 1.0 : 0.4;
    for (QWidget *w : {static_cast<QWidget *>(m_knobLabel), static_cast<QWidget *>(m_resetButton),
                       static_cast<QWidget *>(m_saveButton), static_cast<QWidget *>(m_tabBar),
                       static_cast<QWidget *>(m_systemSwitch), static_cast<QWidget *>(m_contentStack)})
        setOpacity(w, opacity);

    updateSystemSwitchIcons();

    for (QLabel *label : m_knobKeyLabels) {
        if (!label)
            continue;
        if (connected) {
            label->setStyleSheet(QStringLiteral(
                "QLabel { background-color: rgba(20, 20, 20, 15); border-radius: 4px; color: #272A2B; "
                "font-family: 'Microsoft YaHei'; font-size: 9pt; }"
                "QLabel:hover { background-color: rgba(20, 20, 20, 31); }"));
            label->setCursor(Qt::PointingHandCursor);
            label->show();
        } else {
            label->setStyleSheet(QStringLiteral("QLabel { background: transparent; color: transparent; }"));
            label->setCursor(Qt::ArrowCursor);
            label->hide();
        }
    }
    if (connected) {
        updateKnobKeySelection();
    } else {
        stopKnobDialAnimation();
        hideKnobBubble();
        for (QLabel *icon : m_cleanIcons) {
            if (icon)
                icon->hide();
        }
    }

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
    updateTabIcons();
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

// ---- Toast --------------------------------------------------------------------------

void MainLayoutWidget::setupToast()
{
    m_toastContainer = new QLabel(this);
    m_toastContainer->setObjectName(QStringLiteral("toastContainer"));
    m_toastContainer->setAttribute(Qt::WA_StyledBackground);
    m_toastContainer->setStyleSheet(
        QStringLiteral("QLabel#toastContainer { background-color: #2E2E2E; border-radius: 8px; }"));
    m_toastContainer->resize(343, 64);

    m_toastIcon = new ToastIconLabel(m_toastContainer);
    m_toastIcon->setObjectName(QStringLiteral("toastIcon"));
    m_toastIcon->setAttribute(Qt::WA_TranslucentBackground);
    m_toastIcon->setAutoFillBackground(false);
    m_toastIcon->setGeometry(16, 16, 32, 32);

    m_toastTitle = new QLabel(m_toastContainer);
    m_toastTitle->setObjectName(QStringLiteral("toastTitle"));
    m_toastTitle->setGeometry(64, 12, 260, 22);
    m_toastText = new QLabel(m_toastContainer);
    m_toastText->setObjectName(QStringLiteral("toastText"));
    m_toastText->setGeometry(64, 36, 260, 18);

    m_toastHideTimer = new QTimer(this);
    m_toastHideTimer->setSingleShot(true);
    connect(m_toastHideTimer, &QTimer::timeout, m_toastContainer, &QWidget::hide);
    m_toastContainer->hide();
}

void MainLayoutWidget::layoutToast()
{
    if (!m_toastContainer)
        return;
    const layout::MainGeometry g = layout::mainGeometry(size());
    m_toastContainer->resize(g.toastSize);
    const int margin = int(16 * g.sx);
    m_toastIcon->setGeometry(margin, (g.toastSize.height() - g.toastIconSide) / 2, g.toastIconSide,
                             g.toastIconSide);
    m_toastTitle->setGeometry(g.toastTitle);
    m_toastText->setGeometry(g.toastText);
    m_toastTitle->setStyleSheet(
        QStringLiteral("QLabel { background: transparent; color: #FFFFFF; font-size: %1px; "
                       "font-family: 'Microsoft YaHei'; }")
            .arg(g.toastTitleFontPx));
    m_toastText->setStyleSheet(
        QStringLiteral("QLabel { background: transparent; color: #C8C5C5; font-size: %1px; "
                       "font-family: 'Microsoft YaHei'; }")
            .arg(g.toastTextFontPx));
    if (m_toastContainer->isVisible() && !m_toastAnimation)
        m_toastContainer->move(g.toastShownPos);
}

void MainLayoutWidget::showToast(bool success, const QString &title, const QString &text)
{
    if (!m_toastContainer || !m_toastHideTimer)
        return;
    if (m_toastIcon->success() != success)
        m_toastIcon->setSuccess(success);
    const QString shownTitle = uiText(!title.isEmpty() ? title
                                      : success        ? QStringLiteral("保存成功")
                                                       : QStringLiteral("保存失败"));
    const QString shownText = uiText(!text.isEmpty() ? text
                                     : success       ? QStringLiteral("所有设置已成功保存")
                                                     : QStringLiteral("请检查设置，并重新保存"));
    m_toastTitle->setText(shownTitle);
    m_toastText->setText(shownText);
    qDebug().noquote() << "提示:" << shownTitle << shownText;

    if (m_toastAnimation)
        m_toastAnimation->stop();
    const int x = int(0.4109375 * width());
    auto *slide = new QPropertyAnimation(m_toastContainer, "pos", this);
    slide->setDuration(kToastSlideMs);
    slide->setEasingCurve(QEasingCurve::OutCubic);
    slide->setStartValue(QPoint(x, -m_toastContainer->height()));
    slide->setEndValue(QPoint(x, height() / 27));
    m_toastContainer->move(x, -m_toastContainer->height());
    m_toastContainer->raise();
    m_toastContainer->show();
    m_toastAnimation = slide;
    slide->start(QAbstractAnimation::DeleteWhenStopped);
    m_toastHideTimer->start(kToastVisibleMs);
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
    m_selectedKnobKey = 0;
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
    auto *overlay = new QWidget(this);
    overlay->setObjectName(QStringLiteral("restoreOverlay"));
    overlay->setAttribute(Qt::WA_StyledBackground);
    overlay->setAttribute(Qt::WA_DeleteOnClose);
    overlay->setStyleSheet(
        QStringLiteral("QWidget#restoreOverlay { background-color: rgba(1, 1, 1, 204); }"));
    overlay->setGeometry(rect());

    auto *panel = new QWidget(overlay);
    panel->setObjectName(QStringLiteral("restoreConfirmPanel"));
    panel->setAttribute(Qt::WA_StyledBackground);
    panel->setStyleSheet(QStringLiteral("QWidget#restoreConfirmPanel { background-color: #272A2B; border: "
                                        "1px solid #424242; border-radius: 8px; }"));
    panel->setGeometry((overlay->width() - 270) / 2, (overlay->height() - 141) / 2, 270, 141);

    // Every part of the panel has a fixed place in its 270 x 141 frame.
    const auto place = [](auto *child, const QString &name, const QRect &geometry, const QString &style) {
        child->setObjectName(name);
        child->setGeometry(geometry);
        child->setStyleSheet(style);
        return child;
    };
    place(new QLabel(QStringLiteral("Reset Settings"), panel), QStringLiteral("restoreTitleLabel"),
          QRect(20, 20, 230, 24),
          QStringLiteral(
              "QLabel { color: #FFFFFF; font-size: 15px; font-weight: 500; background: transparent; }"));
    place(new QLabel(uiText(QStringLiteral("要将旋钮还原到最初设置吗？")), panel),
          QStringLiteral("restoreDescLabel"), QRect(20, 54, 230, 24),
          QStringLiteral("QLabel { color: #D4D4D5; font-size: 12px; background: transparent; }"));

    for (const auto &[name, geometry] :
         {std::pair{QStringLiteral("restoreHorizontalDivider"), QRect(0, 97, 270, 1)},
          std::pair{QStringLiteral("restoreVerticalDivider"), QRect(135, 98, 1, 43)}}) {
        place(new QLabel(panel), name, geometry, QStringLiteral("QLabel { background-color: #424242; }"))
            ->setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    auto *cancel =
        place(new QPushButton(uiText(QStringLiteral("再想想")), panel), QStringLiteral("restoreCancelButton"),
              QRect(0, 98, 135, 43),
              QStringLiteral("QPushButton { color: #FFFFFF; font-size: 14px; background: transparent; "
                             "border: none; }"
                             "QPushButton:hover { background-color: rgba(255, 255, 255, 10); }"
                             "QPushButton:pressed { background-color: rgba(255, 255, 255, 20); }"));
    auto *confirm =
        place(new QPushButton(uiText(QStringLiteral("确定还原")), panel),
              QStringLiteral("restoreConfirmButton"), QRect(135, 98, 135, 43),
              QStringLiteral("QPushButton { color: #BEF449; font-size: 14px; font-weight: 500; "
                             "background: transparent; border: none; }"
                             "QPushButton:hover { background-color: rgba(190, 244, 73, 18); }"
                             "QPushButton:pressed { background-color: rgba(190, 244, 73, 28); }"));
    for (QPushButton *button : {cancel, confirm}) {
        button->setCursor(Qt::PointingHandCursor);
        button->setFocusPolicy(Qt::NoFocus);
    }

    const QPointer<QWidget> guard(overlay);
    connect(cancel, &QPushButton::clicked, overlay, &QWidget::close);
    connect(confirm, &QPushButton::clicked, this, [this, guard] {
        confirmRestore();
        if (guard)
            guard->close();
    });
    overlay->show();
    overlay->raise();
}

void MainLayoutWidget::confirmRestore()
{
    clearSelectedKeys();
    m_modelEdited = true;
    m_selectedKnobKey = 0;
    updateKnobKeysDisplay();
    updateKnobKeySelection();
    clearAllTabSelections();
}
