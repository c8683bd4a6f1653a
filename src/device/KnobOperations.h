#pragma once

#include <QtGlobal>

// Who has the knob's link: one operation at a time, so no report of one lands
// between the reports of another and no answer meant for one is read by
// another. Lives on the session's thread; the workers never see it.
class KnobOperations
{
public:
    enum class Kind
    {
        Read,
        Save,
        Lighting,
        RawSend
    };
    // Why a request may not go out now. The window and the command-line tool
    // choose what to show by it; the rules live in the session alone.
    enum class Refusal
    {
        None,
        NotConnected,
        Reading,
        Saving,
        SendingLighting,
        SendingRaw,
        BluetoothRun // a helper run has the knob
    };

    KnobOperations() = default;
    Q_DISABLE_COPY_MOVE(KnobOperations)

    // The operation that holds the link, as a refusal; None while it is free.
    Refusal holder() const;
    bool isIdle() const { return m_ticket == 0; }
    bool isRunning(Kind kind) const { return m_ticket != 0 && m_kind == kind; }
    // A ticket for end(), or 0 when another operation holds the link.
    unsigned begin(Kind kind);
    // Ends the operation the ticket was given for; a ticket that no longer
    // holds the link (a finish that arrived late) changes nothing. True when
    // the link was freed.
    bool end(unsigned ticket);

private:
    unsigned m_ticket = 0;
    unsigned m_lastTicket = 0;
    Kind m_kind = Kind::Read;
};
