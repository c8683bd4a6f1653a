#include "ui/pages/ProcreateWidget.h"

#include "ui/pages/PaintedButton.h"
#include "ui/pages/pagerules.h"
#include "ui/pages/pagevocabulary.h"
#include "ui/uitext.h"

#include "ui/pages/PagePanel.h"

#include <QDebug>

#include <algorithm>

ProcreateWidget::ProcreateWidget(QWidget *parent) : ButtonGridPage(parent)
{
    setupUI();
}

void ProcreateWidget::setupUI()
{
    setupCanvas();
    // The background also carries the buttons.
    setupBackground();

    for (const QString &name : procreatePageNames()) {
        auto *button = new PaintedButton(actionLabel(name), m_background);
        button->setFontFamily(QStringLiteral("Microsoft YaHei"));
        m_buttons.append(button);
        makeSelectable(button, name, "Procreate按键被点击:");
    }
    qDebug() << "ProcreateWidget initialized with" << m_buttons.size() << "buttons";
}

void ProcreateWidget::updateButtonLayout()
{
    if (m_buttons.isEmpty() || !m_background || m_background->width() < 1 || m_background->height() < 1)
        return;
    const int w = m_background->width();
    const int h = m_background->height();
    const PageScale s(QSize(w, h));
    const int bw = std::max(50, s.x(210));
    const int bh = std::max(20, s.y(59));
    const int gx = std::max(2, s.x(8));
    const int gy = std::max(4, s.y(16));
    const int fm = std::max(8, s.x(14));
    const int x0 = s.x(16);
    const int y0 = s.y(84);
    for (int i = 0; i < m_buttons.size(); ++i) {
        PaintedButton *b = m_buttons.at(i);
        b->setGeometry(x0 + (i % 7) * (bw + gx), y0 + (i / 7) * (bh + gy), bw, bh);
        b->setFontPixelSizeRange(8, fm);
        b->show();
    }
    qDebug() << "ProcreateWidget layout updated: bgSize=" << w << "x" << h << "buttonSize=" << bw << "x" << bh
             << "gap=" << gx << "x" << gy;
}

void ProcreateWidget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateButtonLayout();
}
