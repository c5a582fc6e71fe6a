// SPDX-License-Identifier: GPL-3.0-or-later
// search: the window's search from a shell, with every find printed as it happens and, on a
// terminal, a progress line.
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "commands.h"
#include "interrupt.h"
#include "output.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string MinutesSeconds(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

// One line on stderr rewritten in place: probes done of all, where the search is, elapsed and
// left (from the mean probe so far).
class ProgressLine {
public:
    ProgressLine(bool shown, int total) : shown_(shown), total_(total) {}
    ~ProgressLine() { Clear(); }

    void Update(const Probe& probe, int done) {
        if (!shown_)
            return;
        const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
        const double left = elapsed / done * (total_ - done);
        std::fprintf(stderr,
                     "\r\033[Ksearch: %d/%d probes, %d baud, address %d, %s elapsed, %s left", done,
                     total_, probe.baud, probe.address, MinutesSeconds(elapsed).c_str(),
                     MinutesSeconds(left).c_str());
        std::fflush(stderr);
    }
    void Clear() {
        if (shown_)
            std::fputs("\r\033[K", stderr);
    }

private:
    bool shown_;
    int total_;
    Clock::time_point start_ = Clock::now();
};

}  // namespace

int RunSearch(const CliOptions& o) {
    const SearchOptions& s = o.search;
    SearchPlan plan;
    plan.line = o.line;
    plan.rates = s.rates;
    plan.first = s.from;
    plan.last = s.to;
    plan.stopAtFirst = !s.all;
    const int turnaround = s.turnaroundMs;
    const int probeMs = s.probeMs;
    if (s.fast) {
        // Each probe waits only as long as a reply could take at its rate, and gives up as soon
        // as the reply's first byte is overdue.
        plan.probeBudgetMs = [turnaround](int baud) { return FastProbeBudgetMs(baud, turnaround); };
        plan.firstByteMs = [turnaround](int baud) { return FastFirstByteMs(baud, turnaround); };
    } else {
        plan.probeBudgetMs = [probeMs](int) { return probeMs; };
    }

    const int total = (s.to - s.from + 1) * static_cast<int>(s.rates.size());
    // The trace writes on stderr too: no progress line between its lines.
    ProgressLine progress(!o.quiet && !o.trace && isatty(STDERR_FILENO), total);
    InterruptWatch interrupt;
    LinkState link;
    int done = 0;
    bool outputGone = false;  // nobody reads what we find any more: stop as on Ctrl-C
    bool toldLate = false;
    const SearchResult result = Search(
        link, plan, [&] { return outputGone || interrupt.Requested(); },
        [&](const Probe& probe) {
            ++done;
            if (probe.late() && !toldLate) {
                toldLate = true;
                progress.Clear();
                PrintError(std::string("a sensor answered late; a longer ") +
                           (s.fast ? "--turnaround-ms" : "--probe-ms") + " would catch it");
            }
            if (probe.found()) {
                progress.Clear();
                outputGone =
                    !(o.json ? PrintJson({{"address", probe.address}, {"baud", probe.baud}})
                             : PrintLine("address " + std::to_string(probe.address) + ", " +
                                         std::to_string(probe.baud) + " baud"));
            }
            progress.Update(probe, done);
        });
    progress.Clear();
    switch (result.end) {
        case SearchEnd::PortFailed: return ReportPortFailure(o.line, result.opening);
        case SearchEnd::Stopped:
            PrintError("search stopped after " + std::to_string(result.probes) + " of " +
                       std::to_string(total) + " probes");
            break;
        case SearchEnd::Found:
        case SearchEnd::Exhausted: break;
    }
    if (result.found.empty()) {
        if (result.end != SearchEnd::Stopped)
            PrintError(link.portLabel + ": no sensor answered at addresses " +
                       std::to_string(s.from) + "-" + std::to_string(s.to));
        return EXIT_SENSOR;
    }
    return EXIT_DONE;
}
