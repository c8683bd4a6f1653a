#include "ui/PanelOverlay.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

PanelOverlay::PanelOverlay(QWidget *window, const QString &title, int panelWidth) : QWidget(window)
{
    setObjectName(QStringLiteral("panelOverlay"));
    setAttribute(Qt::WA_StyledBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    setStyleSheet(QStringLiteral("PanelOverlay { background-color: rgba(1, 1, 1, 204); }"));

    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("overlayPanel"));
    m_panel->setAttribute(Qt::WA_StyledBackground);
    m_panel->setStyleSheet(QStringLiteral("QWidget#overlayPanel { background-color: #272A2B; border: "
                                          "1px solid #424242; border-radius: 8px; }"));
    m_panel->setFixedWidth(panelWidth);
    m_body = new QVBoxLayout(m_panel);
    m_body->setContentsMargins(20, 20, 20, 16);
    m_body->setSpacing(10);
    auto *titleLabel = new QLabel(title, m_panel);
    titleLabel->setObjectName(QStringLiteral("overlayTitle"));
    titleLabel->setStyleSheet(QStringLiteral(
        "QLabel { color: #FFFFFF; font-size: 15px; font-weight: 500; background: transparent; }"));
    m_body->addWidget(titleLabel);
    window->installEventFilter(this);
    setFocusPolicy(Qt::StrongFocus);
}

void PanelOverlay::styleRows()
{
    const QString text = QStringLiteral("color: #D4D4D5; font-size: 12px; background: transparent;");
    for (QLabel *label : m_panel->findChildren<QLabel *>()) {
        if (label->styleSheet().isEmpty())
            label->setStyleSheet(QStringLiteral("QLabel { %1 }").arg(text));
    }
    for (QCheckBox *box : m_panel->findChildren<QCheckBox *>())
        box->setStyleSheet(
            QStringLiteral("QCheckBox { %1 } QCheckBox:disabled { color: #6B6B6B; }"
                           "QCheckBox::indicator { width: 12px; height: 12px; border: 1px solid #6B6B6B; "
                           "border-radius: 3px; background: #1F2122; }"
                           "QCheckBox::indicator:checked { background: #BEF449; border-color: #BEF449; }")
                .arg(text));
    for (QPushButton *button : m_panel->findChildren<QPushButton *>())
        button->setStyleSheet(
            QStringLiteral("QPushButton { color: #FFFFFF; font-size: 13px; background-color: #35393A; "
                           "border: 1px solid #424242; border-radius: 4px; padding: 5px 12px; }"
                           "QPushButton:hover { background-color: #3F4446; }"
                           "QPushButton:default { color: #BEF449; }"
                           "QPushButton:disabled { color: #6B6B6B; }"));
    const QString field =
        QStringLiteral("color: #FFFFFF; background-color: #1F2122; border: 1px solid #424242; "
                       "font-size: 12px; padding: 3px;");
    for (QComboBox *combo : m_panel->findChildren<QComboBox *>())
        combo->setStyleSheet(QStringLiteral("QComboBox { %1 }").arg(field));
    for (QListWidget *list : m_panel->findChildren<QListWidget *>())
        list->setStyleSheet(
            QStringLiteral("QListWidget { %1 } QListWidget::item:selected { background-color: #3F4446; }")
                .arg(field));
}

void PanelOverlay::fitToWindow()
{
    if (!parentWidget())
        return;
    setGeometry(parentWidget()->rect());
    m_panel->adjustSize();
    m_panel->move((width() - m_panel->width()) / 2, (height() - m_panel->height()) / 2);
}

bool PanelOverlay::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        fitToWindow();
    return QWidget::eventFilter(watched, event);
}

void PanelOverlay::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
