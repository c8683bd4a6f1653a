#include "ui/TabBar.h"

#include "protocol/uitext.h"
#include "ui/AccessibleControl.h"
#include "ui/mainlayoutgeometry.h"
#include "ui/switchbarparts.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
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
    {"键盘", ":/asset/keyboard_active.svg", ":/asset/keyboard_inactive.svg"},
    {"组合键", ":/asset/combo_active.svg", ":/asset/combo_inactive.svg"},
    {"多媒体", ":/asset/multimedia_active.svg", ":/asset/multimedia_inactive.svg"},
    {"灯光", ":/asset/light_active.svg", ":/asset/light_inactive.svg"},
    {"鼠标", ":/asset/mouse_active.svg", ":/asset/mouse_inactive.svg"},
    {"延时", ":/asset/delay_active.svg", ":/asset/delay_inactive.svg"},
    {"Procreate", ":/asset/procreate_active.svg", ":/asset/procreate_inactive.svg"},
    {"调试", ":/asset/keyboard_active.svg", ":/asset/keyboard_inactive.svg"},
};

QString tabText(int index)
{
    return uiText(QString::fromUtf8(kTabs[index].source));
}

} // namespace

TabBar::TabBar(QWidget *window, const QSize &designSize)
    : QObject(window), m_window(window), m_designSize(designSize)
{
    m_bar = switchbar::makeBar(QStringLiteral("TabBar"), QRect(200, 520, 900, 52), window);
    m_highlight = switchbar::makeHighlight(m_bar, QStringLiteral("tabHighlight"));
    m_highlight->lower();

    // Item 7 stays hidden until the debug console is unlocked, and every rule
    // below follows it through count().
    for (int i = 0; i < 8; ++i) {
        QLabel *item = switchbar::makeItem(m_bar, QStringLiteral("tabItem%1").arg(i), "tabIndex", i,
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
    resizeToContent();
    layoutItems();
    updateIcons();
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
    return QObject::eventFilter(watched, event);
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
    return layout::tabRect(index, scale(), widths(), m_bar->size());
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

int TabBar::indexAt(const QPoint &windowPos) const
{
    if (!m_bar->isVisible() || !m_bar->geometry().contains(windowPos))
        return -1;
    const QPoint local = m_bar->mapFrom(m_window, windowPos);
    for (int i = 0; i < std::min(6, count()); ++i) {
        if (rectForIndex(i).contains(local))
            return i;
    }
    return -1;
}

void TabBar::resizeToContent()
{
    m_bar->resize(rowWidth(), m_bar->height());
}

void TabBar::relayout(const QPoint &topLeft, int height, int radius)
{
    m_bar->setGeometry(topLeft.x(), topLeft.y(), rowWidth(), height);
    switchbar::styleBar(m_bar, m_highlight, radius);
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
