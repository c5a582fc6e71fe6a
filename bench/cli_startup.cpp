// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl read: from starting the program to its request's first byte on the line, the time a
// script pays per command before the sensor is even asked. The bench holds the other end of a
// pseudo-terminal and watches for that byte.
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "bench_util.h"
#include "support/harness.h"

int main() {
    constexpr int kRuns = 30;
    int master = -1, slave = -1;
    char name[128];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return 1;
    setenv("TESSALY_COM1", name, 1);
    std::vector<double> delays;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = BenchClock::now();
        CtlProcess ctl({"-a", "1", "read"});
        pollfd watch{master, POLLIN, 0};
        if (poll(&watch, 1, 2000) == 1)
            delays.push_back(MsBetween(start, BenchClock::now()));
        ctl.Signal(SIGKILL);
        ctl.Finish();
        // The bench's own descriptor keeps the line from closing, so the killed run's exclusive
        // flag stays set until cleared here.
        ioctl(slave, TIOCNXCL);
        char drain[64];
        while (poll(&watch, 1, 0) == 1 && read(master, drain, sizeof drain) > 0) {
        }
    }
    std::sort(delays.begin(), delays.end());
    std::printf(
        "tessalyctl read, start to first byte on the line: %zu runs, median %.2f ms, "
        "slowest %.2f ms (goal < 20 ms)\n",
        delays.size(), Median(delays), delays.empty() ? 0 : delays.back());
}
