#pragma once

#include <QObject>
#include <QSize>
#include <QString>

class QPainter;
class QSvgRenderer;
class QWidget;

// The window's background picture, connected or not. It is drawn straight
// into the window on every paint: a window-sized picture would hold
// megabytes for what the backing store already has.
class WindowBackground : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowBackground)

public:
    explicit WindowBackground(QWidget *window);

    // The connected picture's own size, which the window's layout is drawn for.
    static QSize designSize();
    // Repaints the window when the picture changes.
    void setConnected(bool connected);
    // In the window's coordinates.
    void paint(QPainter &painter) const;

private:
    QWidget *m_window;
    QSvgRenderer *m_renderer;
    QString m_path;
};
