#include "device/KnobOperations.h"

KnobOperations::Busy KnobOperations::mayStart() const
{
    if (m_ticket == 0)
        return Busy::No;
    switch (m_kind) {
    case Kind::Read:
        return Busy::Reading;
    case Kind::Save:
        return Busy::Saving;
    case Kind::Lighting:
        return Busy::SendingLighting;
    case Kind::RawSend:
        return Busy::SendingRaw;
    }
    return Busy::Reading;
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
