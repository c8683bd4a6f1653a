#include "ui/HeaderBar.h"

#include "ui/ProfileButton.h"
#include "ui/mainlayoutgeometry.h"
#include "ui/pages/PaintedButton.h"
#include "ui/svgpixmap.h"
#include "ui/uitext.h"

#include <QLabel>
#include <QMouseEvent>

HeaderBar::HeaderBar(QWidget *window) : QWidget(window)
{
    setObjectName(QStringLiteral("HeaderBar"));
    m_logo = new QLabel(this);
    m_logo->setObjectName(QStringLiteral("Logo"));
    m_logo->setAlignment(Qt::AlignCenter);

    m_resetButton = new PaintedButton(tr("Reset"), this);
    m_resetButton->setObjectName(QStringLiteral("resetButton"));
    // Import and export of a configuration file, beside Reset and drawn like it.
    m_importButton = new PaintedButton(tr("Import"), this);
    m_importButton->setObjectName(QStringLiteral("importButton"));
    m_exportButton = new PaintedButton(tr("Export"), this);
    m_exportButton->setObjectName(QStringLiteral("exportButton"));

    m_saveButton = new QPushButton(tr("Save"), this);
    m_saveButton->setObjectName(QStringLiteral("saveButton"));
    m_saveButton->setCursor(Qt::PointingHandCursor);
    m_saveButton->setFocusPolicy(Qt::TabFocus);
    m_saveButton->setEnabled(false);

    m_profileButton = new ProfileButton(this);
}

void HeaderBar::mousePressEvent(QMouseEvent *event)
{
    if (m_logo->geometry().contains(event->position().toPoint()))
        Q_EMIT logoPressed();
    QWidget::mousePressEvent(event);
}

void HeaderBar::relayout()
{
    QWidget *window = parentWidget();
    const layout::MainGeometry g = layout::mainGeometry(window->size());
    // At the window's origin, so the pieces keep the window's coordinates.
    const QRect pieces = g.logo.united(g.profileButton)
                             .united(g.importButton)
                             .united(g.exportButton)
                             .united(g.resetButton)
                             .united(g.saveButton);
    setGeometry(0, 0, window->width(), pieces.bottom() + 1);

    m_logo->setGeometry(g.logo);
    m_logo->setPixmap(renderSvgPixmap(QStringLiteral(":/asset/Logo.svg"), g.logo.size(), this));

    m_profileButton->setGeometry(g.profileButton);
    m_profileButton->setStyleMetrics(g.buttonRadius, g.buttonBorder, g.buttonFontMaxPx - 1);
    m_resetButton->setGeometry(g.resetButton);
    m_saveButton->setGeometry(g.saveButton);
    m_exportButton->setGeometry(g.exportButton);
    m_importButton->setGeometry(g.importButton);
    for (PaintedButton *button : {m_resetButton, m_exportButton, m_importButton}) {
        button->setBorderRadius(g.buttonRadius);
        button->setBorderWidth(g.buttonBorder);
        button->setFontPixelSizeRange(g.buttonFontMinPx, g.buttonFontMaxPx);
    }
    m_saveButton->setStyleSheet(
        QStringLiteral("QPushButton {  background-color: #BEF449;  color: #272A2B;  border: none;  "
                       "border-radius: %2px;  font-size: %1px;  font-weight: 500;}"
                       "QPushButton:hover {  background-color: #CCF66D;}"
                       "QPushButton:pressed {  background-color: #A4D33F;}"
                       "QPushButton:disabled {  background-color: #BEF449;  color: #272A2B;}")
            .arg(g.saveButtonFontPx)
            .arg(g.buttonRadius));
}
