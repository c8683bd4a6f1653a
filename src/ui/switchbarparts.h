#pragma once

// The pieces the tab bar and the Mac / Windows switch share: a dark rounded
// bar, a darker highlight that slides under the current item, and items
// showing an icon and a text.

#include <QString>

class QAbstractAnimation;
class QFont;
class QLabel;
class QObject;
class QPainter;
class QPropertyAnimation;
class QRect;
class QWidget;

namespace switchbar {

inline constexpr int kSlideMs = 220;

QFont textFont(int pixelSize);

// The bar's dark rounded background over `rect`.
void paintBar(QPainter &painter, const QRect &rect, int radius);
// The highlight: lets the clicks through to the item below it.
QLabel *makeHighlight(QWidget *bar, const QString &name);
// Parts of a bar leave the clicks to the item below them.
QLabel *clickThrough(QLabel *label, const QString &name);
// An item of a bar, reachable with Tab; its presses and keys go to `filter`.
QLabel *makeItem(QWidget *bar, const QString &name, const char *indexProperty, int index,
                 const char *activeIcon, const char *inactiveIcon, QObject *filter);
// The highlight with corners of `radius`.
void styleHighlight(QLabel *highlight, int radius);
// Background, hover, icon and text colour of one item. Only a connected
// window shows the hover on items that are not current.
void styleItem(QLabel *item, QLabel *icon, QLabel *text, const QString &iconPath, bool current,
               bool connectedLook, int iconSide, int fontPx, const QWidget *renderFor);
// The highlight's slide from one item to another.
QPropertyAnimation *slide(QWidget *target, const QRect &from, const QRect &to, QObject *parent);
// A finished animation lingers until its deferred deletion.
bool isRunning(const QAbstractAnimation *animation);

} // namespace switchbar
