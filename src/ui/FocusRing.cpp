#include "ui/FocusRing.h"

#include <QPainter>

namespace {

constexpr int kMargin = 4;

} // namespace

FocusRing::FocusRing(QWidget *parent) : QFocusFrame(parent)
{
    setObjectName(QStringLiteral("focusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void FocusRing::follow(QWidget *target)
{
    m_target = target;
    QWidget *parent = target ? target->parentWidget() : nullptr;
    if (!target || !parent || !target->isVisible()) {
        hide();
        return;
    }
    if (parentWidget() != parent)
        setParent(parent);
    // Kept inside the parent, which would clip a ring drawn past its edge.
    setGeometry(target->geometry().adjusted(-kMargin, -kMargin, kMargin, kMargin) & parent->rect());
    raise();
    show();
    update();
}

void FocusRing::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    // A dark edge under the lime keeps the ring visible on the light knob too.
    const QRectF ring = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    painter.setPen(QPen(QColor(0x14, 0x14, 0x14), 3));
    painter.drawRoundedRect(ring, 7, 7);
    painter.setPen(QPen(QColor(0xBE, 0xF4, 0x49), 2));
    painter.drawRoundedRect(ring, 7, 7);
}
