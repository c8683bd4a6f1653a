#include "ui/PanelOverlay.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

PanelOverlay::PanelOverlay(QWidget *window, const QString &title, int panelWidth) : QWidget(window)
{
    setObjectName(QStringLiteral("panelOverlay"));
    setAttribute(Qt::WA_StyledBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    setStyleSheet(QStringLiteral("QWidget#panelOverlay { background-color: rgba(1, 1, 1, 204); }"));

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

QString PanelOverlay::labelStyle()
{
    return QStringLiteral("QLabel, QCheckBox { color: #D4D4D5; font-size: 12px; background: transparent; }"
                          "QCheckBox:disabled { color: #6B6B6B; }");
}

QString PanelOverlay::buttonStyle()
{
    return QStringLiteral("QPushButton { color: #FFFFFF; font-size: 13px; background-color: #35393A; "
                          "border: 1px solid #424242; border-radius: 4px; padding: 5px 12px; }"
                          "QPushButton:hover { background-color: #3F4446; }"
                          "QPushButton:default { color: #BEF449; }"
                          "QPushButton:disabled { color: #6B6B6B; }");
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
