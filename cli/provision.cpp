// SPDX-License-Identifier: GPL-3.0-or-later
// provision: the end-of-line job in one step. The line is searched as search --fast --all does;
// with exactly one sensor on it, that sensor gets the turns, the address and the rate asked for,
// in the order that keeps it reachable (the rate last, since after it the old rate hears nothing),
// each write read back before the next. With none or several, nothing is written.
#include <memory>
#include <optional>

#include "commands.h"
#include "interrupt.h"
#include "one_exchange.h"
#include "output.h"
#include "search.h"

namespace {

struct ProvisionOptions {
    std::optional<int> address;
    std::optional<int> baud;
    std::optional<int> turns;
    std::vector<int> rates = CTL_SEARCH_RATES;
    int from = 0;
    int to = ADDRESS_MAX;
    int turnaroundMs = SEARCH_TURNAROUND_MS;
};

const Json kAsked{{"command", "provision"}};

std::string Place(int address, int baud) {
    return "address " + std::to_string(address) + " at " + std::to_string(baud) + " baud";
}

// Where the sensor is now and what it has shown, as the writes move it.
struct Sensor {
    GlobalOptions at;  // its port, rate and address
    Json readsBack = Json::object();
};

// Searches the line as search --fast --all does. Returns EXIT_DONE with `only` the one sensor
// found, or, after reporting it, the status to end with: no sensor, several, a stop, a port that
// failed. `found` lists every sensor found.
int FindOnlySensor(const GlobalOptions& o, const ProvisionOptions& p, Probe& only, Json& found) {
    SearchPlan plan;
    plan.line = o.line;
    plan.rates = p.rates;
    plan.first = p.from;
    plan.last = p.to;
    plan.stopAtFirst = false;  // a second sensor must be seen to be refused
    UseFastProbes(plan, p.turnaroundMs);

    InterruptWatch interrupt;
    LinkState link(o.watch);
    const SearchResult result = Search(
        link, plan, [&] { return interrupt.Requested(); }, [](const Probe&) {});
    if (result.end == SearchEnd::PortFailed)
        return ReportPortFailure(o, kAsked, o.line, result.opening);

    found = Json::array();
    std::string names;
    for (const Probe& probe : result.found) {
        found.push_back({{"address", probe.address}, {"baud", probe.baud}});
        names += (names.empty() ? "" : ", ") + Place(probe.address, probe.baud);
    }
    Json refused = ResultJson(false, o.line, nullptr, kAsked);
    refused["baud"] = nullptr;
    refused["found"] = found;
    const std::string range = "addresses " + std::to_string(p.from) + "-" + std::to_string(p.to);
    if (result.end == SearchEnd::Stopped)
        return ReportFailure(o, refused, "provision stopped during the search; nothing written",
                             "stopped", EXIT_SENSOR);
    if (result.found.empty())
        return ReportFailure(
            o, refused, link.portLabel + ": no sensor answered at " + range + "; nothing written",
            "no reply", EXIT_SENSOR);
    if (result.found.size() > 1)
        return ReportFailure(o, refused,
                             link.portLabel + ": " + std::to_string(result.found.size()) +
                                 " sensors answered (" + names + "); nothing written",
                             "several sensors", EXIT_SENSOR);
    only = result.found.front();
    return EXIT_DONE;
}

// Gives the one sensor found the turns, the address and the rate asked for, each read back.
int Provision(const GlobalOptions& o, const ProvisionOptions& p) {
    Probe was;
    Json found;
    if (const int status = FindOnlySensor(o, p, was, found); status != EXIT_DONE)
        return status;
    Sensor s{o};
    s.at.line.baud = was.baud;
    s.at.address = was.address;
    Json set = Json::object();
    LinkState held(o.watch);
    SensorLine line(held, s.at.line);
    if (!line.open())
        return ReportPortFailure(s.at, kAsked, s.at.line, line.opening());
    // One write and its read-back, as set --verify makes them; the sensor is then where it was
    // asked to be (the read-back of a rate reopens the line at it).
    const auto write = [&](const char* key, int value, Result (SensorLine::*setting)(int, int),
                           ReadBack readBack) -> int {
        set[key] = value;
        const Result written = (line.*setting)(s.at.address, value);
        if (!written.done())
            return ReportExchangeFailure(s.at, kAsked, written.exchange, s.at.address);
        std::string verified;
        if (const int status = readBack(s.at, kAsked, value, line, verified); status != EXIT_DONE)
            return status;
        s.readsBack[key] = value;
        return EXIT_DONE;
    };
    if (p.turns) {
        if (const int status = write("turns", *p.turns, &SensorLine::SetTurns, TurnsReadBack);
            status != EXIT_DONE)
            return status;
    }
    if (p.address) {
        if (const int status =
                write("address", *p.address, &SensorLine::SetAddress, AddressReadBack);
            status != EXIT_DONE)
            return status;
        s.at.address = *p.address;
    }
    if (p.baud) {
        if (const int status = write("baud", *p.baud, &SensorLine::SetBaud, BaudReadBack);
            status != EXIT_DONE)
            return status;
        s.at.line.baud = *p.baud;
    }

    std::string text =
        "found " + Place(was.address, was.baud) + "; now " + Place(s.at.address, s.at.line.baud);
    if (s.readsBack.contains("turns"))
        text += ", " + std::to_string(s.readsBack["turns"].get<int>()) + " turns";
    text += "; every setting reads back";
    return PrintDone(s.at, kAsked, {{"found", found}, {"set", set}, {"reads_back", s.readsBack}},
                     text);
}

}  // namespace

