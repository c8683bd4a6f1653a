#include "ui/SystemSwitch.h"

#include "ui/AccessibleControl.h"
#include "ui/mainlayoutgeometry.h"
#include "ui/switchbarparts.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>

#include <algorithm>

namespace {

struct SystemDef
{
    bool mac;
    const char *text;
    const char *activeIcon;
    const char *inactiveIcon;
};

const SystemDef kSystems[2] = {
    {true, "Mac", ":/asset/mac_active.svg", ":/asset/mac_inactive.svg"},
    {false, "Windows", ":/asset/win_active.svg", ":/asset/win_inactive.svg"},
};

} // namespace

SystemSwitch::SystemSwitch(QWidget *window, const QSize &designSize, bool macLayout)
    : QWidget(window), m_window(window), m_designSize(designSize), m_macLayout(macLayout)
{
    setObjectName(QStringLiteral("SystemSwitch"));
    m_highlight = switchbar::makeHighlight(this, QStringLiteral("systemHighlight"));

    for (int i = 0; i < 2; ++i) {
        QLabel *item = switchbar::makeItem(this, QStringLiteral("systemItem%1").arg(i), "systemIndex", i,
                                           kSystems[i].activeIcon, kSystems[i].inactiveIcon, this);
        item->setProperty("macLayout", kSystems[i].mac);
        AccessibleControl::setRole(item, QAccessible::RadioButton);
        item->setAccessibleName(QString::fromUtf8(kSystems[i].text));

        auto *row = new QHBoxLayout(item);
        row->setContentsMargins(16, 0, 0, 0);
        row->setSpacing(7);
        QLabel *icon = switchbar::clickThrough(new QLabel(item), QStringLiteral("systemIconImage"));
        icon->setAlignment(Qt::AlignCenter);
        QLabel *text = switchbar::clickThrough(new QLabel(QString::fromUtf8(kSystems[i].text), item),
                                               QStringLiteral("systemIconText"));
        row->addWidget(icon, 0, Qt::AlignVCenter);
        row->addWidget(text, 0, Qt::AlignVCenter);
        row->addStretch(1);
        m_items[i] = item;
    }
}

bool SystemSwitch::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::MouseButtonPress || AccessibleControl::isPress(event)) &&
        watched->property("systemIndex").isValid()) {
        Q_EMIT systemPressed(watched->property("macLayout").toBool());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SystemSwitch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    switchbar::paintBar(painter, rect(), m_radius);
}

QList<QWidget *> SystemSwitch::items() const
{
    return {m_items[0], m_items[1]};
}

double SystemSwitch::scale() const
{
    return double(m_window->width()) / m_designSize.width();
}

QVector<int> SystemSwitch::contentWidths() const
{
    const double s = scale();
    const QFontMetrics fm(switchbar::textFont(layout::tabFontPixelSize(s)));
    const int margin = int(16.0 * s);
    QVector<int> widths;
    for (const SystemDef &d : kSystems)
        widths << margin + layout::tabIconSide(s) + layout::tabGap(s) + 1 +
                      fm.horizontalAdvance(QString::fromUtf8(d.text)) + margin / 2;
    return widths;
}

QRect SystemSwitch::rectForIndex(int index) const
{
    return layout::systemRect(index, scale(), size(), contentWidths());
}

void SystemSwitch::relayout(const QRect &geometry, int radius)
{
    // A small window's floor font outgrows the scaled bar: it widens to the left.
    QRect bar = geometry;
    bar.setLeft(std::min(bar.left(), bar.right() + 1 - layout::systemSwitchWidth(scale(), contentWidths())));
    setGeometry(bar);
    m_radius = radius;
    switchbar::styleHighlight(m_highlight, radius);
    update();
    layoutItems();
}

void SystemSwitch::layoutItems()
{
    const int margin = int(16.0 * m_window->width() / m_designSize.width());
    for (QLabel *item : m_items) {
        item->setGeometry(rectForIndex(item->property("systemIndex").toInt()));
        if (auto *row = qobject_cast<QHBoxLayout *>(item->layout())) {
            row->setContentsMargins(margin, 0, 0, 0);
            row->setSpacing(layout::tabGap(scale()) + 1);
        }
        item->raise();
    }
    if (!switchbar::isRunning(m_highlightAnimation)) {
        m_highlight->setGeometry(rectForIndex(m_macLayout ? 0 : 1));
        m_highlight->lower();
    }
}

void SystemSwitch::updateIcons()
{
    const double s = scale();
    for (int i = 0; i < 2; ++i) {
        QLabel *item = m_items[i];
        const bool current = kSystems[i].mac == m_macLayout;
        AccessibleControl::setChecked(item, current);
        const QString iconPath = item->property(current ? "activeIcon" : "inactiveIcon").toString();
        switchbar::styleItem(item, item->findChild<QLabel *>(QStringLiteral("systemIconImage")),
                             item->findChild<QLabel *>(QStringLiteral("systemIconText")), iconPath, current,
                             m_connectedLook, layout::tabIconSide(s), layout::tabFontPixelSize(s), m_window);
        item->setCursor(m_connectedLook ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
}

void SystemSwitch::setMacLayout(bool mac)
{
    if (mac == m_macLayout)
        return;
    const bool fromMac = m_macLayout;
    m_macLayout = mac;
    if (m_highlightAnimation)
        m_highlightAnimation->stop();
    auto *move =
        switchbar::slide(m_highlight, rectForIndex(fromMac ? 0 : 1), rectForIndex(mac ? 0 : 1), this);
    m_highlightAnimation = move;
    move->start(QAbstractAnimation::DeleteWhenStopped);
    updateIcons();
}
