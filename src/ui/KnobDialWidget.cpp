#include "ui/KnobDialWidget.h"

#include <QPainter>
#include <QPauseAnimation>
#include <QPropertyAnimation>
#include <QRadialGradient>
#include <QSequentialAnimationGroup>

#include <algorithm>

KnobDialWidget::KnobDialWidget(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
}

void KnobDialWidget::setDialRotation(double degrees)
{
    if (m_dialRotation == degrees)
        return;
    m_dialRotation = degrees;
    update();
}

void KnobDialWidget::setDialScale(double factor)
{
    if (m_dialScale == factor)
        return;
    m_dialScale = factor;
    update();
}

void KnobDialWidget::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    update();
}

void KnobDialWidget::setShadow(double radius, double verticalOffset, const QColor &color)
{
    m_shadowRadius = radius;
    m_shadowOffset = verticalOffset;
    m_shadowColor = color;
    update();
}

void KnobDialWidget::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    const QSizeF logical = m_picture.deviceIndependentSize();
    const QPointF center = QRectF(rect()).center();

    if (m_shadowRadius > 0 && m_shadowColor.alpha() > 0) {
        const double inner = std::min(logical.width(), logical.height()) / 2.0 * m_dialScale;
        const double R = inner + m_shadowRadius;
        const QPointF shadowCenter = center + QPointF(0, m_shadowOffset);
        QRadialGradient gradient(shadowCenter, R);
        QColor clear = m_shadowColor;
        clear.setAlpha(0);
        gradient.setColorAt(0, m_shadowColor);
        gradient.setColorAt(std::max(0.0, std::min(0.98, inner / R)), m_shadowColor);
        gradient.setColorAt(1, clear);
        painter.setPen(Qt::NoPen);
        painter.setBrush(gradient);
        painter.drawEllipse(shadowCenter, R, R);
    }

    painter.translate(center);
    painter.rotate(m_dialRotation);
    painter.scale(m_dialScale, m_dialScale);
    painter.drawPixmap(QRectF(QPointF(-logical.width() / 2, -logical.height() / 2), logical), m_picture,
                       QRectF(m_picture.rect()));
}

namespace {

QPropertyAnimation *step(KnobDialWidget *dial, const char *property, double from, double to, int ms,
                         QEasingCurve::Type easing)
{
    auto *animation = new QPropertyAnimation(dial, property);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->setDuration(ms);
    animation->setEasingCurve(easing);
    return animation;
}

} // namespace

QSequentialAnimationGroup *createKnobDialAnimation(KnobDialWidget *dial, int knobKey, QObject *parent)
{
    if (!dial || knobKey < 1 || knobKey > 5)
        return nullptr;
    const bool pressed = knobKey >= 3;
    const bool turns = knobKey <= 4;
    const double angle = (knobKey == 2 || knobKey == 4) ? 90.0 : -90.0;

    auto *group = new QSequentialAnimationGroup(parent);
    if (pressed) {
        group->addAnimation(step(dial, "dialScale", 1.0, 0.86, 280, QEasingCurve::OutQuad));
        group->addPause(100);
    }
    if (turns) {
        group->addAnimation(step(dial, "dialRotation", 0.0, angle, 650, QEasingCurve::OutQuad));
        group->addPause(100);
        group->addAnimation(step(dial, "dialRotation", angle, 0.0, 650, QEasingCurve::InOutQuad));
    }
    if (pressed)
        group->addAnimation(step(dial, "dialScale", 0.86, 1.0, 340, QEasingCurve::OutBack));
    group->addPause(3000);
    group->setLoopCount(-1);
    return group;
}
