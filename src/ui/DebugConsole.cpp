#include "ui/DebugConsole.h"

#include "device/KnobSession.h"
#include "device/debugreadback.h"
#include "ui/pages/DebugWidget.h"

#include <QDebug>

DebugConsole::DebugConsole(KnobSession *session, DebugWidget *page, std::function<int()> selectedKnobKey,
                           QObject *parent)
    : QObject(parent), m_session(session), m_page(page), m_selectedKnobKey(std::move(selectedKnobKey))
{
    connect(page, &DebugWidget::sendRequested, this, &DebugConsole::send);
    // The page is the receiver: what arrives after it has gone is not shown anywhere.
    connect(session, &KnobSession::rawReportWritten, page, [page](int result, bool answersFollow) {
        page->showWriteResult(result);
        if (result > 0)
            answersFollow ? page->showWaitingForResponses() : page->showNoReadBackOverBluetooth();
    });
    connect(session, &KnobSession::rawReportAnswer, page, &DebugWidget::showResponseReport);
    connect(session, &KnobSession::rawReadBackFinished, page, [page](const DebugReadBackResult &r) {
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

void DebugConsole::send(const Packet &packet)
{
    if (!m_page)
        return;
    using Refusal = KnobSession::Refusal;
    const Refusal refusal = m_session->mayStart(KnobOperations::Kind::RawSend);
    if (refusal == Refusal::NotConnected) {
        qDebug().noquote() << "设备未连接";
        m_page->showNotConnected();
        return;
    }
    if (refusal == Refusal::Reading || refusal == Refusal::Saving || refusal == Refusal::BluetoothRun) {
        m_page->showBusy();
        return;
    }
    if (!m_session->sendRawReport(packet, m_selectedKnobKey ? m_selectedKnobKey() : 0))
        m_page->showWriteResult(-1);
}
