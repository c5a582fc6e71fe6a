// SPDX-License-Identifier: GPL-3.0-or-later
// provision: the end-of-line job in one step. The line is searched as search --fast --all does;
// with exactly one sensor on it, that sensor gets the turns, the address and the rate asked for,
// in the order that keeps it reachable (the rate last, since after it the old rate hears nothing),
// each write read back before the next. With none or several, nothing is written.
#include <chrono>
#include <memory>
#include <optional>

#include "commands.h"
#include "interrupt.h"
#include "one_exchange.h"
#include "output.h"
#include "progress.h"
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

// A read-back that gets no answer is asked again, this many times in all, before anything is
// concluded: on a noisy line the answer lost is more often the read's than the write's.
constexpr int kReadTries = 3;

struct Place {
    int address;
    int baud;
    bool operator==(const Place&) const = default;
};

std::string Where(const Place& at) {
    return "address " + std::to_string(at.address) + " at " + std::to_string(at.baud) + " baud";
}

Json PlaceJson(const Place& at) {
    return {{"address", at.address}, {"baud", at.baud}};
}

// Searches the line as search --fast --all does. Returns EXIT_DONE with `only` the one sensor
// found, or, after reporting it, the status to end with: no sensor, several, a stop, a port that
// failed. `found` lists every sensor found.
int FindOnlySensor(const GlobalOptions& o, const ProvisionOptions& p, InterruptWatch& interrupt,
                   ProgressLine& progress, Probe& only, Json& found) {
    SearchPlan plan;
    plan.line = o.line;
    plan.rates = p.rates;
    plan.first = p.from;
    plan.last = p.to;
    plan.stopAtFirst = false;  // a second sensor must be seen to be refused
    UseFastProbes(plan, p.turnaroundMs);

    LinkState link(o.watch);
    link.stopFd = interrupt.Descriptor();
    const int total = (p.to - p.from + 1) * static_cast<int>(p.rates.size());
    const auto start = std::chrono::steady_clock::now();
    int done = 0;
    const SearchResult result = Search(
        link, plan, [&] { return interrupt.Requested(); },
        [&](const Probe& probe) {
            progress.Show("provision: search " + ProbesText(probe, ++done, total, start));
        });
    progress.Clear();
    if (result.end == SearchEnd::PortFailed)
        return ReportPortFailure(o, kAsked, o.line, result.opening);

    found = Json::array();
    std::string names;
    for (const Probe& probe : result.found) {
        found.push_back({{"address", probe.address}, {"baud", probe.baud}});
        names += (names.empty() ? "" : ", ") + Where({probe.address, probe.baud});
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
            "no_reply", EXIT_SENSOR);
    if (result.found.size() > 1)
        return ReportFailure(o, refused,
                             link.portLabel + ": " + std::to_string(result.found.size()) +
                                 " sensors answered (" + names + "); nothing written",
                             "several_sensors", EXIT_SENSOR);
    only = result.found.front();
    return EXIT_DONE;
}

// One setting of the three, in the order they are written.
struct Step {
    const char* key;  // "turns", "address", "baud"
    int value;
    Result (SensorLine::*write)(int address, int value);

    std::string Text() const {
        return std::string(key == std::string("baud") ? "rate" : key) + " " + std::to_string(value);
    }
    // Where the sensor answers once the write has taken.
    Place After(const Place& at) const {
        if (key == std::string("address"))
            return {value, at.baud};
        if (key == std::string("baud"))
            return {at.address, value};
        return at;
    }
};

// How a step ended: the write took (the sensor answers where it should, the turns read back), it
// did not (the sensor still answers where it was), or the sensor answers at neither place.
struct StepEnd {
    enum { Took, NotTaken, Unknown, PortFailed } kind;
    std::string why;  // what the exchanges showed, for people
    PortOpening opening;
};

class Provisioning {
public:
    Provisioning(const GlobalOptions& o, InterruptWatch& interrupt, ProgressLine& progress,
                 Json found, Place at)
        : o_(o), interrupt_(interrupt), progress_(progress), found_(std::move(found)), at_(at) {}

