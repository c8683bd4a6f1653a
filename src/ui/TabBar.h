#pragma once

#include <QList>
#include <QPointer>
#include <QSize>
#include <QVector>
#include <QWidget>

class QLabel;
class QPropertyAnimation;
class QRect;

// The row of page tabs over the pages, with the highlight that slides to the
// current one. Item 7 is the debug console's and shows only once unlocked.
// It scales with the width of the window it lies on.
class TabBar : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TabBar)

public:
    TabBar(QWidget *window, const QSize &designSize);

    int currentIndex() const { return m_currentIndex; }
    // Moves the highlight from the current tab to `index` and restyles the items.
    void setCurrentIndex(int index);
    // 7, or 8 with the debug tab.
    int count() const { return m_debugTabVisible ? 8 : 7; }
    bool isDebugTabVisible() const { return m_debugTabVisible; }
    void setDebugTabVisible(bool visible);
    void setConnectedLook(bool connected) { m_connectedLook = connected; }

    // The items shown, in order.
    QList<QWidget *> items() const;

    QVector<int> widths() const;
    // An item's place inside the bar.
    QRect rectForIndex(int index) const;
    int rowWidth() const;

    // Places the bar at `topLeft` with `height` and rounds it with `radius`.
    void relayout(const QPoint &topLeft, int height, int radius);
    void layoutItems();
    void updateIcons();

Q_SIGNALS:
    void tabPressed(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    double scale() const;
    void resizeToContent();

    QWidget *m_window = nullptr;
    QSize m_designSize;
    int m_currentIndex = 0;
    bool m_debugTabVisible = false;
    bool m_connectedLook = false;
    int m_radius = 8;
    QLabel *m_highlight = nullptr;
    QLabel *m_items[8] = {};
    QPointer<QPropertyAnimation> m_highlightAnimation;
};
