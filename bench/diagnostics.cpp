// SPDX-License-Identifier: GPL-3.0-or-later
// What the diagnostics tool windows cost: the trend's redraw with ten minutes of ticks at the
// shortest period; acquisition at the shortest period with the traffic log and the current trend
// open (holding 10 000 rows and ten minutes of ticks) against the same with both closed, in
// alternating runs; and the window's resident memory with both full.
#include <cmath>
#include <cstdio>

#include "bench_util.h"
#include "current_trend_dlg.h"
#include "link_state.h"
#include "support/harness.h"
#include "traffic_log_dlg.h"
#include "window_bench.h"

namespace {

constexpr int kSeconds = 10;
constexpr int kPairs = 3;
constexpr int kRedraws = 40;

double ResidentMiB() {
    return ResidentKiB() / 1024.0;
}

// Readings per second of one acquisition run at the shortest period; the CPU it took, in percent
// of one core.
double Rate(CSensorDlg& dialog, double& cpuPercent) {
    const double cpuBefore = CpuSeconds();
    Item<QPushButton>(dialog, IDC_ACQUIRE)->click();  // starts the counts from 0
    RunFor(kSeconds * 1000);
    Item<QPushButton>(dialog, IDC_ACQUIRE)->click();
    cpuPercent = 100 * (CpuSeconds() - cpuBefore) / kSeconds;
    if (dialog.linkState().failCount)
        std::printf("  (%d readings failed)\n", dialog.linkState().failCount);
    return double(dialog.linkState().okCount) / kSeconds;
}

// Fills the log with its 10 000 rows (exchanges on a line with no port, reported where the
// window's are) and the trend with ten minutes of ticks at the shortest period, up to now.
void Fill(CSensorDlg& dialog, CTrafficLogDlg& log, CCurrentTrendDlg& trend) {
    LinkState nowhere(&dialog.exchangeWatch());
    for (int k = 0; k < TrafficLogModel::kMaxRows; ++k)
        TransactOn(nowhere, 1, 0x04, 0, 1, REPLY_LENGTH, 0);
    const auto now = TrendClock::now();
    constexpr auto kStep = std::chrono::milliseconds(10);
    const int ticks = int(CurrentTrend::kSpan / kStep);
    for (int k = ticks; k > 0; --k)
        trend.AddTick(now - k * kStep,
                      k % 500 ? std::optional(12 + std::sin(k / 3000.0)) : std::nullopt);
    RunFor(500);
    std::printf("  log %d rows, trend %zu ticks\n", log.model().rowCount(),
                trend.trend().samples().size());
}

// One redraw as the trend makes it for each new tick: the tick added, the chart brought up to date
// and painted. The median over kRedraws, in milliseconds.
double RedrawMs(CCurrentTrendDlg& trend) {
    std::vector<double> times;
    for (int k = 0; k < kRedraws; ++k) {
        trend.AddTick(TrendClock::now(), 12 + (k % 7) * 0.01);
        const auto start = BenchClock::now();
        trend.Redraw();
        QCoreApplication::processEvents();
        (void)trend.grab();
        times.push_back(MsBetween(start, BenchClock::now()));
    }
    return Median(times);
}

}  // namespace

int Run() {
    SimProcess sim({"--address", "1", "--baud", "19200", "--current", "5", "--wire-timing"});
    ScopedComPort com(1, sim.ptyPath());
    CSensorDlg dialog;
    dialog.show();
    Item<QLineEdit>(dialog, IDC_ADDRESS)->setText(QStringLiteral("1"));
    Item<QComboBox>(dialog, IDC_BAUD)->setCurrentIndex(4);
    Item<QLineEdit>(dialog, IDC_PERIOD)->setText(QStringLiteral("0"));
    RunFor(200);
    const double residentBefore = ResidentMiB();

    std::printf(
        "diagnostics: acquisition at the shortest period, 19200 baud with wire timing, "
        "%d pairs of %d s runs\n",
        kPairs, kSeconds);
    dialog.OnTrafficLog();
    dialog.OnCurrentTrend();
    auto* log = dialog.findChild<CTrafficLogDlg*>();
    auto* trend = dialog.findChild<CCurrentTrendDlg*>();
    Fill(dialog, *log, *trend);
    const double residentFull = ResidentMiB();
    std::printf("  trend redraw with %zu ticks, median of %d: %.2f ms (goal <= 5 ms)\n",
                trend->trend().samples().size(), kRedraws, RedrawMs(*trend));

    double warmUpCpu = 0;
    log->close();
    trend->close();
    Rate(dialog, warmUpCpu);  // the first run after filling is apart from the pairs
    std::vector<double> ratios;
    for (int pair = 0; pair < kPairs; ++pair) {
        log->close();
        trend->close();
        double closedCpu = 0;
        const double closed = Rate(dialog, closedCpu);
        log->show();
        trend->show();
        double openCpu = 0;
        const double open = Rate(dialog, openCpu);
        ratios.push_back(open / closed);
        std::printf(
            "  closed %.1f readings/s (CPU %.1f %%), open %.1f readings/s (CPU %.1f %%): "
            "%.3f\n",
            closed, closedCpu, open, openCpu, open / closed);
    }
    std::printf("  open / closed, median: %.3f (goal >= 0.99)\n", Median(ratios));
    std::printf("  log %d rows, trend %zu ticks after the runs\n", log->model().rowCount(),
                trend->trend().samples().size());
    std::printf(
        "diagnostics: resident memory %.1f MiB with the log's %d rows and ten minutes of "
        "trend (goal < 80 MiB); %.1f MiB before the tool windows opened\n",
        residentFull, TrafficLogModel::kMaxRows, residentBefore);
    return 0;
}

int main(int argc, char** argv) {
    return WindowBenchMain(argc, argv, Run);
}
