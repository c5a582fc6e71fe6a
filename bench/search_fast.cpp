// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl search --fast: what a full sweep (addresses 0-255 at every rate of the sensor) of a
// silent line costs, against the line's own floor (for each rate and address, the request and one
// reply byte on the wire plus the turnaround allowance; the probes' margin puts it near 1.1 x) and
// against the
// window's 500 ms probes, and how soon it finds a sensor at the far end of the sweep (254 at 1200
// baud) that answers after a 20 ms turnaround.
#include <cstdio>
#include <string>

#include "bench_util.h"
#include "options.h"  // tessalyctl's defaults
#include "search.h"
#include "support/harness.h"

namespace {

constexpr int kAddresses = ADDRESS_MAX + 1;

// Every address costs the same on a silent line (one probe per rate, each its full budget), so a
// slice of addresses timed end to end and scaled by 256 / slice gives the whole sweep.
void SilentSweep(int slice, int turnaroundMs) {
    SimProcess sim({"--silent"});
    ScopedComPort com(1, sim.ptyPath());
    const auto start = BenchClock::now();
    const CtlResult r =
        RunCtl({"-q", "search", "--fast", "--turnaround-ms", std::to_string(turnaroundMs), "--from",
                "0", "--to", std::to_string(slice - 1)});
    const double sliceS = MsBetween(start, BenchClock::now()) / 1000;
    const double sweepS = sliceS * kAddresses / slice;
    // On a silent line each probe gives up when the reply's first byte is overdue. The floor is
    // that wait unrounded: the request's 8 bytes and one reply byte, 10 bits each, plus the
    // turnaround.
    int budgetMs = 0;
    double floorMs = 0;
    for (int rate : CTL_SEARCH_RATES) {
        budgetMs += FastFirstByteMs(rate, turnaroundMs);
        floorMs += (8 + 1) * 10 * 1000.0 / rate + turnaroundMs;
    }
    const double floorS = floorMs * kAddresses / 1000;
    std::printf("search --fast --turnaround-ms %d, silent line (exit %d, %zu probes seen)\n",
                turnaroundMs, r.status, sim.LogLines().size());
    std::printf("  %d addresses x %zu rates: %.2f s, scaled x %d: full sweep %.1f s\n", slice,
                CTL_SEARCH_RATES.size(), sliceS, kAddresses / slice, sweepS);
    std::printf("  the probes' waits alone: %d ms an address, %.1f s a sweep\n", budgetMs,
                budgetMs * kAddresses / 1000.0);
    std::printf("  the line's floor: %.1f ms an address, %.1f s a sweep; measured / floor = %.3f\n",
                floorMs, floorS, sweepS / floorS);
    // The margin that lets a sensor at the allowance always be found is the probes' own: the goal
    // is what the program adds to their waits.
    const double waitsS = budgetMs * kAddresses / 1000.0;
    std::printf("  goal <= 1.05 x the probes' waits = %.1f s (500 ms probes: %d s): %s\n",
                1.05 * waitsS,
                SHORT_WAIT_MS * kAddresses * static_cast<int>(CTL_SEARCH_RATES.size()) / 1000,
                sweepS <= 1.05 * waitsS ? "met" : "NOT met");
}

void FarSensor() {
    SimProcess sim(
        {"--address", "254", "--baud", "1200", "--turnaround-ms", "20", "--wire-timing"});
    ScopedComPort com(1, sim.ptyPath());
    const auto start = BenchClock::now();
    const CtlResult r = RunCtl({"-q", "search", "--fast"}, RunAs::Me, 600);
    std::printf("search --fast, a sensor at 254 and 1200 baud answering after 20 ms\n");
    std::printf(
        "  %s after %.1f s (exit %d)\n",
        r.out.empty() ? "NOT found" : ("found: " + r.out.substr(0, r.out.size() - 1)).c_str(),
        MsBetween(start, BenchClock::now()) / 1000, r.status);
}

}  // namespace

int main(int argc, char** argv) {
    // The slice, in addresses: 16 by default (about 6 s), with the default allowance.
    const int slice = argc > 1 ? std::stoi(argv[1]) : 16;
    SilentSweep(slice, SEARCH_TURNAROUND_MS);
    FarSensor();
}
