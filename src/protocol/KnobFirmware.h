#pragma once

#include <cstddef>
#include <map>
#include <vector>

// What the knob's firmware does with the reports it is sent: it keeps the
// last assignment report of each physical key and the last colour report,
// and answers a read request with them, the end packet last. The in-process
// demo knob and the simulated device of the tests both run on it.
//
// Its command codes are written apart from the program's own table on
// purpose: a wrong code in the program must not be matched by the same
// mistake here. Plain C++ so that the preloadable simulator can carry it.
class KnobFirmware
{
public:
    using Bytes = std::vector<unsigned char>;

    struct Options
    {
        bool answerWithLegacyCodes = false; // answers carry the older command codes
        int dropKey = 0;                    // takes this physical key's reports but keeps its old one
    };

    // Physical key 1..5 for an assignment command code of either set, else 0.
    static int physicalKeyForCommandCode(unsigned char code);
    static unsigned char currentCommandCode(int physicalKey);
    static unsigned char legacyCommandCode(int physicalKey);
    // 65 bytes: report id 03, then the payload (at most 64 bytes), zero-filled.
    static Bytes canonicalReport(const unsigned char *payload, std::size_t length);

    // Takes one output report in any of the forms a host writes (65 bytes
    // with a report id, a leading 00, or the 64-byte payload alone). True
    // when it was a read request: answers() are then due.
    bool receive(const unsigned char *data, std::size_t length);
    // What a read request is answered with, in order.
    std::vector<Bytes> answers() const;

    // A report as a host would write it, stored without the write.
    void preloadAssignment(int physicalKey, const Bytes &report);
    void preloadColour(const Bytes &report); // empty: none stored

    const std::map<int, Bytes> &assignments() const { return m_assignments; }
    const Bytes &colour() const { return m_colour; }

    Options options;

private:
    std::map<int, Bytes> m_assignments; // physical key -> its report, 65 bytes
    Bytes m_colour;                     // empty when none was stored
};
