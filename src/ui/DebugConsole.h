#pragma once

#include "protocol/packets.h"

#include <QObject>
#include <QPointer>

#include <functional>

class DebugWidget;
class KnobSession;

// What the debug console's page asks of the device: one raw report through
// the session (with its compatibility copy), whose write result, answers and
// end of read-back the page is shown as the session reports them.
class DebugConsole : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DebugConsole)

public:
    // selectedKnobKey tells the send path which physical key's compatibility
    // copy to add, as for any other report.
    DebugConsole(KnobSession *session, DebugWidget *page, std::function<int()> selectedKnobKey,
                 QObject *parent = nullptr);

    void send(const Packet &packet);

private:
    KnobSession *m_session;
    QPointer<DebugWidget> m_page;
    std::function<int()> m_selectedKnobKey;
};
