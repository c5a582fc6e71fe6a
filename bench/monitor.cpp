// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl monitor at its shortest useful period against a sensor whose replies take their real
// time on the wire at 19200 baud: readings per second against the line's limit (one 8-byte request
// and one 7-byte reply, 10 bits a byte, per reading).
#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

#include "bench_util.h"
#include "exchange.h"
#include "sensor_line.h"
#include "support/harness.h"

namespace {

constexpr int kBaud = 19200;
constexpr int kReadings = 500;

// Seconds since the epoch of an ISO 8601 time as monitor writes it; only differences are used.
double Seconds(const std::string& iso) {
    const int h = std::stoi(iso.substr(11, 2)), m = std::stoi(iso.substr(14, 2));
    return h * 3600 + m * 60 + std::stod(iso.substr(17, 6));
}

// The same readings in a tight loop inside this process: what the simulator and the pseudo-terminal
// allow, with no program around the exchange.
double TightLoopRate() {
    SimProcess sim({"--baud", std::to_string(kBaud), "--wire-timing"});
    LineSettings line;
    line.path = sim.ptyPath();
    line.baud = kBaud;
    LinkState link;
    SensorLine sensor(link, line);
    const auto start = BenchClock::now();
    for (int i = 0; i < kReadings; ++i)
        sensor.ReadMeasurement(1);
    return kReadings / (MsBetween(start, BenchClock::now()) / 1000);
}

// `addresses`: "1", or a line of three sensors "1,2,3" read in turn, a period a round.
void Run(int periodMs, double limit, double tight, const std::string& addresses = "1") {
    SimProcess sim({"--baud", std::to_string(kBaud), "--wire-timing", "--sensor",
                    "2@" + std::to_string(kBaud), "--sensor", "3@" + std::to_string(kBaud)});
    ScopedComPort com(1, sim.ptyPath());
    const int rounds =
        kReadings / static_cast<int>(std::count(addresses.begin(), addresses.end(), ',') + 1);
    const CtlResult r =
        RunCtl({"-q", "-a", addresses, "-b", std::to_string(kBaud), "--json", "monitor", "--period",
                std::to_string(periodMs), "--count", std::to_string(rounds)});
    const auto lines = Lines(r.out);
    int good = 0;
    for (const auto& line : lines)
        good += nlohmann::json::parse(line)["ok"].get<bool>();
    // From the first reading's request to the last's: start-up and the last reply left out.
    const double span = Seconds(nlohmann::json::parse(lines.back())["time"]) -
                        Seconds(nlohmann::json::parse(lines.front())["time"]);
    const double rate = (lines.size() - 1) / span;
    std::printf(
        "  -a %s --period %d: %zu readings (%d good) in %.3f s: %.1f readings/s = %.3f of the "
        "limit (goal >= 0.95), %.3f of the tight loop\n",
        addresses.c_str(), periodMs, lines.size(), good, span, rate, rate / limit, rate / tight);
}

}  // namespace

int main() {
    const double exchangeMs = 10.0 * (REQUEST_LENGTH + REPLY_LENGTH) * 1000 / kBaud;
    const double limit = 1000 / exchangeMs;
    std::printf(
        "monitor at %d baud with wire timing: an exchange is %.3f ms on the wire, the "
        "line's limit %.1f readings/s\n",
        kBaud, exchangeMs, limit);
    const double tight = TightLoopRate();
    std::printf(
        "  a tight loop of the exchange in this process: %.1f readings/s = %.3f of the limit\n",
        tight, tight / limit);
    // 8 ms is the whole-millisecond period just above one exchange; 1 ms asks for readings back to
    // back.
    Run(8, limit, tight);
    Run(1, limit, tight);
    // Three sensors of one line, each read in turn: a round of three exchanges every 24 ms.
    Run(24, limit, tight, "1,2,3");
    Run(1, limit, tight, "1,2,3");
}
