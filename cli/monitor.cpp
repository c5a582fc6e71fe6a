// SPDX-License-Identifier: GPL-3.0-or-later
// monitor: the window's acquisition from a shell. A reading every period, as text, CSV or JSON
// Lines, until --count or Ctrl-C, then a summary on stderr. A line that hangs up (adapter pulled,
// peer gone) is said once, counted as a failure at every period and opened again by itself.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>

#include "commands.h"
#include "csv_field.h"
#include "interrupt.h"
#include "output.h"

namespace {

const char* const kHungUp = "hung up";

enum class Format { Text, Csv, Json };

struct MonitorOptions {
    int periodMs = 500;
    long count = 0;  // 0: until interrupted
    Format format = Format::Text;
};

// A run of monitor: the global options and its own.
struct MonitorRun : GlobalOptions {
    MonitorOptions monitor;
};

struct Reading {
    std::chrono::system_clock::time_point time;
    int address = 0;
    bool ok = false;
    int word = 0;
    std::string cause;  // for people; "" when ok
    Json code;          // for scripts: {"cause": "no_reply"}, and an exception's code
};

class Summary {
public:
    void Add(const Reading& reading) {
        ++readings_;
        if (!reading.ok) {
            ++failures_[reading.cause];
            return;
        }
        const double amperes = CurrentAmperes(reading.word);
        min_ = good_ ? std::min(min_, amperes) : amperes;
        max_ = good_ ? std::max(max_, amperes) : amperes;
        sum_ += amperes;
        ++good_;
    }
    bool anyGood() const { return good_ > 0; }

    void Print(const std::string& prefix) const {
        std::string text = prefix + std::to_string(readings_) + " readings, " +
                           std::to_string(good_) + " good, " + std::to_string(readings_ - good_) +
                           " failed";
        if (!failures_.empty()) {
            std::string causes;
            for (const auto& [cause, count] : failures_)
                causes += (causes.empty() ? "" : "; ") + cause + ": " + std::to_string(count);
            text += " (" + causes + ")";
        }
        if (good_ > 0) {
            char figures[96];
            std::snprintf(figures, sizeof figures, "; min %.1f A, mean %.2f A, max %.1f A", min_,
                          sum_ / good_, max_);
            text += figures;
        }
        std::fprintf(stderr, "%s\n", text.c_str());
    }

private:
    long readings_ = 0;
    long good_ = 0;
    std::map<std::string, long> failures_;
    double min_ = 0;
    double max_ = 0;
    double sum_ = 0;
};

Written PrintReading(const MonitorRun& o, const std::string& port, const Reading& r) {
    const std::string time = IsoTime(r.time);
    switch (o.monitor.format) {
        case Format::Text: {
            // One sensor's lines are as they always were; several sensors' name their address.
            const std::string address =
                o.addresses.size() > 1 ? "address " + std::to_string(r.address) + "  " : "";
            return PrintLine(time + "  " + address +
                             (r.ok ? MeasurementText(r.word) + " A" : "failed: " + r.cause));
        }
        case Format::Csv:
            return PrintLine(time + "," + CsvField(port) + "," + std::to_string(o.line.baud) + "," +
                             std::to_string(r.address) + "," + (r.ok ? "true" : "false") + "," +
                             (r.ok ? MeasurementText(r.word) : "") + "," + CsvField(r.cause));
        case Format::Json: {
            Json reading{
                {"time", time},        {"port", port},
                {"baud", o.line.baud}, {"address", r.address},
                {"ok", r.ok},          {"current_a", r.ok ? Json(CurrentAmperes(r.word)) : nullptr},
                {"cause", nullptr}};
            if (!r.ok) {
                reading.update(r.code);
                reading["error"] = r.cause;
            }
            return PrintJson(reading);
        }
    }
    return Written::Yes;
}

// One reading, or the reason there is none. Whether the line is usable is the line's to judge
// (SensorLine::Recover); here it is only worded: one message when the line goes, one when it is
// back, and "hung up" for every reading in between.
class Reader {
public:
    Reader(const MonitorRun& o, SensorLine& sensor, std::string label)
        : o_(o), sensor_(sensor), label_(std::move(label)) {}

    Reading Take(int address) {
        if (sensor_.Recover() == LineHealth::Down) {
            // Absent while unplugged; busy or forbidden says so.
            const PortOpening& opening = sensor_.opening();
            if (opening.error == OpenError::NoDevice)
                return Down(std::chrono::system_clock::now(), address, kHungUp, "hung_up");
            return Down(std::chrono::system_clock::now(), address, DescribeOpenError(opening),
                        OpenErrorCode(opening.error));
        }
        if (down_) {
            PrintError(label_ + ": open again");
            down_ = false;
        }
        const Result result = sensor_.ReadMeasurement(address);
        if (result.done())
            return Reading{result.exchange.time, address, true, result.word, "", {}};
        // A reading the line hung up under says so at once, not one period later.
        if (sensor_.Recover() != LineHealth::Healthy)
            return Down(result.exchange.time, address, kHungUp, "hung_up");
        return Reading{result.exchange.time,      address, false, 0, DescribeCause(result.exchange),
                       CauseJson(result.exchange)};
    }

private:
    Reading Down(std::chrono::system_clock::time_point time, int address, std::string cause,
                 const char* code) {
        if (!down_)
            PrintError(label_ + ": the line hung up; trying to open it again every " +
                       std::to_string(o_.monitor.periodMs) + " ms");
        down_ = true;
        return Reading{time, address, false, 0, std::move(cause), {{"cause", code}}};
    }

