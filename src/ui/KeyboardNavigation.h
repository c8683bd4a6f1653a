#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class FocusRing;
class QWidget;

// Tab and Shift+Tab through the window's controls in the order its owner
// gives (those hidden, disabled or not reachable by Tab are skipped), a ring
// around the focused one, and Return pressing a focused button as Space does.
class KeyboardNavigation : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeyboardNavigation)

public:
    using Order = std::function<QList<QWidget *>()>;
    KeyboardNavigation(QWidget *content, Order order);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onFocusChanged(QWidget *now);
    QList<QWidget *> reachable() const;
    void move(bool forward);
    void ring(QWidget *target);

    QPointer<QWidget> m_content;
    Order m_order;
    QPointer<QWidget> m_focused;
    QPointer<FocusRing> m_ring;
};
