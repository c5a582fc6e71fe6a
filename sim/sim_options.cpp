#include "sim_options.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <map>

const char* const kSimUsage =
    "usage: tessaly-sim [options]\n"
    "A simulated KORVAN current sensor on a new pseudo-terminal (its path is printed first)\n"
    "or on a real tty.\n"
    "  --link PATH          make a symbolic link to the pseudo-terminal (removed at exit)\n"
    "  --device PATH        serve this tty instead of a pseudo-terminal\n"
    "  --address N          device address, 0-255 (default 1)\n"
    "  --baud N             1200, 2400, 4800, 9600 or 19200 (default 9600)\n"
    "  --turns WORD         turns register; its low byte is the turns count (default 1)\n"
    "  --current A          measured current in amperes (default 0)\n"
    "  --sine A[:PERIOD]    add a slow sine of amplitude A amperes (period in s, default 30)\n"
    "  --silent             never answer\n"
    "  --bad-crc            answer with a wrong check\n"
    "  --drop-every N       leave every Nth request unanswered\n"
    "  --echo-writes        answer writes with the standard 8-byte echo\n"
    "  --extra-byte         append a byte to every reply\n"
    "  --exception          answer everything with a Modbus exception\n"
    "  --wire-timing        hold each reply for the bytes' time on the line\n"
    "  --turnaround-ms N    wait N ms before answering (default 0)\n"
    "  --log FILE           append one JSON line per request to FILE\n";

namespace {

bool ParseInt(const std::string& text, long low, long high, int& out) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || errno != 0 || value < low || value > high)
        return false;
    out = static_cast<int>(value);
    return true;
}

bool ParseDouble(const std::string& text, double& out) {
    errno = 0;
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && errno == 0;
}

bool ParseSine(const std::string& text, SensorConfig& sensor) {
    const auto colon = text.find(':');
    if (!ParseDouble(text.substr(0, colon), sensor.sineAmplitude))
        return false;
    return colon == std::string::npos ||
           (ParseDouble(text.substr(colon + 1), sensor.sinePeriodS) && sensor.sinePeriodS > 0);
}

}  // namespace

std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args,
                                          std::string& error) {
    SimOptions options;
    SensorConfig& s = options.sensor;
    const std::map<std::string, bool*> flags = {
        {"--silent", &s.silent},          {"--bad-crc", &s.badCrc},
        {"--echo-writes", &s.echoWrites}, {"--extra-byte", &s.extraByte},
        {"--exception", &s.exception},    {"--wire-timing", &options.wireTiming},
    };
    using Setter = std::function<bool(const std::string&)>;
    const std::map<std::string, Setter> valued = {
        {"--link",
         [&](const std::string& v) {
             options.linkPath = v;
             return !v.empty();
         }},
        {"--device",
         [&](const std::string& v) {
             options.device = v;
             return !v.empty();
         }},
        {"--log",
         [&](const std::string& v) {
             options.logPath = v;
             return !v.empty();
         }},
        {"--address", [&](const std::string& v) { return ParseInt(v, 0, 255, s.address); }},
        {"--baud",
         [&](const std::string& v) {
             return ParseInt(v, 1, 19200, s.baud) &&
                    (s.baud == 1200 || s.baud == 2400 || s.baud == 4800 || s.baud == 9600 ||
                     s.baud == 19200);
         }},
        {"--turns", [&](const std::string& v) { return ParseInt(v, 0, 0xFFFF, s.turnsWord); }},
        {"--current", [&](const std::string& v) { return ParseDouble(v, s.current); }},
        {"--sine", [&](const std::string& v) { return ParseSine(v, s); }},
        {"--drop-every",
         [&](const std::string& v) { return ParseInt(v, 1, 1000000, s.dropEvery); }},
        {"--turnaround-ms",
         [&](const std::string& v) { return ParseInt(v, 0, 10000, options.turnaroundMs); }},
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            error.clear();
            return std::nullopt;
        }
        if (auto flag = flags.find(arg); flag != flags.end()) {
            *flag->second = true;
            continue;
        }
        auto setter = valued.find(arg);
        if (setter == valued.end()) {
            error = "unknown option: " + arg;
            return std::nullopt;
        }
        if (i + 1 == args.size()) {
            error = arg + " needs a value";
            return std::nullopt;
        }
        if (!setter->second(args[++i])) {
            error = "bad value for " + arg + ": " + args[i];
            return std::nullopt;
        }
    }
    if (!options.device.empty() && !options.linkPath.empty()) {
        error = "--link makes sense only with a pseudo-terminal, not with --device";
        return std::nullopt;
    }
    return options;
}
