#pragma once

#include <QList>
#include <QPointer>
#include <QSize>
#include <QVector>
#include <QWidget>

class QLabel;
class QPropertyAnimation;
class QRect;

// The Mac / Windows switch of the keyboard page, with its sliding highlight.
// It shows the layout it is told; presses are reported, not acted on. It
// scales with the width of the window it lies on.
class SystemSwitch : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SystemSwitch)

public:
    SystemSwitch(QWidget *window, const QSize &designSize, bool macLayout);

    // Mac, then Windows.
    QList<QWidget *> items() const;
    // Slides the highlight to the chosen system and restyles the items.
    void setMacLayout(bool mac);
    void setConnectedLook(bool connected) { m_connectedLook = connected; }

    // An item's place inside the bar: 0 Mac, 1 Windows.
    QRect rectForIndex(int index) const;
    // Places the bar at `geometry` and rounds it with `radius`.
    void relayout(const QRect &geometry, int radius);
    void layoutItems();
    void updateIcons();

Q_SIGNALS:
    void systemPressed(bool mac);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    double scale() const;
    // Icon, gap and text of each item with their margins, at the current scale.
    QVector<int> contentWidths() const;

    QWidget *m_window = nullptr;
    QSize m_designSize;
    bool m_macLayout = true;
    bool m_connectedLook = false;
    int m_radius = 8;
    QLabel *m_highlight = nullptr;
    QLabel *m_items[2] = {};
    QPointer<QPropertyAnimation> m_highlightAnimation;
};
