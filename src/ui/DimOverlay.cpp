#include "ui/DimOverlay.h"

#include <QChildEvent>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

DimOverlay::DimOverlay(QWidget *target, QWidget *backdropOwner, BackdropPainter paintBackdrop)
    : QWidget(target), m_backdropOwner(backdropOwner), m_paintBackdrop(std::move(paintBackdrop))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(target->rect());
    target->installEventFilter(this);
    for (QObject *child : target->children())
        if (child != this && child->isWidgetType())
            child->installEventFilter(this);
    raise();
}

void DimOverlay::setOpacity(double opacity)
{
    if (qFuzzyCompare(m_opacity, opacity))
        return;
    m_opacity = opacity;
    setVisible(opacity < 1.0);
    update();
}

bool DimOverlay::eventFilter(QObject *watched, QEvent *event)
{
    // Children added or raised later (pages built on demand, a highlighted
    // item) must not end up above the dimming.
    if (watched == parent()) {
        if (event->type() == QEvent::Resize) {
            setGeometry(parentWidget()->rect());
        } else if (event->type() == QEvent::ChildAdded) {
            QObject *child = static_cast<QChildEvent *>(event)->child();
            if (child != this && child->isWidgetType())
                child->installEventFilter(this);
            raise();
        }
    } else if (event->type() == QEvent::ZOrderChange) {
        raise();
    }
    return QWidget::eventFilter(watched, event);
}

void DimOverlay::paintEvent(QPaintEvent *event)
{
    if (!m_backdropOwner || !m_paintBackdrop)
        return;
    QPainter painter(this);
    painter.setClipRegion(event->region());
    // A widget shown at opacity o over backdrop B gives o*C + (1 - o)*B, C
    // being the widget as painted over B: so the backdrop at 1 - o on top.
    // Exact for a backdrop of one layer (shapes painted one by one would each
    // take the alpha), as the disconnected look's flat one is.
    painter.setOpacity(1.0 - m_opacity);
    painter.translate(-mapTo(m_backdropOwner, QPoint(0, 0)));
    m_paintBackdrop(painter);
}
