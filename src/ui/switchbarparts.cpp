#include "ui/switchbarparts.h"

#include "ui/RoundedFill.h"
#include "ui/svgpixmap.h"
#include "ui/textcolour.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>

namespace switchbar {

namespace {

const QColor kBarColour(0x1C, 0x1C, 0x1C);
const QColor kHighlightColour(0x16, 0x16, 0x16);
const QColor kHoverColour(0x27, 0x2A, 0x2B);
constexpr int kRadius = 8;

} // namespace

QFont textFont(int pixelSize)
{
    // The window's family, which the labels are drawn in.
    QFont font = QGuiApplication::font();
    font.setWeight(QFont::Medium);
    font.setPixelSize(pixelSize);
    return font;
}

void paintBar(QPainter &painter, const QRect &rect, int radius)
{
    // As RoundedFill paints the items and the highlight.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBarColour);
    painter.drawRoundedRect(QRectF(rect), radius, radius);
}

QLabel *makeHighlight(QWidget *bar, const QString &name)
{
    QLabel *highlight = clickThrough(new QLabel(bar), name);
    RoundedFill::of(highlight)->set(kHighlightColour, kRadius);
    return highlight;
}

QLabel *clickThrough(QLabel *label, const QString &name)
{
    label->setObjectName(name);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

QLabel *makeItem(QWidget *bar, const QString &name, const char *indexProperty, int index,
                 const char *activeIcon, const char *inactiveIcon, QObject *filter)
{
    auto *item = new QLabel(bar);
    item->setObjectName(name);
    item->setProperty(indexProperty, index);
    item->setProperty("activeIcon", QString::fromUtf8(activeIcon));
    item->setProperty("inactiveIcon", QString::fromUtf8(inactiveIcon));
    item->setCursor(Qt::PointingHandCursor);
    item->setFocusPolicy(Qt::TabFocus);
    item->installEventFilter(filter);
    return item;
}

void styleHighlight(QLabel *highlight, int radius)
{
    RoundedFill::of(highlight)->set(kHighlightColour, radius);
}

void styleItem(QLabel *item, QLabel *icon, QLabel *text, const QString &iconPath, bool current,
               bool connectedLook, int iconSide, int fontPx, const QWidget *renderFor)
{
    // Layout and connection changes restyle every item; re-rendering an icon
    // for the same look would change nothing.
    const QString look = QStringLiteral("%1|%2|%3|%4|%5")
                             .arg(iconPath)
                             .arg(int(current) + 2 * int(connectedLook))
                             .arg(iconSide)
                             .arg(fontPx)
                             .arg(renderFor ? renderFor->devicePixelRatioF() : 1.0);
    if (item->property("styledLook").toString() == look)
        return;
    item->setProperty("styledLook", look);
    RoundedFill *fill = RoundedFill::of(item);
    fill->set(Qt::transparent, kRadius);
    fill->setHoverColour(!current && connectedLook ? kHoverColour : QColor());
    if (icon) {
        icon->setFixedSize(iconSide, iconSide);
        icon->setPixmap(renderSvgPixmap(iconPath, QSize(iconSide, iconSide), renderFor));
    }
    if (text) {
        text->setFont(textFont(fontPx));
        setTextColour(text, current ? QColor(0xBE, 0xF4, 0x49) : QColor(0x67, 0x69, 0x6A));
    }
}

QPropertyAnimation *slide(QWidget *target, const QRect &from, const QRect &to, QObject *parent)
{
    auto *animation = new QPropertyAnimation(target, "geometry", parent);
    animation->setDuration(kSlideMs);
    animation->setEasingCurve(QEasingCurve::InOutCubic);
    animation->setStartValue(from);
    animation->setEndValue(to);
    return animation;
}

bool isRunning(const QAbstractAnimation *animation)
{
    return animation && animation->state() == QAbstractAnimation::Running;
}

} // namespace switchbar
