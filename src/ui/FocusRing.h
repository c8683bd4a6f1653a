#pragma once

#include <QFocusFrame>
#include <QPointer>

// The lime ring around the control that has keyboard focus. It sits beside
// the control, over its siblings, and follows it when told to. Being a focus
// frame keeps it out of what screen readers list.
class FocusRing : public QFocusFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FocusRing)

public:
    explicit FocusRing(QWidget *parent);

    // Rings `target` (nullptr hides the ring); called again after it moved.
    void follow(QWidget *target);
    QWidget *target() const { return m_target; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPointer<QWidget> m_target;
};
