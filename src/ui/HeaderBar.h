#pragma once

#include <QWidget>

class PaintedButton;
class ProfileButton;
class QLabel;
class QPushButton;

// The top of the window: the logo, the profile control beside it, and Import, Export, Reset and Save at the
// right. It spans the window's width down to its lowest button and is laid
// out for the window it lies on; presses on the logo are reported.
class HeaderBar : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HeaderBar)

public:
    explicit HeaderBar(QWidget *window);

    PaintedButton *importButton() const { return m_importButton; }
    PaintedButton *exportButton() const { return m_exportButton; }
    PaintedButton *resetButton() const { return m_resetButton; }
    QPushButton *saveButton() const { return m_saveButton; }
    ProfileButton *profileButton() const { return m_profileButton; }

    // Places and re-renders everything for the window's current size.
    void relayout();

Q_SIGNALS:
    void logoPressed();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    QLabel *m_logo = nullptr;
    PaintedButton *m_resetButton = nullptr;
    PaintedButton *m_importButton = nullptr;
    PaintedButton *m_exportButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    ProfileButton *m_profileButton = nullptr;
};