void AddProvisionCommand(CLI::App& app, const GlobalOptions& o, CommandRun& run) {
    auto p = std::make_shared<ProvisionOptions>();
    CLI::App* provision = AddCommand(
        app, "provision",
        "find the one sensor on the line and give it an address, a rate and turns",
        "The line is searched as 'search --fast --all' searches it (-a and -b are not used). With\n"
        "exactly one sensor found, it gets the turns, then the address, then the rate, each read\n"
        "back before the next write. With no sensor or several, nothing is written (exit 1).\n"
        "Prints one record: what was found, what was set, what reads back. Exit 0 only if every\n"
        "setting reads back.");
    provision->add_option("--address", p->address, "the new address, 0-255")
        ->type_name("N")
        ->transform(Whole(ADDRESS_MIN, ADDRESS_MAX));
    provision->add_option("--baud", p->baud, "the new rate: " + RatesText())
        ->type_name("RATE")
        ->transform(SensorRate());
    provision
        ->add_option(
            "--turns", p->turns,
            "the new turns, " + std::to_string(TURNS_MIN) + "-" + std::to_string(TURNS_MAX))
        ->type_name("N")
        ->transform(Whole(TURNS_MIN, TURNS_MAX));
    provision
        ->add_option_function<std::string>(
            "--rates", [p](const std::string& text) { ParseRates(text, p->rates); },
            "rates to search at each address (default " + RatesText(CTL_SEARCH_RATES, ",") + ")")
        ->type_name("R1,R2,...")
        ->check(RatesList());
    provision->add_option("--from", p->from, "first address to search (default 0)")
        ->type_name("N")
        ->transform(Whole(ADDRESS_MIN, ADDRESS_MAX));
    provision->add_option("--to", p->to, "last address to search (default 255)")
        ->type_name("N")
        ->transform(Whole(ADDRESS_MIN, ADDRESS_MAX));
    provision
        ->add_option("--turnaround-ms", p->turnaroundMs,
                     "the sensor's time to answer a search probe (default " +
                         std::to_string(SEARCH_TURNAROUND_MS) + ")")
        ->type_name("MS")
        ->transform(Whole(0, 10000));
    provision->callback([&o, &run, p] {
        if (!p->address && !p->baud && !p->turns)
            throw CLI::ValidationError("provision needs --address, --baud or --turns");
        if (!SearchRangeValid(p->from, p->to))
            throw CLI::ValidationError("search range " + std::to_string(p->from) + "-" +
                                       std::to_string(p->to) +
                                       " is empty: --from must not be above --to");
        run = [&o, p] { return Provision(o, *p); };
    });
}
