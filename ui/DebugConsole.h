#pragma once

#include "protocol/packets.h"

#include <QObject>
#include <QPointer>

#include <functional>

class DebugWidget;
class DeviceWorkers;
class UsbTransport;
class KnobSession;

// What the debug console's page asks of the device: one raw report through
// the ordinary send path (with its compatibility copy), then the device's
// answers read back, both on a tracked worker that stops as soon as the link
// it wrote on is gone.
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
    // On the worker that sent the report: the answers, posted to the page.
    static void readBack(DeviceWorkers &workers, UsbTransport &usb, unsigned long long generation,
                         const QPointer<DebugWidget> &page);

    KnobSession *m_session;
    QPointer<DebugWidget> m_page;
    std::function<int()> m_selectedKnobKey;
};