    // Writes each step and reads it back; stops after the step under way when asked to.
    int Run(const std::vector<Step>& steps, const Place& was) {
        for (size_t i = 0; i < steps.size(); ++i) {
            const std::vector<Step> rest(steps.begin() + static_cast<long>(i), steps.end());
            if (interrupt_.Requested())
                return Report(nullptr, rest, "provision stopped", "stopped", {at_}, true);
            const Step& step = steps[i];
            const StepEnd end = RunStep(step);
            progress_.Clear();
            if (end.kind == StepEnd::PortFailed) {
                LineSettings line = LineAt(at_);
                return ReportPortFailure(o_, kAsked, line, end.opening);
            }
            if (end.kind != StepEnd::Took) {
                std::vector<Place> maybe{at_};
                if (end.kind == StepEnd::Unknown && step.After(at_) != at_)
                    maybe.push_back(step.After(at_));
                return Report(&step, {rest.begin() + 1, rest.end()},
                              "provision: " + step.Text() + ": " + end.why,
                              end.kind == StepEnd::NotTaken ? "not_taken" : "no_reply", maybe,
                              end.kind == StepEnd::NotTaken);
            }
            set_[step.key] = step.value;
            at_ = step.After(at_);
        }
        std::string text = "found " + Where(was) + "; now " + Where(at_);
        if (set_.contains("turns"))
            text += ", " + std::to_string(set_["turns"].get<int>()) + " turns";
        text += "; every setting reads back";
        GlobalOptions now = o_;
        now.line = LineAt(at_);
        now.address = at_.address;
        return PrintDone(now, kAsked, {{"found", found_}, {"set", set_}, {"reads_back", set_}},
                         text);
    }

private:
    LineSettings LineAt(const Place& at) const {
        LineSettings line = o_.line;
        line.baud = at.baud;
        return line;
    }

    // One exchange on a line opened for it at `at`'s rate (the port is exclusive: a read at a new
    // rate needs it free).
    template <class Operation>
    Result At(const Place& at, Operation operation) {
        LinkState link(o_.watch);
        return WithLine(link, LineAt(at), operation);
    }

    // Reads at `at` until it answers, kReadTries times at most (once, when a stop is waiting).
    Result ReadAt(const Place& at, bool turns) {
        Result read;
        for (int attempt = 0; attempt < kReadTries; ++attempt) {
            read = At(at, [&](SensorLine& s) {
                return turns ? s.ReadTurns(at.address) : s.ReadMeasurement(at.address);
            });
            if (read.done() || read.outcome == Outcome::PortFailed || interrupt_.Requested())
                break;
        }
        return read;
    }

    StepEnd RunStep(const Step& step) {
        progress_.Show("provision: writing " + step.Text() + " to " + Where(at_));
        const Result written =
            At(at_, [&](SensorLine& s) { return (s.*step.write)(at_.address, step.value); });
        if (written.outcome == Outcome::PortFailed)
            return {StepEnd::PortFailed, {}, written.opening};
        const std::string write = written.done()
                                      ? "acknowledged"
                                      : "unacknowledged (" + DescribeCause(written.exchange) + ")";
        const std::string didNot = written.done() ? " but did not take" : " and did not take";
        const bool turns = step.key == std::string("turns");
        const Place after = step.After(at_);
        progress_.Show("provision: reading back " + step.Text() + " at " + Where(after));
        const Result readBack = ReadAt(after, turns);
        if (readBack.outcome == Outcome::PortFailed)
            return {StepEnd::PortFailed, {}, readBack.opening};
        if (readBack.done() && (!turns || TurnsValue(readBack.word) == step.value))
            return {StepEnd::Took, {}, {}};
        if (readBack.done())  // the turns read back, and differ
            return {StepEnd::NotTaken,
                    write + didNot + ": the sensor reads back " +
                        std::to_string(TurnsValue(readBack.word)) + " turns",
                    {}};
        const std::string lost = "no answer at " + Where(after) + " (" +
                                 DescribeCause(readBack.exchange) + ", " +
                                 std::to_string(kReadTries) + " tries)";
        if (after == at_)
            return {StepEnd::Unknown, write + ", then " + lost, {}};
        const Result before = ReadAt(at_, false);
        if (before.done())
            return {StepEnd::NotTaken,
                    write + didNot + ": the sensor still answers at " + Where(at_),
                    {}};
        return {StepEnd::Unknown, write + ", then " + lost + " nor at " + Where(at_), {}};
    }

