#pragma once

#include <QWidget>

// The dimmed cover with the "reset the knob?" question. It deletes itself when
// closed; confirmed() comes before the close.
class ResetOverlay : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResetOverlay)

public:
    // Covers the whole of `window`.
    explicit ResetOverlay(QWidget *window);

    // Keeps covering the window after it changed size, the panel centred.
    void fitToWindow();

Q_SIGNALS:
    void confirmed();

private:
    QWidget *m_panel = nullptr;
};
