#include "ui/TabBar.h"

#include "ui/AccessibleControl.h"
#include "ui/mainlayoutgeometry.h"
#include "ui/switchbarparts.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>

#include <algorithm>

namespace {

struct TabDef
{
    const char *source;
    const char *activeIcon;
    const char *inactiveIcon;
};

// Index 7 belongs to the debug console, which adds its own page.
const TabDef kTabs[8] = {
    {QT_TRANSLATE_NOOP("TabBar", "Keyboard"), ":/asset/keyboard_active.svg", ":/asset/keyboard_inactive.svg"},
    {QT_TRANSLATE_NOOP("TabBar", "Shortcuts"), ":/asset/combo_active.svg", ":/asset/combo_inactive.svg"},
    {QT_TRANSLATE_NOOP("TabBar", "Media"), ":/asset/multimedia_active.svg",
     ":/asset/multimedia_inactive.svg"},
    {QT_TRANSLATE_NOOP("TabBar", "Lighting"), ":/asset/light_active.svg", ":/asset/light_inactive.svg"},
    {QT_TRANSLATE_NOOP("TabBar", "Mouse"), ":/asset/mouse_active.svg", ":/asset/mouse_inactive.svg"},
    {QT_TRANSLATE_NOOP("TabBar", "Delay"), ":/asset/delay_active.svg", ":/asset/delay_inactive.svg"},
    {QT_TRANSLATE_NOOP("TabBar", "Procreate"), ":/asset/procreate_active.svg",
     ":/asset/procreate_inactive.svg"},
    {QT_TRANSLATE_NOOP("TabBar", "Debug"), ":/asset/keyboard_active.svg", ":/asset/keyboard_inactive.svg"},
};

QString tabText(int index)
{
    return TabBar::tr(kTabs[index].source);
}

} // namespace

TabBar::TabBar(QWidget *window, const QSize &designSize)
    : QWidget(window), m_window(window), m_designSize(designSize)
{
    setObjectName(QStringLiteral("TabBar"));
    m_highlight = switchbar::makeHighlight(this, QStringLiteral("tabHighlight"));
    m_highlight->lower();

    // Item 7 stays hidden until the debug console is unlocked, and every rule
    // below follows it through count().
    for (int i = 0; i < 8; ++i) {
        QLabel *item = switchbar::makeItem(this, QStringLiteral("tabItem%1").arg(i), "tabIndex", i,
                                           kTabs[i].activeIcon, kTabs[i].inactiveIcon, this);
        switchbar::clickThrough(new QLabel(item), QStringLiteral("tabIconImage"))->resize(16, 16);
        switchbar::clickThrough(new QLabel(tabText(i), item), QStringLiteral("tabIconText"))
            ->setAlignment(Qt::AlignCenter);
        AccessibleControl::setRole(item, QAccessible::PageTab);
        item->setAccessibleName(tabText(i));
        // The text is the first thing a narrow window cuts.
        item->setToolTip(tabText(i));
        m_items[i] = item;
    }
    m_items[7]->hide();
}

bool TabBar::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress || AccessibleControl::isPress(event)) {
        const QVariant tab = watched->property("tabIndex");
        if (tab.isValid()) {
            Q_EMIT tabPressed(tab.toInt());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TabBar::mousePressEvent(QMouseEvent *event)
{
    // A press between the items goes to the tab whose rectangle holds it.
    for (int i = 0; i < std::min(6, count()); ++i) {
        if (rectForIndex(i).contains(event->position().toPoint())) {
            Q_EMIT tabPressed(i);
            return;
        }
    }
    QWidget::mousePressEvent(event);
}

void TabBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    switchbar::paintBar(painter, rect(), m_radius);
}

double TabBar::scale() const
{
    return double(m_window->width()) / m_designSize.width();
}

QVector<int> TabBar::widths() const
{
    const double s = scale();
    const QFontMetrics metrics(switchbar::textFont(layout::tabFontPixelSize(s)));
    QVector<int> textWidths;
    for (int i = 0; i < count(); ++i)
        textWidths.append(metrics.horizontalAdvance(tabText(i)));
    return layout::tabWidths(s, count(), textWidths);
}

QRect TabBar::rectForIndex(int index) const
{
    return layout::tabRect(index, scale(), widths(), size());
}

QList<QWidget *> TabBar::items() const
{
    QList<QWidget *> out;
    for (int i = 0; i < count(); ++i)
        out << m_items[i];
    return out;
}

int TabBar::rowWidth() const
{
    return layout::tabRowWidth(scale(), widths());
}

void TabBar::resizeToContent()
{
    resize(rowWidth(), height());
}

void TabBar::relayout(const QPoint &topLeft, int height, int radius)
{
    setGeometry(topLeft.x(), topLeft.y(), rowWidth(), height);
    m_radius = radius;
    switchbar::styleHighlight(m_highlight, radius);
    update();
    layoutItems();
    updateIcons();
}

void TabBar::layoutItems()
{
    for (int i = 0; i < 8; ++i) {
        if (i >= count()) {
            m_items[i]->hide();
            continue;
        }
        m_items[i]->setGeometry(rectForIndex(i));
        m_items[i]->raise();
    }
    if (!switchbar::isRunning(m_highlightAnimation)) {
        m_highlight->setGeometry(rectForIndex(m_currentIndex));
        m_highlight->lower();
    }
}

void TabBar::updateIcons()
{
    const double s = scale();
    const int iconSide = layout::tabIconSide(s);
    const int fontPx = layout::tabFontPixelSize(s);
    const int gap = layout::tabGap(s) + 1;
    const QFontMetrics metrics(switchbar::textFont(fontPx));
    for (int i = 0; i < 8; ++i) {
        QLabel *item = m_items[i];
        const bool current = i == m_currentIndex;
        AccessibleControl::setChecked(item, current);
        auto *icon = item->findChild<QLabel *>(QStringLiteral("tabIconImage"));
        auto *text = item->findChild<QLabel *>(QStringLiteral("tabIconText"));
        const QString iconPath = item->property(current ? "activeIcon" : "inactiveIcon").toString();
        switchbar::styleItem(item, icon, text, iconPath, current, m_connectedLook, iconSide, fontPx,
                             m_window);
        if (!icon || !text)
            continue;
        // Icon and text are centred together as one row.
        const int textWidth = metrics.horizontalAdvance(text->text()) + 2;
        const int x0 = (item->width() - (iconSide + gap + textWidth)) / 2;
        icon->move(x0, (item->height() - iconSide) / 2);
        text->setGeometry(x0 + iconSide + gap, 0, textWidth, item->height());
    }
}

void TabBar::setCurrentIndex(int index)
{
    const int previous = m_currentIndex;
    m_currentIndex = index;
    if (m_highlightAnimation)
        m_highlightAnimation->stop();
    if (index == previous) {
        m_highlight->setGeometry(rectForIndex(index));
    } else {
        auto *move = switchbar::slide(m_highlight, rectForIndex(previous), rectForIndex(index), this);
        m_highlightAnimation = move;
        move->start(QAbstractAnimation::DeleteWhenStopped);
    }
    updateIcons();
}

void TabBar::setDebugTabVisible(bool visible)
{
    if (visible == m_debugTabVisible)
        return;
    m_debugTabVisible = visible;
    m_items[7]->setVisible(visible);
    resizeToContent();
    layoutItems();
    updateIcons();
}
