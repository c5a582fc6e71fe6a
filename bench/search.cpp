// SPDX-License-Identifier: GPL-3.0-or-later
// A full search through the window on a silent line: 64 probes (addresses 0-15 at four rates),
// the cost of each failed probe including opening and closing the port.
#include <cstdio>

#include "bench_util.h"
#include "support/harness.h"
#include "window_bench.h"

int main(int argc, char** argv) {
    UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    IsolateComPorts();
    SimProcess sim({"--silent"});
    ScopedComPort com(1, sim.ptyPath());
    QEventLoop untilEnded;
    RecordedMessages messages([&](const QString&) { untilEnded.quit(); });
    CSensorDlg dialog;
    Item<QLineEdit>(dialog, IDC_SCAN_FROM)->setText(QStringLiteral("0"));
    Item<QLineEdit>(dialog, IDC_SCAN_TO)->setText(QStringLiteral("15"));
    const auto start = BenchClock::now();
    const double cpuBefore = CpuSeconds();
    Item<QPushButton>(dialog, IDC_SEARCH)->click();
    untilEnded.exec();
    const double ms = MsBetween(start, BenchClock::now());
    const double cpu = CpuSeconds() - cpuBefore;
    const size_t probes = sim.LogLines().size();
    std::printf("search: %zu probes on a silent line in %.0f ms\n", probes, ms);
    std::printf("  %.2f ms per failed probe (goal <= 505); CPU %.3f s over the search\n",
                ms / probes, cpu);
    return 0;
}
