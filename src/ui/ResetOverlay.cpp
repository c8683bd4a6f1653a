#include "ui/ResetOverlay.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <utility>

ResetOverlay::ResetOverlay(QWidget *window) : QWidget(window)
{
    setObjectName(QStringLiteral("restoreOverlay"));
    setAttribute(Qt::WA_StyledBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    setStyleSheet(QStringLiteral("QWidget#restoreOverlay { background-color: rgba(1, 1, 1, 204); }"));
    setGeometry(window->rect());

    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("restoreConfirmPanel"));
    m_panel->setAttribute(Qt::WA_StyledBackground);
    m_panel->setStyleSheet(QStringLiteral("QWidget#restoreConfirmPanel { background-color: #272A2B; border: "
                                          "1px solid #424242; border-radius: 8px; }"));
    m_panel->setGeometry((width() - 270) / 2, (height() - 141) / 2, 270, 141);

    // Every part of the panel has a fixed place in its 270 x 141 frame.
    const auto place = [](auto *child, const QString &name, const QRect &geometry, const QString &style) {
        child->setObjectName(name);
        child->setGeometry(geometry);
        child->setStyleSheet(style);
        return child;
    };
    place(new QLabel(tr("Reset Settings"), m_panel), QStringLiteral("restoreTitleLabel"),
          QRect(20, 20, 230, 24),
          QStringLiteral(
              "QLabel { color: #FFFFFF; font-size: 15px; font-weight: 500; background: transparent; }"));
    // Reset only changes the window; saying so keeps anyone from thinking the
    // knob is already back to its defaults.
    place(new QLabel(tr("Sets the window to the default actions; Save writes them to the knob."), m_panel),
          QStringLiteral("restoreDescLabel"), QRect(20, 48, 230, 40),
          QStringLiteral("QLabel { color: #D4D4D5; font-size: 12px; background: transparent; }"))
        ->setWordWrap(true);

    for (const auto &[name, geometry] :
         {std::pair{QStringLiteral("restoreHorizontalDivider"), QRect(0, 97, 270, 1)},
          std::pair{QStringLiteral("restoreVerticalDivider"), QRect(135, 98, 1, 43)}}) {
        place(new QLabel(m_panel), name, geometry, QStringLiteral("QLabel { background-color: #424242; }"))
            ->setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    auto *cancel = place(
        new QPushButton(tr("Cancel"), m_panel), QStringLiteral("restoreCancelButton"), QRect(0, 98, 135, 43),
        QStringLiteral("QPushButton { color: #FFFFFF; font-size: 14px; background: transparent; "
                       "border: none; }"
                       "QPushButton:hover { background-color: rgba(255, 255, 255, 10); }"
                       "QPushButton:pressed { background-color: rgba(255, 255, 255, 20); }"));
    auto *confirm =
        place(new QPushButton(tr("Reset"), m_panel), QStringLiteral("restoreConfirmButton"),
              QRect(135, 98, 135, 43),
              QStringLiteral("QPushButton { color: #BEF449; font-size: 14px; font-weight: 500; "
                             "background: transparent; border: none; }"
                             "QPushButton:hover { background-color: rgba(190, 244, 73, 18); }"
                             "QPushButton:pressed { background-color: rgba(190, 244, 73, 28); }"));
    for (QPushButton *button : {cancel, confirm}) {
        button->setCursor(Qt::PointingHandCursor);
        button->setFocusPolicy(Qt::TabFocus);
    }

    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    connect(confirm, &QPushButton::clicked, this, [this] {
        // A receiver may close the overlay itself; the close below must not
        // touch it after its deletion.
        const QPointer<ResetOverlay> guard(this);
        Q_EMIT confirmed();
        if (guard)
            close();
    });
}

void ResetOverlay::fitToWindow()
{
    if (!parentWidget())
        return;
    setGeometry(parentWidget()->rect());
    m_panel->move((width() - m_panel->width()) / 2, (height() - m_panel->height()) / 2);
}
