#include "ui/DebugConsole.h"

#include "device/KnobSession.h"
#include "device/KnobTransport.h"
#include "device/UsbTransport.h"
#include "device/debugreadback.h"
#include "device/deviceworkers.h"
#include "device/packetutil.h"
#include "ui/pages/DebugWidget.h"

#include <QDebug>

DebugConsole::DebugConsole(KnobSession *session, DebugWidget *page, std::function<int()> selectedKnobKey,
                           QObject *parent)
    : QObject(parent), m_session(session), m_page(page), m_selectedKnobKey(std::move(selectedKnobKey))
{
    connect(page, &DebugWidget::sendRequested, this, &DebugConsole::send);
}

void DebugConsole::send(const Packet &packet)
{
    if (!m_page)
        return;
    if (!m_session->isConnected()) {
        qDebug().noquote() << "设备未连接";
        m_page->showNotConnected();
        return;
    }
    // A raw report in the middle of a read or a save would steal its answers
    // or split its reports on the device.
    if (m_session->isConfigReadInProgress() || m_session->isSaveRunning() ||
        m_session->isBluetoothConnectRunning()) {
        m_page->showBusy();
        return;
    }
    // The write runs on a worker too: over Bluetooth it is a helper run of
    // up to several seconds, which the window must not wait for.
    const std::shared_ptr<KnobTransport> transport = m_session->transport();
    const bool bluetooth = m_session->isBluetoothConnected();
    const std::shared_ptr<UsbTransport> usb = m_session->usbTransport();
    const unsigned long long generation = usb->generation();
    const std::vector<Packet> reports = buildSendList(packet, m_selectedKnobKey ? m_selectedKnobKey() : 0);
    const std::weak_ptr<DeviceWorkers> weakWorkers = m_session->workers();
    const QPointer<DebugWidget> page = m_page;
    m_session->workers()->start([transport, bluetooth, usb, generation, reports, weakWorkers, page] {
        const auto workers = weakWorkers.lock();
        if (!workers || workers->shuttingDown())
            return;
        const int result = transport && transport->isUp() ? transport->writeReports(reports) : -1;
        workers->post([page, result, bluetooth] {
            if (!page)
                return;
            page->showWriteResult(result);
            if (result > 0)
                bluetooth ? page->showNoReadBackOverBluetooth() : page->showWaitingForResponses();
        });
        if (result > 0 && !bluetooth)
            readBack(*workers, *usb, generation, page);
    });
}

void DebugConsole::readBack(DeviceWorkers &workers, UsbTransport &usb, unsigned long long generation,
                            const QPointer<DebugWidget> &page)
{
    int number = 0;
    const DebugReadBackResult r = readDebugResponses(
        usb, generation, [&workers] { return !workers.shuttingDown(); },
        [&](const Packet &report) {
            const int n = ++number;
            workers.post([page, n, report] {
                if (page)
                    page->showResponseReport(n, report);
            });
        });
    workers.post([page, r] {
        if (!page)
            return;
        switch (r.end) {
        case DebugReadBackResult::NoHandle:
        case DebugReadBackResult::LinkGone:
            page->showLinkLost();
            break;
        case DebugReadBackResult::Done:
        case DebugReadBackResult::Silence:
            if (r.reports > 0)
                page->showResponseSummary(r.reports);
            else
                page->showNoResponses();
            break;
        case DebugReadBackResult::ReadError:
            page->showReadError(r.errorText);
            break;
        }
    });
}
