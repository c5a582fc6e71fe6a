// SPDX-License-Identifier: GPL-3.0-or-later
// Soak: many acquisition ticks at the shortest period against a sensor that leaves every 10th
// request unanswered. Prints whether the window's counters equal the sensor's own count, and how
// the process's descriptors and memory moved. The number of ticks is the first argument (default
// 20000; every dropped reply costs the 4 s wait, so that takes about 2.5 hours).
#include <QDir>
#include <cstdio>
#include <cstdlib>

#include "bench_util.h"
#include "support/harness.h"
#include "window_bench.h"

namespace {

int OpenDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::NoDotAndDotDot | QDir::System)
                   .size());
}

// Serves the window until this many ticks have run.
void RunTicks(const CSensorDlg& dialog, long ticks) {
    while (dialog.linkState().okCount + dialog.linkState().failCount < ticks)
        RunFor(50);
}

}  // namespace

int main(int argc, char** argv) {
    UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    IsolateComPorts();
    const long ticks = argc > 1 ? std::atol(argv[1]) : 20000;
    SimProcess sim({"--address", "1", "--current", "8.8", "--drop-every", "10"});
    ScopedComPort com(1, sim.ptyPath());
    CSensorDlg dialog;
    Item<QLineEdit>(dialog, IDC_ADDRESS)->setText(QStringLiteral("1"));
    Item<QLineEdit>(dialog, IDC_PERIOD)->setText(QStringLiteral("0"));
    auto* acquire = Item<QPushButton>(dialog, IDC_ACQUIRE);
    acquire->click();
    RunTicks(dialog, ticks / 10);
    const int fdsEarly = OpenDescriptors();
    const long rssEarly = ResidentKiB();
    RunTicks(dialog, ticks);
    const int fdsLate = OpenDescriptors();
    const long rssLate = ResidentKiB();
    acquire->click();
    const int ok = Item<QLabel>(dialog, IDC_OK_COUNT)->text().toInt();
    const int failed = Item<QLabel>(dialog, IDC_FAIL_COUNT)->text().toInt();
    const int unanswered = static_cast<int>(sim.LogLines().size()) - sim.Answered();
    std::printf("soak: %ld ticks: window %d ok / %d failed, sensor %d answered / %d not (%s)\n",
                ticks, ok, failed, sim.Answered(), unanswered,
                ok == sim.Answered() && failed == unanswered ? "equal" : "DIFFERENT");
    std::printf("  descriptors %d -> %d; resident %ld -> %ld KiB (goal: no growth)\n", fdsEarly,
                fdsLate, rssEarly, rssLate);
    return 0;
}
