#pragma once

#include <QSize>
#include <QWidget>

class QLabel;

// The connection status at the top of the window: the connected picture, or
// the grey dot with "not connected", and under it the hint that explains why a
// knob that is plugged in is refused. It places itself over the window it lies
// on, which it scales with, and lets the mouse through.
class StatusArea : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusArea)

public:
    StatusArea(QWidget *window, const QSize &designSize);

    // Takes effect at the next relayout().
    void setConnectedLook(bool connected) { m_connectedLook = connected; }
    // The demo knob is named in the status row, so nobody takes it for hardware.
    void setDemo(bool demo) { m_demo = demo; }
    void setPermissionHintVisible(bool visible, const QString &text);
    // Beside the connected status, how the knob is reached ("Bluetooth · 57 %");
    // empty for none. Takes effect at the next relayout().
    void setLinkText(const QString &text) { m_linkText = text; }
    QString linkText() const { return m_linkText; }
    // Places the status row and the hint for the window's current size.
    void relayout();

private:
    // The dot and the text inside a status row of `rowSize`.
    void layoutStatusWidgets(const QSize &rowSize);
    void setDisconnectedWidgetsVisible(bool visible);
    bool showsDemo() const { return m_demo && m_connectedLook; }

    QWidget *m_window = nullptr;
    QSize m_designSize;
    bool m_connectedLook = false;
    bool m_demo = false;
    QLabel *m_statusLabel = nullptr;
    QLabel *m_statusDot = nullptr;
    QLabel *m_statusText = nullptr;
    QLabel *m_permissionHintLabel = nullptr;
    QLabel *m_linkLabel = nullptr;
    QString m_linkText;
};
