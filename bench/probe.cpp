// The cost of one search probe against a silent sensor: open, one read with the short budget,
// close. How close to the 500 ms budget it stays, and how little CPU the wait uses.
#include <cstdio>

#include "bench_util.h"
#include "exchange.h"
#include "link_state.h"
#include "registers.h"
#include "support/sim_process.h"

int main() {
    constexpr int kProbes = 20;
    SimProcess sim({"--silent"});
    ScopedComPort com(1, sim.ptyPath());
    std::vector<double> costs;
    const double cpuBefore = CpuSeconds();
    const auto start = BenchClock::now();
    for (int i = 0; i < kProbes; ++i) {
        const auto probeStart = BenchClock::now();
        g_link.port = OpenComPort(1, 9600);
        TransactRow(SEARCH_PROBE, 1);
        ClosePort(g_link.port);
        costs.push_back(MsBetween(probeStart, BenchClock::now()));
    }
    const double wallS = MsBetween(start, BenchClock::now()) / 1000;
    const double cpuS = CpuSeconds() - cpuBefore;
    std::printf("probe: %d probes on a silent line\n", kProbes);
    std::printf("  median cost %.3f ms = %.4f x %d ms (goal <= 1.01)\n", Median(costs),
                Median(costs) / SHORT_WAIT_MS, SHORT_WAIT_MS);
    std::printf("  CPU %.4f s over %.2f s of waiting = %.5f s per s (goal <= 0.005)\n", cpuS, wallS,
                cpuS / wallS);
    return 0;
}
