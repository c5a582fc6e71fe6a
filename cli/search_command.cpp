// SPDX-License-Identifier: GPL-3.0-or-later
// search: the window's search from a shell, with every find printed as it happens and, on a
// terminal, a progress line.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "commands.h"
#include "interrupt.h"
#include "output.h"
#include "search.h"

namespace {

using Clock = std::chrono::steady_clock;

// Every rate the sensor has: a sensor set to 19200 and forgotten must be found too. The window
// keeps its four rate boxes; a shell has no boxes to tick.
const std::vector<int> kCtlSearchRates(SENSOR_RATES.begin(), SENSOR_RATES.end());

struct SearchOptions {
    std::vector<int> rates = kCtlSearchRates;
    int from = 0;
    int to = ADDRESS_MAX;
    bool all = false;
    int probeMs = SHORT_WAIT_MS;
    bool fast = false;
    int turnaroundMs = SEARCH_TURNAROUND_MS;
};

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

int RunSearch(const GlobalOptions& o, const SearchOptions& s) {
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
    LinkState link(o.watch);
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

// R1,R2,...: the list as given, split at every comma; "" when it is a list of rates, each once.
// The list is taken whole, so that an empty item is seen rather than skipped, and a repeat (which
// would probe every address again, and list a sensor twice) is refused.
std::string ParseRates(const std::string& text, std::vector<int>& rates) {
    rates.clear();
    for (size_t start = 0;;) {
        const size_t comma = text.find(',', start);
        std::string item = text.substr(start, comma == std::string::npos ? comma : comma - start);
        if (item.empty())
            return "'" + text + "' has an empty item";
        if (const std::string error = SensorRate()(item); !error.empty())
            return error;
        const int rate = std::stoi(item);
        if (std::find(rates.begin(), rates.end(), rate) != rates.end())
            return "'" + text + "' names " + item + " twice";
        rates.push_back(rate);
        if (comma == std::string::npos)
            return {};
        start = comma + 1;
    }
}

CLI::Validator RatesList() {
    return CLI::Validator(
        [](std::string& text) {
            std::vector<int> rates;
            return ParseRates(text, rates);
        },
        "");
}

}  // namespace

void AddSearchCommand(CLI::App& app, const GlobalOptions& o, CommandRun& run) {
    auto s = std::make_shared<SearchOptions>();
    CLI::App* search = AddCommand(
        app, "search", "find sensors: every address at every rate until one answers",
        "Addresses go in the outer loop, rates in the inner one, as in the window. A probe is one\n"
        "read of the current. Each sensor is printed when found: \"address 3, 4800 baud\", or\n"
        "{\"address\":3,\"baud\":4800} with --json. On a terminal a progress line shows on "
        "stderr.\n"
        "Ctrl-C stops the search. Exit status 1 when no sensor answered.");
    search
        ->add_option_function<std::string>(
            "--rates", [s](const std::string& text) { ParseRates(text, s->rates); },
            "rates to try at each address, in this order (default " +
                RatesText(kCtlSearchRates, ",") + ")")
        ->type_name("R1,R2,...")
        ->check(RatesList());
    search->add_option("--from", s->from, "first address (default 0)")
        ->type_name("N")
        ->transform(Whole(ADDRESS_MIN, ADDRESS_MAX));
    search->add_option("--to", s->to, "last address (default 255)")
        ->type_name("N")
        ->transform(Whole(ADDRESS_MIN, ADDRESS_MAX));
    search->add_flag("--all", s->all, "go on after a find: list every sensor on the line");
    CLI::Option* probeMs =
        search
            ->add_option("--probe-ms", s->probeMs,
                         "wait this long for each reply (default " + std::to_string(SHORT_WAIT_MS) +
                             ", as the window waits)")
            ->type_name("MS")
            ->transform(Whole(1, 60000));
    CLI::Option* fast = search->add_flag("--fast", s->fast,
                                         "wait only for a reply's time on the wire plus the "
                                         "turnaround, and give up when its first byte is overdue");
    search
        ->add_option("--turnaround-ms", s->turnaroundMs,
                     "with --fast: the sensor's time to answer (default " +
                         std::to_string(SEARCH_TURNAROUND_MS) + ")")
        ->type_name("MS")
        ->transform(Whole(0, 10000))
        ->needs(fast);
    fast->excludes(probeMs);
    // Each end is checked on its own as it is parsed; the two together only once both are in.
    search->callback([&o, &run, s] {
        if (!SearchRangeValid(s->from, s->to))
            throw CLI::ValidationError("search range " + std::to_string(s->from) + "-" +
                                       std::to_string(s->to) +
                                       " is empty: --from must not be above --to");
        run = [&o, s] { return RunSearch(o, *s); };
    });
}
