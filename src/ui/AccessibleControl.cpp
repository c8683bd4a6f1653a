#include "ui/AccessibleControl.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace {

const char *const kRole = "vxAccessibleRole";
const char *const kChecked = "vxAccessibleChecked";

bool pressable(QAccessible::Role role)
{
    return role == QAccessible::Button || role == QAccessible::PageTab || role == QAccessible::CheckBox ||
           role == QAccessible::RadioButton;
}

} // namespace

AccessibleControl::AccessibleControl(QWidget *widget, QAccessible::Role role)
    : QAccessibleWidget(widget, role)
{}

void AccessibleControl::setRole(QWidget *widget, QAccessible::Role role)
{
    // Qt drops a factory installed twice.
    QAccessible::installFactory(&AccessibleControl::create);
    widget->setProperty(kRole, int(role));
}

void AccessibleControl::setChecked(QWidget *widget, bool checked)
{
    const QVariant before = widget->property(kChecked);
    if (before.isValid() && before.toBool() == checked)
        return;
    widget->setProperty(kChecked, checked);
    if (QAccessible::isActive()) {
        QAccessible::State changed;
        changed.checked = true;
        changed.selected = true;
        QAccessibleStateChangeEvent event(widget, changed);
        QAccessible::updateAccessibility(&event);
    }
}

bool AccessibleControl::isPress(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    return !key->isAutoRepeat() &&
           (key->key() == Qt::Key_Space || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter);
}

QAccessible::State AccessibleControl::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    const QVariant checked = widget()->property(kChecked);
    if (checked.isValid()) {
        // A tab is selected; a gesture, a layout or the switch is checked.
        if (role() == QAccessible::PageTab) {
            s.selectable = true;
            s.selected = checked.toBool();
        } else {
            s.checkable = true;
            s.checked = checked.toBool();
        }
    }
    return s;
}

QString AccessibleControl::text(QAccessible::Text t) const
{
    const QVariant value = widget()->property("value");
    if (t == QAccessible::Value && value.isValid())
        return value.toString();
    return QAccessibleWidget::text(t);
}

QStringList AccessibleControl::actionNames() const
{
    QStringList names = QAccessibleWidget::actionNames();
    if (pressable(role()) && widget()->isEnabled())
        names.prepend(pressAction());
    return names;
}

void AccessibleControl::doAction(const QString &actionName)
{
    if (actionName != pressAction() || !pressable(role()) || !widget()->isEnabled()) {
        QAccessibleWidget::doAction(actionName);
        return;
    }
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(widget(), &press);
    QCoreApplication::sendEvent(widget(), &release);
}

QAccessibleInterface *AccessibleControl::create(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    const QVariant role = widget ? widget->property(kRole) : QVariant();
    return role.isValid() ? new AccessibleControl(widget, QAccessible::Role(role.toInt())) : nullptr;
}
