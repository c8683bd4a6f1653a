#pragma once

#include "device/blehelpermessage.h"

#include <QByteArray>
#include <QList>

#include <optional>

// Turns the helper's standard output, in whatever chunks it arrives, into
// lines and typed messages. Holds at most kMaxPendingBytes of an unfinished
// line: a helper that never sends a newline cannot make the program grow
// without limit; the oversized line is dropped up to its newline.
class BleLineParser
{
public:
    static constexpr int kMaxPendingBytes = 64 * 1024;

    BleLineParser() = default;
    Q_DISABLE_COPY_MOVE(BleLineParser)

    // Complete lines of the chunk, trimmed; empty lines are left out.
    QList<QByteArray> appendChunk(const QByteArray &chunk);
    // What is left when the process has ended, trimmed (maybe empty); the
    // buffer is empty afterwards.
    QByteArray takeRemainder();
    void clear();
    bool hasPendingData() const { return !m_buffer.isEmpty(); }
    // Lines dropped for being longer than kMaxPendingBytes.
    int oversizedLineCount() const { return m_oversizedLines; }

    // appendChunk, then parseLine on each line; unusable lines are skipped.
    QList<BleHelperMessage> feed(const QByteArray &chunk);

    // nullopt for a line that is not a JSON object, an unknown or missing
    // "type", and a "notify" whose data holds a token that is not a byte.
    static std::optional<BleHelperMessage> parseLine(const QByteArray &line);

private:
    QByteArray m_buffer;
    bool m_discarding = false;
    int m_oversizedLines = 0;
};
