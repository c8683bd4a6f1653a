#pragma once

#include <QColor>
#include <QWidget>

class QPainter;

// The plain panel every tab page sits on, painted at the page's current size.
// A picture of one flat colour would cost megabytes of decoded pixels per page
// and a rescale on every resize for the same result. The panel is square: the
// content stack rounds the corners of whichever page it shows.
class PagePanel : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PagePanel)

public:
    explicit PagePanel(QWidget *parent);

    static QColor color() { return QColor(0x20, 0x20, 0x20); }
    // Fills `rect` of a widget being painted with the panel.
    static void paint(QPainter &painter, const QRect &rect);

protected:
    void paintEvent(QPaintEvent *event) override;
};
