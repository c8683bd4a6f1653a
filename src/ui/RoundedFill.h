#pragma once

#include <QColor>
#include <QObject>

class QWidget;

// A filled, rounded background painted under a widget's own contents, with an
// optional fill while the mouse is over it. It draws what a
// "background-color; border-radius" style sheet drew, to the pixel, without
// putting the widget and every label inside it through the style-sheet style
// (the dearest part of showing the window, and a rule that every child label
// then has to override).
class RoundedFill : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RoundedFill)

public:
    // The fill of `target`, made on first use; it lives as long as the target.
    static RoundedFill *of(QWidget *target);

    void set(const QColor &colour, int radius);
    // An invalid colour shows nothing under the mouse.
    void setHoverColour(const QColor &colour);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit RoundedFill(QWidget *target);

    QWidget *m_target;
    QColor m_colour;
    QColor m_hoverColour;
    int m_radius = 0;
};
