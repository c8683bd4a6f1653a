#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

// Dims the widget it lies on (and that widget's children) by painting, over
// them, what lies beneath the widget at the complementary alpha: the same
// pixels as drawing the widget at reduced opacity over that backdrop, without
// an off-screen copy of the widget.
class DimOverlay : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DimOverlay)

public:
    // Paints the backdrop in `backdropOwner`'s coordinates.
    using BackdropPainter = std::function<void(QPainter &)>;

    DimOverlay(QWidget *target, QWidget *backdropOwner, BackdropPainter paintBackdrop);

    void setOpacity(double opacity);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPointer<QWidget> m_backdropOwner;
    BackdropPainter m_paintBackdrop;
    double m_opacity = 1.0;
};
