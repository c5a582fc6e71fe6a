// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of one search probe against a silent sensor (open, one read with the short budget,
// close): how close to the 500 ms budget it stays and how little CPU the wait uses. Then how soon
// WaitForInput notices a complete reply after its last byte, whole or arriving in two parts.
#include <pty.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "bench_util.h"
#include "exchange.h"
#include "link_state.h"
#include "registers.h"
#include "support/harness.h"

namespace {

void SilentProbes() {
    constexpr int kProbes = 20;
    SimProcess sim({"--silent"});
    ScopedComPort com(1, sim.ptyPath());
    std::vector<double> costs;
    LinkState link;
    const double cpuBefore = CpuSeconds();
    const auto start = BenchClock::now();
    for (int i = 0; i < kProbes; ++i) {
        const auto probeStart = BenchClock::now();
        link.port = OpenComPort(1, 9600);
        TransactRowOn(link, SEARCH_PROBE, 1, SEARCH_PROBE.value);
        ClosePort(link.port);
        costs.push_back(MsBetween(probeStart, BenchClock::now()));
    }
    const double wallS = MsBetween(start, BenchClock::now()) / 1000;
    const double cpuS = CpuSeconds() - cpuBefore;
    std::printf("probe: %d probes on a silent line\n", kProbes);
    std::printf("  median cost %.3f ms = %.4f x %d ms (goal <= 1.01)\n", Median(costs),
                Median(costs) / SHORT_WAIT_MS, SHORT_WAIT_MS);
    std::printf("  CPU %.4f s over %.2f s of waiting = %.5f s per s (goal <= 0.005)\n", cpuS, wallS,
                cpuS / wallS);
}

// A peer on the master side writes the 7 reply bytes in `parts` writes 5 ms apart; returns the
// milliseconds from the last write to WaitForInput's return, one per run.
std::vector<double> NoticeDelays(int parts, int runs) {
    int master = -1, slave = -1;
    char name[128];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return {};
    ScopedComPort com(2, name);
    PortHandle handle = OpenComPort(2, 19200);
    std::vector<double> delays;
    for (int run = 0; run < runs; ++run) {
        BenchClock::time_point lastWrite;
        std::thread peer([&] {
            const uint8_t reply[7] = {1, 4, 2, 0, 123, 0xF9, 0x13};
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            const int first = parts == 1 ? 7 : 3;
            (void)!write(master, reply, first);
            if (parts > 1) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                (void)!write(master, reply + first, 7 - first);
            }
            lastWrite = BenchClock::now();
        });
        const int queued = WaitForInput(handle, 7, 500);
        const auto returned = BenchClock::now();
        peer.join();
        if (queued == 7)
            delays.push_back(MsBetween(lastWrite, returned));
        PurgePort(handle);
    }
    ClosePort(handle);
    close(slave);
    close(master);
    return delays;
}

}  // namespace

int main() {
    SilentProbes();
    for (int parts : {1, 2}) {
        std::vector<double> delays = NoticeDelays(parts, 50);
        std::sort(delays.begin(), delays.end());
        std::printf(
            "WaitForInput: reply in %d part%s, %zu runs: noticed %.3f ms after the last byte "
            "(median), %.3f ms (worst) (goal <= 0.3)\n",
            parts, parts == 1 ? "" : "s", delays.size(), Median(delays),
            delays.empty() ? 0.0 : delays.back());
    }
    return 0;
}
