// SPDX-License-Identifier: GPL-3.0-or-later
// Acquisition through the window: readings per second at the shortest period against a sensor
// with real wire timing at 19200 baud, and the CPU the program uses at the default 500 ms period.
#include <cstdio>

#include "bench_util.h"
#include "link_state.h"
#include "support/harness.h"
#include "window_bench.h"

namespace {

constexpr int kTurnaroundMs = 1;

// Runs acquisition for `seconds` and returns the successful readings and the CPU seconds used.
std::pair<int, double> AcquireFor(CSensorDlg& dialog, const char* period, int seconds) {
    SetText(dialog, IDC_PERIOD, period);
    const double cpuBefore = CpuSeconds();
    Click(dialog, IDC_ACQUIRE);
    RunFor(seconds * 1000);
    Click(dialog, IDC_ACQUIRE);
    return {dialog.linkState().okCount, CpuSeconds() - cpuBefore};
}

}  // namespace

int Run() {
    {
        SimProcess sim({"--address", "1", "--baud", "19200", "--current", "5", "--wire-timing",
                        "--turnaround-ms", std::to_string(kTurnaroundMs)});
        ScopedComPort com(1, sim.ptyPath());
        CSensorDlg dialog;
        SetText(dialog, IDC_ADDRESS, "1");
        Item<QComboBox>(dialog, IDC_BAUD)->setCurrentIndex(4);
        const int seconds = 10;
        const auto [ok, cpu] = AcquireFor(dialog, "0", seconds);
        const double exchangeMs = 15 * 10 * 1000.0 / 19200 + kTurnaroundMs;
        const double lineLimit = 1000 / exchangeMs;
        const double rate = double(ok) / seconds;
        const double target = std::min(100.0, lineLimit);
        std::printf("acquire: shortest period (10 ms), 19200 baud with wire timing, %d s\n",
                    seconds);
        std::printf("  %.1f readings/s (%d failed); line limit %.1f/s (%.3f ms per exchange)\n",
                    rate, dialog.linkState().failCount, lineLimit, exchangeMs);
        std::printf("  %.3f of min(100/s, line limit) = %.1f/s (goal >= 0.9)\n", rate / target,
                    target);
    }
    {
        SimProcess sim({"--address", "1", "--current", "5"});
        ScopedComPort com(1, sim.ptyPath());
        CSensorDlg dialog;
        SetText(dialog, IDC_ADDRESS, "1");
        const int seconds = 30;
        const auto [ok, cpu] = AcquireFor(dialog, "500", seconds);
        std::printf("acquire: default period (500 ms), 9600 baud, %d s: %d readings\n", seconds,
                    ok);
        std::printf("  CPU %.3f s = %.3f %% of one core (goal <= 0.5 %%)\n", cpu,
                    100 * cpu / seconds);
    }
    return 0;
}

int main(int argc, char** argv) {
    return WindowBenchMain(argc, argv, Run);
}
