#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>

#include <functional>

class QSequentialAnimationGroup;
class QWidget;

// The keyboard's change of layout: the keys slide out to one side, change
// while out of sight, and slide back in from the other.
class KeyLayerSlide : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeyLayerSlide)

public:
    explicit KeyLayerSlide(QObject *parent = nullptr) : QObject(parent) {}

    // Slides `layer` out to the left (to the right without `leftward`), calls
    // `change`, and slides it back in from the other side. A slide still
    // running ends at its rest place first. Without a layer, `change` is
    // called at once.
    void run(QWidget *layer, bool leftward, const std::function<void()> &change);

private:
    QPointer<QSequentialAnimationGroup> m_group;
    QPoint m_restPos;
};
