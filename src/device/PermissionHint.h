#pragma once

#include <QString>
#include <QtGlobal>

struct HidScanResult;

// Decides when the window tells the user that the knob is there but may not
// be opened (no permission, or another program holds it), and logs the reason
// once per streak of such scans rather than once a second. A streak ends when
// a scan no longer meets a refusal (the knob connected or was unplugged) or
// when a link comes up another way.
class PermissionHint
{
public:
    PermissionHint() = default;
    Q_DISABLE_COPY_MOVE(PermissionHint)

    // Feed the result of every interface scan, silent or logged. Returns true
    // when the hint has to be shown or hidden.
    bool noteScan(const HidScanResult &result);
    // A link came up (USB or Bluetooth). Returns true when the hint has to be hidden.
    bool noteConnected();

    bool isVisible() const { return m_visible; }
    // The node named in the log line of the current streak; empty when none.
    QString node() const { return m_node; }

    // The line shown under the status line, in the display language.
    QString text() const;

private:
    bool end();

    bool m_visible = false;
    QString m_node;
    QString m_holder; // the program holding the knob; empty for a permission refusal
};