    // A provision that ends before its last step: what was written, what was not, and where the
    // sensor may be now (`answered`: it answered there last).
    int Report(const Step* failed, const std::vector<Step>& notWritten, std::string text,
               const char* cause, const std::vector<Place>& maybe, bool answered) {
        Json left = Json::array();
        std::string names;
        for (const Step& step : notWritten) {
            left.push_back(step.key);
            names += (names.empty() ? "" : ", ") + step.Text();
        }
        std::string done;
        for (const auto& [key, value] : set_.items())
            done += (done.empty() ? "" : ", ") + std::string(key) + " " +
                    std::to_string(value.get<int>());
        text += "; done: " + (done.empty() ? "nothing" : done);
        if (!names.empty())
            text += "; not written: " + names;
        text += std::string(answered ? "; the sensor answers at " : "; the sensor is at ") +
                Where(maybe.front());
        if (maybe.size() > 1)
            text += " or at " + Where(maybe[1]);
        Json object =
            ResultJson(false, LineAt(maybe.front()),
                       maybe.size() == 1 ? Json(maybe.front().address) : Json(nullptr), kAsked);
        if (maybe.size() > 1)
            object["baud"] = nullptr;
        object["found"] = found_;
        object["set"] = set_;
        object["failed_step"] = failed ? Json(failed->key) : Json(nullptr);
        object["not_written"] = left;
        object["at"] = Json::array();
        for (const Place& place : maybe)
            object["at"].push_back(PlaceJson(place));
        return ReportFailure(o_, object, text, cause, EXIT_SENSOR);
    }

    const GlobalOptions& o_;
    InterruptWatch& interrupt_;
    ProgressLine& progress_;
    Json found_;
    Place at_;
    Json set_ = Json::object();  // the steps that took, with their values
};

// Gives the one sensor found the turns, the address and the rate asked for, each read back.
// Signals are held from the start, so that a stop ends it between two steps, never inside one.
int Provision(const GlobalOptions& o, const ProvisionOptions& p) {
    InterruptWatch interrupt;
    ProgressLine progress(!o.quiet && !o.trace);
    Probe was;
    Json found;
    if (const int status = FindOnlySensor(o, p, interrupt, progress, was, found);
        status != EXIT_DONE)
        return interrupt.ExitStatus(status);
    std::vector<Step> steps;
    if (p.turns)
        steps.push_back({"turns", *p.turns, &SensorLine::SetTurns});
    if (p.address)
        steps.push_back({"address", *p.address, &SensorLine::SetAddress});
    if (p.baud)
        steps.push_back({"baud", *p.baud, &SensorLine::SetBaud});
    const Place at{was.address, was.baud};
    return interrupt.ExitStatus(Provisioning(o, interrupt, progress, found, at).Run(steps, at));
}

}  // namespace

void AddProvisionCommand(CLI::App& app, const GlobalOptions& o, CommandRun& run) {
    auto p = std::make_shared<ProvisionOptions>();
    CLI::App* provision = AddCommand(
        app, "provision",
        "find the one sensor on the line and give it an address, a rate and turns",
        "The line is searched as 'search --fast --all' searches it (-a and -b are refused). With\n"
        "exactly one sensor found, it gets the turns, then the address, then the rate, each read\n"
        "back before the next write. With no sensor or several, nothing is written (exit 1).\n"
        "Prints one record: what was found, what was set, what reads back. Exit 0 only if every\n"
        "setting reads back. A read-back without an answer is tried 3 times. A failed step or a\n"
        "stop (Ctrl-C) ends it after the step under way, naming what was written, what was not\n"
        "and where the sensor answers (JSON: set, failed_step, not_written, at).");
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
    Refuses(*provision, {"--baud", "--address"});
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
