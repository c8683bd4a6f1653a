#include "device/LinkTurn.h"

LinkRefusal LinkTurn::holder() const
{
    if (m_ticket == 0)
        return LinkRefusal::None;
    switch (m_operation) {
    case LinkOperation::Read:
        return LinkRefusal::Reading;
    case LinkOperation::Save:
        return LinkRefusal::Saving;
    case LinkOperation::Lighting:
        return LinkRefusal::SendingLighting;
    case LinkOperation::RawSend:
        return LinkRefusal::SendingRaw;
    }
    return LinkRefusal::Reading;
}

unsigned LinkTurn::begin(LinkOperation operation)
{
    if (m_ticket != 0)
        return 0;
    // 0 means "none", so it is never handed out.
    if (++m_lastTicket == 0)
        ++m_lastTicket;
    m_ticket = m_lastTicket;
    m_operation = operation;
    return m_ticket;
}

void LinkTurn::end(unsigned ticket)
{
    if (ticket != 0 && ticket == m_ticket)
        m_ticket = 0;
}
