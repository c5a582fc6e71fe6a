// SPDX-License-Identifier: GPL-3.0-or-later
// A line through a serial device server (Debian's ser2net on loopback) against the same line
// directly, side by side in one run: one exchange (the median of many, alternating), a silent
// search --fast slice through RFC 2217, and tessalyctl read's start to its first byte on the line.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench_util.h"
#include "exchange.h"
#include "link_state.h"
#include "registers.h"
#include "support/harness.h"

namespace {

constexpr int kReads = 200;
constexpr int kBaud = 19200;

// One read of the measurement on a line held open, as an acquisition makes it.
double ExchangeMs(LinkState& link) {
    PurgePort(link.port);
    const auto start = BenchClock::now();
    const bool accepted =
        TransactOn(link, 1, READ_MEASUREMENT.function, READ_MEASUREMENT.reg, READ_MEASUREMENT.value,
                   REPLY_LENGTH, READ_MEASUREMENT.budgetMs)
            .accepted();
    return accepted ? MsBetween(start, BenchClock::now()) : -1;
}

void Exchanges() {
    SimProcess sim({"--address", "1", "--baud", std::to_string(kBaud), "--current", "12.3",
                    "--wire-timing", "--turnaround-ms", "1"});
    Ser2net server(sim.ptyPath());
    std::vector<double> direct, remote;
    int failures = 0;
    // Alternating in rounds of ten, each side on a line of its own held open for its round: the
    // direct port and ser2net cannot both hold the pseudo-terminal.
    for (int round = 0; round < kReads / 10; ++round) {
        for (const bool throughServer : {false, true}) {
            LinkState link;
            link.baud = kBaud;
            link.port =
                OpenPortPath(throughServer ? server.Rfc2217Url() : sim.ptyPath(), kBaud).handle;
            for (int i = 0; i < 10; ++i) {
                const double ms = ExchangeMs(link);
                failures += ms < 0;
                if (ms >= 0)
                    (throughServer ? remote : direct).push_back(ms);
            }
            ClosePort(link.port);
        }
    }
    const double more = Median(remote) - Median(direct);
    std::printf("exchange at %d baud, wire timing, %d reads each (%d failed)\n", kBaud, kReads,
                failures);
    std::printf(
        "  direct %.3f ms, through ser2net (RFC 2217) %.3f ms median: %+.3f ms "
        "(goal <= +1 ms: %s)\n",
        Median(direct), Median(remote), more, more <= 1 ? "met" : "NOT met");
}

double SliceS(const std::string& port) {
    const auto start = BenchClock::now();
    RunCtl({"-q", "-p", port, "search", "--fast", "--from", "0", "--to", "15"});
    return MsBetween(start, BenchClock::now()) / 1000;
}

void SilentSweep() {
    SimProcess sim({"--silent"});
    Ser2net server(sim.ptyPath());
    const double direct = SliceS(sim.ptyPath()), remote = SliceS(server.Rfc2217Url());
    std::printf("search --fast, silent line, addresses 0-15 at every rate\n");
    std::printf("  direct %.2f s, through RFC 2217 %.2f s: %.3f x (goal <= 1.05 x: %s)\n", direct,
                remote, remote / direct, remote <= 1.05 * direct ? "met" : "NOT met");
}

void FirstByte() {
    constexpr int kRuns = 30;
    int master = -1, slave = -1;
    char name[128];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return;
    Ser2net server(name);
    std::vector<double> delays;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = BenchClock::now();
        CtlProcess ctl({"-p", server.Rfc2217Url(), "-a", "1", "read"});
        pollfd watch{master, POLLIN, 0};
        if (poll(&watch, 1, 2000) == 1)
            delays.push_back(MsBetween(start, BenchClock::now()));
        ctl.Signal(SIGKILL);
        ctl.Finish();
        char drain[64];
        while (poll(&watch, 1, 20) == 1 && read(master, drain, sizeof drain) > 0) {
        }
    }
    std::sort(delays.begin(), delays.end());
    const double median = Median(delays);
    std::printf(
        "tessalyctl read through RFC 2217, start to first byte on the line: %zu runs, "
        "median %.2f ms, slowest %.2f ms (goal < 30 ms: %s)\n",
        delays.size(), median, delays.empty() ? 0 : delays.back(), median < 30 ? "met" : "NOT met");
    close(master);
    close(slave);
}

}  // namespace

int main() {
    IsolateComPorts();
    Exchanges();
    SilentSweep();
    FirstByte();
}
