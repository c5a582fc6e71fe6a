// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_options.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <map>

#include "registers.h"

namespace {

// "1200, 2400, 4800, 9600 or 19200"
std::string RatesText() {
    std::string text;
    for (size_t i = 0; i < SENSOR_RATES.size(); ++i) {
        if (i > 0)
            text += i + 1 == SENSOR_RATES.size() ? " or " : ", ";
        text += std::to_string(SENSOR_RATES[i]);
    }
    return text;
}

// Numbers are decimal, as tessalyctl reads them: "010" is ten, "0x10" no number.
bool ParseInt(const std::string& text, long low, long high, int& out) {
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high)
        return false;
    out = static_cast<int>(value);
    return true;
}

// A finite decimal number: "inf" or "nan" would make no reading at all.
bool ParseDouble(const std::string& text, double& out) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return !text.empty() && ec == std::errc() && ptr == end && std::isfinite(out);
}

// The largest magnitude the measurement word shows: 0x7FFF tenths of an ampere.
constexpr double kMaxAmperes = 0x7FFF / 10.0;

// A current the sensor can show.
bool ParseCurrent(const std::string& text, double& out) {
    return ParseDouble(text, out) && std::fabs(out) <= kMaxAmperes;
}

bool ParseSine(const std::string& text, SensorConfig& sensor) {
    const auto colon = text.find(':');
    if (!ParseCurrent(text.substr(0, colon), sensor.sineAmplitude))
        return false;
    return colon == std::string::npos ||
           (ParseDouble(text.substr(colon + 1), sensor.sinePeriodS) && sensor.sinePeriodS > 0);
}

bool ParseRate(const std::string& text, int& out) {
    return ParseInt(text, 1, std::numeric_limits<int>::max(), out) && BaudIndex(out) >= 0;
}

// ADDRESS@RATE[:CURRENT]; the rest of the sensor as the defaults have it.
bool ParseSensor(const std::string& text, SensorConfig& sensor) {
    const auto at = text.find('@');
    const auto colon = text.find(':');
    if (at == std::string::npos || (colon != std::string::npos && colon < at))
        return false;
    const auto rateLength = colon == std::string::npos ? std::string::npos : colon - at - 1;
    return ParseInt(text.substr(0, at), 0, 255, sensor.address) &&
           ParseRate(text.substr(at + 1, rateLength), sensor.baud) &&
           (colon == std::string::npos || ParseCurrent(text.substr(colon + 1), sensor.current));
}

// A line cannot hold two sensors that answer the same requests.
bool SensorsDistinct(const std::vector<SensorConfig>& sensors, std::string& error) {
    for (size_t i = 0; i < sensors.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (sensors[i].address == sensors[j].address && sensors[i].baud == sensors[j].baud) {
                error = "two sensors at address " + std::to_string(sensors[i].address) + " and " +
                        std::to_string(sensors[i].baud) +
                        " baud would answer the same requests; give each its own address or rate";
                return false;
            }
    return true;
}

}  // namespace

std::string SimUsage() {
    return "Usage: tessaly-sim [OPTION]...\n"
           "A simulated KORVAN current sensor on a new pseudo-terminal (its path is printed\n"
           "first) or on a real tty.\n\n"
           "  -h, --help           show this help and exit\n"
           "  --version            show the version and exit\n"
           "  --link PATH          make a symbolic link to the pseudo-terminal (removed at exit)\n"
           "  --device PATH        serve this tty instead of a pseudo-terminal\n"
           "  --address N          device address, 0-255 (default 1)\n"
           "  --baud N             " +
           RatesText() +
           " (default 9600)\n"
           "  --turns WORD         turns register; its low byte is the turns count (default 1)\n"
           "  --current A          measured current in amperes (default 0)\n"
           "  --sine A[:PERIOD]    add a slow sine of amplitude A amperes\n"
           "                       (period in seconds, default 30)\n"
           "  --sensor ADDRESS@RATE[:CURRENT]\n"
           "                       one more sensor on the same line, with its own registers\n"
           "                       (repeatable; the other options describe the first sensor)\n"
           "Faults of the first sensor:\n"
           "  --silent             never answer\n"
           "  --bad-crc            answer with a wrong check\n"
           "  --drop-every N       leave every Nth request unanswered\n"
           "  --echo-writes        answer writes with the standard 8-byte echo\n"
           "  --extra-byte         append a byte to every reply\n"
           "  --exception          answer everything with a Modbus exception\n"
           "  --other-address      answer from the next address, as if another device answered\n"
           "  --ignore-writes      acknowledge every write and apply none\n"
           "Line:\n"
           "  --wire-timing        send each reply byte when it would have crossed the line\n"
           "  --turnaround-ms N    wait N ms before answering (default 0)\n"
           "  --echo               repeat every request byte back before the reply, as an RS-485\n"
           "                       adapter whose receiver stays on while it sends\n"
           "  --log FILE           append one JSON line per request to FILE\n";
}

