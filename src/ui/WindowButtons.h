#pragma once

#include <QPoint>
#include <QWidget>

class QPushButton;

// Minimise and close for a window that draws its own title bar: painted in
// the window's colours at the right end of the header row, reachable with Tab.
// A drag that starts in the header (above the knob) moves the window through
// the window system, so the header is the title bar.
class WindowButtons : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowButtons)

public:
    // `header` is the main content widget; the buttons live on it.
    explicit WindowButtons(QWidget *header);

    QPushButton *minimiseButton() const { return m_minimise; }
    QPushButton *closeButton() const { return m_close; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void relayout();
    bool inHeader(const QPoint &pos) const;

    QWidget *m_header = nullptr;
    QPushButton *m_minimise = nullptr;
    QPushButton *m_close = nullptr;
    QPoint m_pressPos;
    bool m_dragArmed = false;
};
