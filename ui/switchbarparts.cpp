#include "ui/switchbarparts.h"

#include "ui/DraggableWidgets.h"
#include "ui/svgpixmap.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPropertyAnimation>

namespace switchbar {

namespace {

const auto kHighlightStyle = QStringLiteral("QLabel { background-color: #161616; border-radius: 8px; }");

} // namespace

QFont textFont(int pixelSize)
{
    // The window's family, which the labels are drawn in.
    QFont font = QGuiApplication::font();
    font.setWeight(QFont::Medium);
    font.setPixelSize(pixelSize);
    return font;
}

QLabel *makeBar(const QString &dragName, const QRect &geometry, QWidget *parent)
{
    auto *bar = new DraggableLabel(dragName, parent);
    bar->setStyleSheet(QStringLiteral("QLabel { background-color: #1C1C1C; border-radius: 8px; }"));
    bar->setGeometry(geometry);
    return bar;
}

QLabel *makeHighlight(QWidget *bar, const QString &name)
{
    QLabel *highlight = clickThrough(new QLabel(bar), name);
    highlight->setStyleSheet(kHighlightStyle);
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
    item->setAttribute(Qt::WA_StyledBackground);
    item->setProperty(indexProperty, index);
    item->setProperty("activeIcon", QString::fromUtf8(activeIcon));
    item->setProperty("inactiveIcon", QString::fromUtf8(inactiveIcon));
    item->setCursor(Qt::PointingHandCursor);
    item->setFocusPolicy(Qt::TabFocus);
    item->installEventFilter(filter);
    return item;
}

void styleBar(QLabel *bar, QLabel *highlight, int radius)
{
    const QString r = QString::number(radius);
    bar->setStyleSheet(QStringLiteral("QLabel { background-color: #1C1C1C; border-radius: %1px; }").arg(r));
    highlight->setStyleSheet(
        QStringLiteral("QLabel { background-color: #161616; border-radius: %1px; }").arg(r));
}

void styleItem(QLabel *item, QLabel *icon, QLabel *text, const QString &iconPath, bool current,
               bool connectedLook, int iconSide, int fontPx, const QWidget *renderFor)
{
    // Layout and connection changes restyle every item; re-rendering an icon
    // and re-polishing three labels for the same look would change nothing.
    const QString look = QStringLiteral("%1|%2|%3|%4|%5")
                             .arg(iconPath)
                             .arg(int(current) + 2 * int(connectedLook))
                             .arg(iconSide)
                             .arg(fontPx)
                             .arg(renderFor ? renderFor->devicePixelRatioF() : 1.0);
    if (item->property("styledLook").toString() == look)
        return;
    item->setProperty("styledLook", look);
    QString style = QStringLiteral("QLabel {  background: transparent;  border-radius: 8px;}");
    if (!current && connectedLook)
        style += QStringLiteral("QLabel:hover {  background: #272A2B;}");
    item->setStyleSheet(style);
    if (icon) {
        icon->setStyleSheet(QStringLiteral("QLabel { background: transparent; }"));
        icon->setFixedSize(iconSide, iconSide);
        icon->setPixmap(renderSvgPixmap(iconPath, QSize(iconSide, iconSide), renderFor));
    }
    if (text) {
        text->setFont(textFont(fontPx));
        text->setStyleSheet(QStringLiteral("QLabel { background: transparent; color: %1; }")
                                .arg(current ? QStringLiteral("#BEF449") : QStringLiteral("#67696A")));
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
