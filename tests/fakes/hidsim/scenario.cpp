#include "tests/fakes/hidsim/hidsim.h"

#include <sstream>

namespace hidsim {

namespace {

bool parseHexBytes(std::istringstream &in, Packet &out)
{
    std::string token;
    while (in >> token) {
        if (token.size() > 2)
            return false;
        try {
            std::size_t used = 0;
            const unsigned long value = std::stoul(token, &used, 16);
            if (used != token.size() || value > 0xFF)
                return false;
            out.push_back(static_cast<unsigned char>(value));
        } catch (...) {
            return false;
        }
    }
    return !out.empty();
}

bool parseInt(std::istringstream &in, int &out)
{
    return static_cast<bool>(in >> out) && out >= 0;
}

bool runStatement(const std::string &statement, int &device, std::string &error)
{
    std::istringstream in(statement);
    std::string verb;
    if (!(in >> verb) || verb[0] == '#')
        return true;

    if (verb == "device") {
        DeviceConfig config = knobDevice();
        std::string option;
        std::string nodes;
        while (in >> option) {
            const auto eq = option.find('=');
            const std::string key = option.substr(0, eq);
            const std::string value = eq == std::string::npos ? std::string() : option.substr(eq + 1);
            try {
                if (key == "vid")
                    config.vendorId = static_cast<unsigned short>(std::stoul(value, nullptr, 16));
                else if (key == "pid")
                    config.productId = static_cast<unsigned short>(std::stoul(value, nullptr, 16));
                else if (key == "serial")
                    config.serialNumber.assign(value.begin(), value.end());
                else if (key == "nodes")
                    nodes = value;
                else {
                    error = "unknown device option '" + option + "'";
                    return false;
                }
            } catch (...) {
                error = "bad number in '" + option + "'";
                return false;
            }
        }
        if (!nodes.empty())
            placeNodes(config, nodes);
        device = addDevice(config);
        return true;
    }
    if (device < 0) {
        error = "'" + verb + "' before any 'device'";
        return false;
    }

    int a = 0;
    int b = 0;
    FirmwareOptions fw = firmwareOptions(device);
    if (verb == "unplug-at" && parseInt(in, a)) {
        scheduleUnplug(device, a);
    } else if (verb == "replug-at" && parseInt(in, a)) {
        scheduleReplug(device, a);
    } else if (verb == "silent") {
        fw.silent = true;
        setFirmwareOptions(device, fw);
    } else if (verb == "extra-report-byte") {
        fw.extraReportByte = true;
        setFirmwareOptions(device, fw);
    } else if (verb == "legacy-codes") {
        fw.answerWithLegacyCodes = true;
        setFirmwareOptions(device, fw);
    } else if (verb == "answer-pace" && parseInt(in, a) && parseInt(in, b)) {
        fw.firstAnswerDelayMs = a;
        fw.answerIntervalMs = b;
        setFirmwareOptions(device, fw);
    } else if (verb == "write-delay" && parseInt(in, a)) {
        fw.writeDelayMs = a;
        setFirmwareOptions(device, fw);
    } else if (verb == "assignment" && parseInt(in, a)) {
        Packet p;
        if (!parseHexBytes(in, p) || a < 1 || a > 5) {
            error = "bad assignment statement '" + statement + "'";
            return false;
        }
        preloadAssignment(device, a, p);
    } else if (verb == "colour") {
        Packet p;
        if (!parseHexBytes(in, p)) {
            error = "bad colour statement '" + statement + "'";
            return false;
        }
        preloadColour(device, p);
    } else {
        error = "cannot parse '" + statement + "'";
        return false;
    }
    return true;
}

} // namespace

bool loadScenario(const std::string &text, std::string *error)
{
    reset();
    std::string normalised = text;
    for (char &c : normalised)
        if (c == ';')
            c = '\n';
    std::istringstream lines(normalised);
    std::string line;
    std::string message;
    int device = -1;
    while (std::getline(lines, line)) {
        if (!runStatement(line, device, message)) {
            reset();
            if (error)
                *error = message;
            return false;
        }
    }
    return true;
}

} // namespace hidsim