    const MonitorRun& o_;
    SensorLine& sensor_;
    const std::string label_;
    bool down_ = false;
};

int RunMonitor(const MonitorRun& o) {
    using Clock = std::chrono::steady_clock;
    // From before the open until after the close, so that a stop never leaves the port held.
    InterruptWatch interrupt;
    LinkState link(o.watch);
    link.stopFd = interrupt.Descriptor();
    SensorLine sensor(link, o.line);
    if (!sensor.open())
        return ReportPortFailure(o, {{"command", "monitor"}}, o.line, sensor.opening());
    const std::string port = PortLabel(o.line);
    Reader reader(o, sensor, link.portLabel);
    Written written = o.monitor.format == Format::Csv
                          ? PrintLine("time,port,baud,address,ok,current_a,cause")
                          : Written::Yes;

    // Every address of the list in turn each period, one summary each.
    std::vector<Summary> summaries(o.addresses.size());
    const auto period = std::chrono::milliseconds(o.monitor.periodMs);
    auto next = Clock::now();
    bool stopped = written != Written::Yes;
    for (long n = 1; !stopped; ++n) {
        for (size_t i = 0; i < o.addresses.size() && !stopped; ++i) {
            const Reading reading = reader.Take(o.addresses[i]);
            if (!reading.ok && interrupt.Requested())
                break;  // cut short by the stop: no reading at all
            summaries[i].Add(reading);
            written = PrintReading(o, port, reading);
            stopped = written != Written::Yes;
        }
        if (stopped || n == o.monitor.count || interrupt.Requested())
            break;
        // A round that overran its period delays the next one; missed periods are not made up
        // in a burst.
        next = std::max(next + period, Clock::now());
        stopped = interrupt.WaitUntil(next);
    }
    sensor.Close();
    bool everyGood = true;
    for (size_t i = 0; i < summaries.size(); ++i) {
        if (!o.quiet && written != Written::Failed)
            summaries[i].Print(
                o.addresses.size() > 1 ? "address " + std::to_string(o.addresses[i]) + ": " : "");
        everyGood = everyGood && summaries[i].anyGood();
    }
    return interrupt.ExitStatus(StatusAfter(written, everyGood ? EXIT_DONE : EXIT_SENSOR));
}

// The run of the command line's monitor: --format wins; else --json, which every command takes,
// means JSON Lines here too.
int Monitor(const GlobalOptions& global, const MonitorOptions& m, const std::string& formatName) {
    MonitorRun o{global, m};
    if (!formatName.empty())
        o.monitor.format = formatName == "csv"    ? Format::Csv
                           : formatName == "json" ? Format::Json
                                                  : Format::Text;
    else if (o.json)
        o.monitor.format = Format::Json;
    return RunMonitor(o);
}

}  // namespace

void AddMonitorCommand(CLI::App& app, const GlobalOptions& global, CommandRun& run) {
    auto m = std::make_shared<MonitorOptions>();
    auto formatName = std::make_shared<std::string>();
    CLI::App* monitor = AddCommand(
        app, "monitor", "read the current every period; a summary at the end",
        "Formats: text (time and current); csv (a header line, then the columns\n"
        "time,port,baud,address,ok,current_a,cause); json (one object a reading, the CSV columns\n"
        "as keys, the cause as a code such as no_reply and its words in error). Times are ISO\n"
        "8601 UTC with milliseconds. A line that hangs up (adapter pulled) is opened again when\n"
        "the device comes back. With several addresses (-a 3,7,200) each is\n"
        "read in turn every period, each row naming its address, and each has its summary.\n"
        "Exit status 1 when an address gave no good reading.");
    monitor->add_option("--period", m->periodMs, "milliseconds between readings (default 500)")
        ->type_name("MS")
        ->transform(Whole(1, 86400000));
    monitor
        ->add_option("--count", m->count, "stop after N readings of each address (default: never)")
        ->type_name("N")
        ->transform(Whole(1, 1000000000));
    monitor->add_option("--format", *formatName, "text, csv or json (default text)")
        ->type_name("FORMAT")
        ->check(OneOf(MONITOR_FORMATS));
    monitor->callback([&global, &run, m, formatName] {
        if (global.json && !formatName->empty() && *formatName != "json")
            throw CLI::ValidationError("--format", "'" + *formatName +
                                                       "' is not used with --json, which "
                                                       "writes JSON Lines");
        run = [&global, m, formatName] { return Monitor(global, *m, *formatName); };
    });
}
