#pragma once

#include <QAccessibleWidget>

// The accessible face of a control that paints itself or is built from labels
// (a knob gesture, a tab, the light switch, the brightness slider): the role it
// was given, its accessibleName, "checked" as its owner sets it, and a press
// that sends it the Space key its owner already handles.
class AccessibleControl : public QAccessibleWidget
{
public:
    AccessibleControl(QWidget *widget, QAccessible::Role role);

    // Gives `widget` this face (before anything asks for its interface).
    static void setRole(QWidget *widget, QAccessible::Role role);
    static void setChecked(QWidget *widget, bool checked);
    // Space, Return or Enter pressed (not repeated): what activates a control.
    static bool isPress(const QEvent *event);

    QAccessible::State state() const override;
    // A control with a "value" property (the slider) reads it out.
    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

private:
    Q_DISABLE_COPY_MOVE(AccessibleControl)
    static QAccessibleInterface *create(const QString &className, QObject *object);
};
