#pragma once

// What goes over the knob's link, one at a time.
enum class LinkOperation
{
    Read,
    Save,
    Lighting,
    RawSend
};

// Why a request may not go out now. The window and the command-line tool
// choose what to show by it.
enum class LinkRefusal
{
    None,
    NotConnected,
    Reading,
    Saving,
    SendingLighting,
    SendingRaw,
    BluetoothRun // a helper run has the knob
};

// Whose turn it is on the link: one operation holds it at a time, by a
// ticket. A ticket that no longer holds it (a finish that arrived late)
// changes nothing.
class LinkTurn
{
public:
    LinkTurn() = default;
    LinkTurn(const LinkTurn &) = delete;
    LinkTurn &operator=(const LinkTurn &) = delete;

    bool isFree() const { return m_ticket == 0; }
    // The operation that holds the link, as a refusal; None while it is free.
    LinkRefusal holder() const;
    // A ticket for end(), or 0 when another operation holds the link.
    unsigned begin(LinkOperation operation);
    void end(unsigned ticket);

private:
    unsigned m_ticket = 0;
    unsigned m_lastTicket = 0;
    LinkOperation m_operation = LinkOperation::Read;
};
