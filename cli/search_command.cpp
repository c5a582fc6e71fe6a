// SPDX-License-Identifier: GPL-3.0-or-later
// search: the window's search from a shell, with every find printed as it happens and, on a
// terminal, a progress line.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "commands.h"
#include "interrupt.h"
#include "output.h"
#include "progress.h"
#include "search.h"

namespace {

struct SearchOptions {
    std::vector<int> rates = CTL_SEARCH_RATES;
    int from = 0;
    int to = ADDRESS_MAX;
    bool all = false;
    int probeMs = SHORT_WAIT_MS;
    bool probeMsGiven = false;
    bool baudGiven = false;  // on the command line
    bool fast = false;
    int turnaroundMs = SEARCH_TURNAROUND_MS;
};

const Json kAsked{{"command", "search"}};

// A search that found nobody has no address or rate to name.
Json Nobody(const GlobalOptions& o) {
    Json nobody = ResultJson(false, o.line, nullptr, kAsked);
    nobody["baud"] = nullptr;
    return nobody;
}

int Ended(const GlobalOptions& o, const SearchOptions& s, const SearchResult& result, int total,
          const std::string& portLabel);

int RunSearch(const GlobalOptions& o, const SearchOptions& s) {
    const bool setsRate = LineSetsRate(o.line);
    if (s.baudGiven && setsRate) {
        PrintError("--baud is not used with search, except through a raw TCP port (its rate)");
        std::fputs("Try 'tessalyctl search --help'.\n", stderr);
        return EXIT_USAGE;
    }
    SearchPlan plan;
    plan.line = o.line;
    plan.rates = s.rates;
    plan.first = s.from;
    plan.last = s.to;
    plan.stopAtFirst = !s.all;
    // --timeout-ms is every command's wait for a reply; --probe-ms is search's own and wins.
    const int probeMs = s.probeMsGiven || o.line.budgetMs == 0 ? s.probeMs : o.line.budgetMs;
    if (s.fast)
        UseFastProbes(plan, s.turnaroundMs);
    else
        plan.probeBudgetMs = [probeMs](int) { return probeMs; };

    if (!setsRate && !o.quiet)
        PrintError("searching at " + std::to_string(o.line.baud) +
                   " baud only: a raw TCP port's rate is set in the server (-b names it)");
    const int rateCount = setsRate ? static_cast<int>(s.rates.size()) : 1;
    const int total = (s.to - s.from + 1) * rateCount;
    // The trace writes on stderr too: no progress line between its lines.
    ProgressLine progress(!o.quiet && !o.trace);
    const auto start = std::chrono::steady_clock::now();
    InterruptWatch interrupt;
    LinkState link(o.watch);
    link.stopFd = interrupt.Descriptor();
    int done = 0;
    Written output = Written::Yes;  // nobody reads what we find any more: stop as on Ctrl-C
    bool toldLate = false;
    const SearchResult result = Search(
        link, plan, [&] { return output != Written::Yes || interrupt.Requested(); },
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
                LineSettings at = o.line;
                at.baud = probe.baud;
                output = o.json ? PrintJson(ResultJson(true, at, probe.address, kAsked))
                                : PrintLine("address " + std::to_string(probe.address) + ", " +
                                            std::to_string(probe.baud) + " baud");
            }
            progress.Show("search: " + ProbesText(probe, done, total, start));
        });
    progress.Clear();
    // Output that failed has said so; the search's own end would only add to it.
    return interrupt.ExitStatus(
        output == Written::Failed ? EXIT_OUTPUT : Ended(o, s, result, total, link.portLabel));
}

// The status a search ended with, its failure reported.
int Ended(const GlobalOptions& o, const SearchOptions& s, const SearchResult& result, int total,
          const std::string& portLabel) {
    switch (result.end) {
        case SearchEnd::PortFailed: return ReportPortFailure(o, kAsked, o.line, result.opening);
        case SearchEnd::Stopped: {
            const std::string stopped = "search stopped after " + std::to_string(result.probes) +
                                        " of " + std::to_string(total) + " probes";
            // A stop after a find has its results already; only an empty one needs an object.
            if (!result.found.empty()) {
                PrintError(stopped);
                return EXIT_DONE;
            }
            return ReportFailure(o, Nobody(o), stopped, "stopped", EXIT_SENSOR);
        }
        case SearchEnd::Found:
        case SearchEnd::Exhausted: break;
    }
    if (result.found.empty())
        return ReportFailure(o, Nobody(o),
                             portLabel + ": no sensor answered at addresses " +
                                 std::to_string(s.from) + "-" + std::to_string(s.to),
                             "no_reply", EXIT_SENSOR);
    return EXIT_DONE;
}

}  // namespace

void AddSearchCommand(CLI::App& app, const GlobalOptions& o, CommandRun& run) {
    auto s = std::make_shared<SearchOptions>();
    CLI::App* search = AddCommand(
        app, "search", "find sensors: every address at every rate until one answers",
        "Addresses go in the outer loop, rates in the inner one, as in the window. A probe is one\n"
        "read of the current. Each sensor is printed when found: \"address 3, 4800 baud\", or an\n"
        "object with its address and baud with --json. On a terminal a progress line shows on\n"
        "stderr. "
        "Ctrl-C stops the search. Exit status 1 when no sensor answered.");
    search
        ->add_option_function<std::string>(
            "--rates", [s](const std::string& text) { ParseRates(text, s->rates); },
            "rates to try at each address, in this order (default " +
                RatesText(CTL_SEARCH_RATES, ",") + ")")
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
    // The search tries every address of its range at every rate of --rates; -b names only the
    // rate of a raw TCP port, which is the one it can try.
    Refuses(*search, {"--address"});
    // Each end is checked on its own as it is parsed; the two together only once both are in.
    search->callback([&app, &o, &run, s, probeMs] {
        s->probeMsGiven = probeMs->count() > 0;
        s->baudGiven = app.get_option("--baud")->count() > 0;
        if (!SearchRangeValid(s->from, s->to))
            throw CLI::ValidationError("search range " + std::to_string(s->from) + "-" +
                                       std::to_string(s->to) +
                                       " is empty: --from must not be above --to");
        run = [&o, s] { return RunSearch(o, *s); };
    });
}
