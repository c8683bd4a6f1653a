#include "ui/KeyLayerSlide.h"

#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>
#include <QWidget>

#include <algorithm>

namespace {
constexpr int kStepMs = 120;
}

void KeyLayerSlide::run(QWidget *layer, bool leftward, const std::function<void()> &change)
{
    if (m_group) {
        m_group->stop();
        if (layer)
            layer->move(m_restPos);
    }
    if (!layer) {
        change();
        return;
    }
    const QPoint p = layer->pos();
    m_restPos = p;
    const int d = std::max(56, layer->width() / 10);
    const QPoint shift((leftward ? 1 : -1) * d, 0);

    auto *group = new QSequentialAnimationGroup(this);
    auto *out = new QPropertyAnimation(layer, "pos", group);
    out->setDuration(kStepMs);
    out->setEasingCurve(QEasingCurve::InCubic);
    out->setStartValue(p);
    out->setEndValue(p - shift);
    auto *in = new QPropertyAnimation(layer, "pos", group);
    in->setDuration(kStepMs);
    in->setEasingCurve(QEasingCurve::OutCubic);
    in->setStartValue(p + shift);
    in->setEndValue(p);
    group->addAnimation(out);
    group->addAnimation(in);
    const QPointer<QWidget> layerGuard(layer);
    // The keys change while the layer is out of sight.
    connect(out, &QAbstractAnimation::finished, this, [change, layerGuard, p, shift] {
        change();
        if (layerGuard)
            layerGuard->move(p + shift);
    });
    m_group = group;
    group->start(QAbstractAnimation::DeleteWhenStopped);
}