std::vector<SensorConfig> SimOptions::Sensors() const {
    std::vector<SensorConfig> sensors{sensor};
    sensors.insert(sensors.end(), moreSensors.begin(), moreSensors.end());
    return sensors;
}

std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args,
                                          std::string& error) {
    SimOptions options;
    SensorConfig& s = options.sensor;
    const std::map<std::string, bool*> flags = {
        {"--silent", &s.silent},
        {"--bad-crc", &s.badCrc},
        {"--echo-writes", &s.echoWrites},
        {"--extra-byte", &s.extraByte},
        {"--exception", &s.exception},
        {"--other-address", &s.otherAddress},
        {"--ignore-writes", &s.ignoreWrites},
        {"--wire-timing", &options.wireTiming},
        {"--echo", &options.echo},
    };
    // Each valued option: what it expects (for the error message), and how it takes a value.
    struct Valued {
        std::string expects;
        std::function<bool(const std::string&)> take;
    };
    const auto path = [](std::string& field) {
        return [&field](const std::string& v) {
            field = v;
            return !v.empty();
        };
    };
    const std::map<std::string, Valued> valued = {
        {"--link", {"a path", path(options.linkPath)}},
        {"--device", {"a path", path(options.device)}},
        {"--log", {"a path", path(options.logPath)}},
        {"--address",
         {"0-255", [&](const std::string& v) { return ParseInt(v, 0, 255, s.address); }}},
        {"--baud", {RatesText(), [&](const std::string& v) { return ParseRate(v, s.baud); }}},
        {"--turns",
         {"0-65535", [&](const std::string& v) { return ParseInt(v, 0, 0xFFFF, s.turnsWord); }}},
        {"--current",
         {"amperes, -3276.7 to 3276.7",
          [&](const std::string& v) { return ParseCurrent(v, s.current); }}},
        {"--sine",
         {"A[:PERIOD], amperes and seconds",
          [&](const std::string& v) { return ParseSine(v, s); }}},
        {"--sensor",
         {"ADDRESS@RATE[:CURRENT], an address 0-255, a rate " + RatesText() +
              ", a current in amperes",
          [&](const std::string& v) {
              return ParseSensor(v, options.moreSensors.emplace_back());
          }}},
        {"--drop-every",
         {"1-1000000", [&](const std::string& v) { return ParseInt(v, 1, 1000000, s.dropEvery); }}},
        {"--turnaround-ms",
         {"0-10000",
          [&](const std::string& v) { return ParseInt(v, 0, 10000, options.turnaroundMs); }}},
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            error.clear();
            return std::nullopt;
        }
        if (arg == "--version") {
            options.version = true;
            return options;
        }
        if (auto flag = flags.find(arg); flag != flags.end()) {
            *flag->second = true;
            continue;
        }
        auto option = valued.find(arg);
        if (option == valued.end()) {
            error = "unknown option: " + arg;
            return std::nullopt;
        }
        if (i + 1 == args.size()) {
            error = arg + " needs a value: " + option->second.expects;
            return std::nullopt;
        }
        if (!option->second.take(args[++i])) {
            error = "bad value for " + arg + ": " + args[i] + " (expected " +
                    option->second.expects + ")";
            return std::nullopt;
        }
    }
    if (!options.device.empty() && !options.linkPath.empty()) {
        error = "--link makes sense only with a pseudo-terminal, not with --device";
        return std::nullopt;
    }
    // A real tty runs at one rate; sensors at several rates need the pseudo-terminal, where the
    // simulator sees the rate each request was sent at.
    if (!options.device.empty() && !options.moreSensors.empty()) {
        error = "--sensor needs a pseudo-terminal, not --device";
        return std::nullopt;
    }
    if (!SensorsDistinct(options.Sensors(), error))
        return std::nullopt;
    return options;
}
