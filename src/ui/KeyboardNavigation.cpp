#include "ui/KeyboardNavigation.h"

#include "ui/FocusRing.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

KeyboardNavigation::KeyboardNavigation(QWidget *content, Order order)
    : QObject(content), m_content(content), m_order(std::move(order))
{
    // With nothing focused the keys go to the content or its window.
    content->installEventFilter(this);
    if (content->window() != content)
        content->window()->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { onFocusChanged(now); });
}

void KeyboardNavigation::onFocusChanged(QWidget *now)
{
    if (m_focused && m_focused != m_content && m_focused != m_content->window())
        m_focused->removeEventFilter(this);
    m_focused = nullptr;
    if (!m_content || !now || !(now == m_content || m_content->isAncestorOf(now))) {
        ring(nullptr);
        return;
    }
    m_focused = now;
    if (now != m_content)
        now->installEventFilter(this);
    ring(reachable().contains(now) ? now : nullptr);
}

QList<QWidget *> KeyboardNavigation::reachable() const
{
    QList<QWidget *> out;
    for (QWidget *w : m_order()) {
        if (w && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) && !out.contains(w))
            out << w;
    }
    return out;
}

void KeyboardNavigation::move(bool forward)
{
    const QList<QWidget *> order = reachable();
    if (order.isEmpty())
        return;
    const qsizetype at = order.indexOf(QApplication::focusWidget());
    const qsizetype n = order.size();
    const qsizetype next = at < 0 ? (forward ? 0 : n - 1) : (at + (forward ? 1 : n - 1)) % n;
    order[next]->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

void KeyboardNavigation::ring(QWidget *target)
{
    if (!target) {
        if (m_ring)
            m_ring->follow(nullptr);
        return;
    }
    if (!m_ring)
        m_ring = new FocusRing(target->parentWidget());
    m_ring->follow(target);
}

bool KeyboardNavigation::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            break;
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            move(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
        // Buttons outside dialogs take only Space; Return presses them too.
        auto *button = qobject_cast<QAbstractButton *>(watched);
        if (button && watched == m_focused && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            if (!key->isAutoRepeat())
                button->click();
            return true;
        }
        break;
    }
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        if (watched == m_focused && m_ring && m_ring->target() == watched)
            m_ring->follow(m_focused);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
