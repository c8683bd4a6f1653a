#include "device/KnobOperations.h"

KnobOperations::Refusal KnobOperations::holder() const
{
    if (m_ticket == 0)
        return Refusal::None;
    switch (m_kind) {
    case Kind::Read:
        return Refusal::Reading;
    case Kind::Save:
        return Refusal::Saving;
    case Kind::Lighting:
        return Refusal::SendingLighting;
    case Kind::RawSend:
        return Refusal::SendingRaw;
    }
    return Refusal::Reading;
}

unsigned KnobOperations::begin(Kind kind)
{
    if (m_ticket != 0)
        return 0;
    // 0 means "none", so it is never handed out.
    if (++m_lastTicket == 0)
        ++m_lastTicket;
    m_ticket = m_lastTicket;
    m_kind = kind;
    return m_ticket;
}

bool KnobOperations::end(unsigned ticket)
{
    if (ticket == 0 || ticket != m_ticket)
        return false;
    m_ticket = 0;
    return true;
}
