#pragma once

#include <QWidget>

class QVBoxLayout;

// A dimmed cover over the window with a titled panel in its middle, drawn
// like the window's other questions; the panel's rows go into body(). It
// deletes itself when closed and follows the window's size.
class PanelOverlay : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PanelOverlay)

public:
    PanelOverlay(QWidget *window, const QString &title, int panelWidth);

protected:
    QVBoxLayout *body() const { return m_body; }
    QWidget *panel() const { return m_panel; }
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Gives the panel's rows the panel's look; each its own sheet, as
    // elsewhere in the window. Called once the rows are in.
    void styleRows();
    void fitToWindow();

private:
    QWidget *m_panel = nullptr;
    QVBoxLayout *m_body = nullptr;
};
