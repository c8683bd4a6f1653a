#include "ui/ProfileButton.h"

#include "ui/pages/pagerules.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

ProfileButton::ProfileButton(QWidget *parent) : QPushButton(parent)
{
    setObjectName(QStringLiteral("profileButton"));
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setFlat(true);
    setProfileName(QString());
}

void ProfileButton::setProfileName(const QString &name)
{
    const QString shown = name.isEmpty() ? tr("Custom") : name;
    setText(shown);
    setAccessibleName(tr("Profile: %1").arg(shown));
    setToolTip(accessibleName());
    update();
}

void ProfileButton::setStyleMetrics(int radius, int border, int fontPx)
{
    m_radius = radius;
    m_border = border;
    m_fontPx = fontPx;
    update();
}

void ProfileButton::enterEvent(QEnterEvent *event)
{
    QPushButton::enterEvent(event);
    m_hovered = true;
    update();
}

void ProfileButton::leaveEvent(QEvent *event)
{
    QPushButton::leaveEvent(event);
    m_hovered = false;
    update();
}

void ProfileButton::paintEvent(QPaintEvent *)
{
    const SimKeyColors colors = simKeyColors(isEnabled(), isDown(), false, m_hovered);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal half = m_border / 2.0;
    const qreal radius = std::max<qreal>(0, m_radius - half);
    p.setPen(m_border > 0 ? QPen(colors.border, m_border) : QPen(Qt::NoPen));
    p.setBrush(colors.background);
    p.drawRoundedRect(QRectF(rect()).adjusted(half, half, -half, -half), radius, radius);

    const int pad = std::max(6, height() / 4);
    // The arrow: a small chevron at the right, in the caption's grey.
    const qreal arrow = std::max(4.0, height() / 9.0);
    const QPointF tip(width() - pad - arrow, height() / 2.0 + arrow / 2);
    QPainterPath chevron;
    chevron.moveTo(tip.x() - arrow, tip.y() - arrow);
    chevron.lineTo(tip);
    chevron.lineTo(tip.x() + arrow, tip.y() - arrow);
    p.setPen(
        QPen(QColor(0xA9, 0xAA, 0xAA), std::max(1.2, arrow / 3), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(chevron);

    QFont captionFont = font();
    captionFont.setPixelSize(std::max(8, m_fontPx * 3 / 4));
    QFont nameFont = font();
    nameFont.setPixelSize(m_fontPx);
    nameFont.setWeight(QFont::Medium);
    const QString caption = tr("Profile");
    const int captionWidth = QFontMetrics(captionFont).horizontalAdvance(caption);
    const int textLeft = pad;
    const int textRight = int(tip.x() - arrow) - pad / 2;
    p.setFont(captionFont);
    p.setPen(QColor(0x67, 0x69, 0x6A));
    p.drawText(QRect(textLeft, 0, captionWidth, height()), Qt::AlignVCenter | Qt::AlignLeft, caption);
    const QRect nameRect(textLeft + captionWidth + pad / 2, 0,
                         std::max(0, textRight - textLeft - captionWidth - pad / 2), height());
    p.setFont(nameFont);
    p.setPen(text() == tr("Custom") ? colors.text : QColor(0xBE, 0xF4, 0x49));
    p.drawText(nameRect, Qt::AlignVCenter | Qt::AlignLeft,
               QFontMetrics(nameFont).elidedText(text(), Qt::ElideRight, nameRect.width()));
}
