#pragma once

#include <QString>

#include <cstddef>

// The knob's end of a link for the span of one locked step: one report
// written or one answer read, as hidapi does it.
class KnobPort
{
public:
    KnobPort() = default;
    virtual ~KnobPort() = default;
    KnobPort(const KnobPort &) = delete;
    KnobPort &operator=(const KnobPort &) = delete;

    // The bytes written, or -1.
    virtual int write(const unsigned char *data, std::size_t length) = 0;
    // The bytes of one answer, 0 when none came within timeoutMs, -1 on an error.
    virtual int read(unsigned char *buffer, std::size_t size, int timeoutMs) = 0;
    // Why the last call failed; empty when the link does not say.
    virtual QString errorText() const = 0;
};
