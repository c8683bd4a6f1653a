#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QVector>

class QLabel;
class QPoint;
class QPropertyAnimation;
class QRect;
class QWidget;

// The row of page tabs over the pages, with the highlight that slides to the
// current one. Item 7 is the debug console's and shows only once unlocked.
// Its labels are children of the window; it scales with the window's width.
class TabBar : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TabBar)

public:
    TabBar(QWidget *window, const QSize &designSize);

    QLabel *bar() const { return m_bar; }
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
    // The tab 0-5 whose rectangle holds `windowPos`, for presses between the items; -1 for none.
    int indexAt(const QPoint &windowPos) const;

    // Places the bar at `topLeft` with `height` and rounds it with `radius`.
    void relayout(const QPoint &topLeft, int height, int radius);
    void layoutItems();
    void updateIcons();

Q_SIGNALS:
    void tabPressed(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    double scale() const;
    void resizeToContent();

    QWidget *m_window = nullptr;
    QSize m_designSize;
    int m_currentIndex = 0;
    bool m_debugTabVisible = false;
    bool m_connectedLook = false;
    QLabel *m_bar = nullptr;
    QLabel *m_highlight = nullptr;
    QLabel *m_items[8] = {};
    QPointer<QPropertyAnimation> m_highlightAnimation;
};
