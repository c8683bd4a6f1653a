#include "protocol/KnobFirmware.h"

#include <algorithm>

namespace {

// The payload of a report without its report id (03 or 00) when it has one.
std::pair<const unsigned char *, std::size_t> payloadOf(const unsigned char *data, std::size_t length)
{
    const bool hasReportId = length == 65 || data[0] == 0x03 || data[0] == 0x00;
    return hasReportId ? std::make_pair(data + 1, length - 1) : std::make_pair(data, length);
}

} // namespace

int KnobFirmware::physicalKeyForCommandCode(unsigned char code)
{
    switch (code) {
    case 0x02:
    case 0x10:
        return 1;
    case 0x04:
    case 0x12:
        return 2;
    case 0x05:
    case 0x13:
        return 3;
    case 0x06:
    case 0x14:
    case 0x15:
        return 4;
    case 0x03:
    case 0x11:
        return 5;
    default:
        return 0;
    }
}

unsigned char KnobFirmware::currentCommandCode(int physicalKey)
{
    static const unsigned char codes[] = {0x03, 0x02, 0x04, 0x05, 0x06, 0x03};
    return physicalKey >= 1 && physicalKey <= 5 ? codes[physicalKey] : 0x03;
}

unsigned char KnobFirmware::legacyCommandCode(int physicalKey)
{
    static const unsigned char codes[] = {0x11, 0x10, 0x12, 0x13, 0x15, 0x11};
    return physicalKey >= 1 && physicalKey <= 5 ? codes[physicalKey] : 0x11;
}

KnobFirmware::Bytes KnobFirmware::canonicalReport(const unsigned char *payload, std::size_t length)
{
    Bytes report(65, 0);
    report[0] = 0x03;
    std::copy(payload, payload + std::min<std::size_t>(length, 64), report.begin() + 1);
    return report;
}

bool KnobFirmware::receive(const unsigned char *data, std::size_t length)
{
    if (length == 0)
        return false;
    const auto [payload, size] = payloadOf(data, length);
    if (size < 2)
        return false;
    // Class 0xFF is the read request, whatever its filler bytes.
    if (payload[0] == 0xFF)
        return true;
    if (payload[0] != 0xFD || size < 3)
        return false;
    if (payload[1] == 0xFE && payload[2] == 0xFF)
        return false; // probe / end of an assignment write
    if (payload[1] == 0x00 && payload[2] == 0x06) {
        m_colour = canonicalReport(payload, size);
        return false;
    }
    const int key = physicalKeyForCommandCode(payload[1]);
    if (key > 0 && key != options.dropKey)
        m_assignments[key] = canonicalReport(payload, size);
    return false;
}

std::vector<KnobFirmware::Bytes> KnobFirmware::answers() const
{
    std::vector<Bytes> out;
    for (const auto &[key, stored] : m_assignments) {
        Bytes report = stored;
        report[2] = options.answerWithLegacyCodes ? legacyCommandCode(key) : currentCommandCode(key);
        out.push_back(std::move(report));
    }
    if (!m_colour.empty())
        out.push_back(m_colour);
    const unsigned char end[] = {0xFD, 0xFE, 0xFF};
    out.push_back(canonicalReport(end, sizeof end));
    return out;
}

void KnobFirmware::preloadAssignment(int physicalKey, const Bytes &report)
{
    if (physicalKey < 1 || physicalKey > 5 || report.empty())
        return;
    const auto [payload, size] = payloadOf(report.data(), report.size());
    m_assignments[physicalKey] = canonicalReport(payload, size);
}

void KnobFirmware::preloadColour(const Bytes &report)
{
    if (report.empty()) {
        m_colour.clear();
        return;
    }
    const auto [payload, size] = payloadOf(report.data(), report.size());
    m_colour = canonicalReport(payload, size);
}
