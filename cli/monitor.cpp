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
    bool ok = false;
    int word = 0;
    std::string cause;  // "" when ok
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

    void Print() const {
        std::string text = std::to_string(readings_) + " readings, " + std::to_string(good_) +
                           " good, " + std::to_string(readings_ - good_) + " failed";
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

// False once nothing more can be written (the reader went away).
bool PrintReading(const MonitorRun& o, const std::string& port, const Reading& r) {
    const std::string time = IsoTime(r.time);
    switch (o.monitor.format) {
        case Format::Text:
            return PrintLine(time + "  " +
                             (r.ok ? MeasurementText(r.word) + " A" : "failed: " + r.cause));
        case Format::Csv:
            return PrintLine(time + "," + CsvField(port) + "," + std::to_string(o.line.baud) + "," +
                             std::to_string(o.address) + "," + (r.ok ? "true" : "false") + "," +
                             (r.ok ? MeasurementText(r.word) : "") + "," + CsvField(r.cause));
        case Format::Json: {
            Json reading{{"time", time},
                         {"port", port},
                         {"baud", o.line.baud},
                         {"address", o.address},
                         {"ok", r.ok},
                         {"current_a", r.ok ? Json(CurrentAmperes(r.word)) : nullptr},
                         {"cause", r.ok ? nullptr : Json(r.cause)}};
            if (!r.ok)
                reading["error"] = "no reading";
            return PrintJson(reading);
        }
    }
    return true;
}

// One reading, or the reason there is none. Whether the line is usable is the line's to judge
// (SensorLine::Recover); here it is only worded: one message when the line goes, one when it is
// back, and "hung up" for every reading in between.
class Reader {
public:
    Reader(const MonitorRun& o, SensorLine& sensor, std::string label)
        : o_(o), sensor_(sensor), label_(std::move(label)) {}

    Reading Take() {
        if (sensor_.Recover() == LineHealth::Down) {
            // Absent while unplugged; busy or forbidden says so.
            const bool absent = sensor_.opening().error == OpenError::NoDevice;
            return Down(std::chrono::system_clock::now(),
                        absent ? kHungUp : DescribeOpenError(sensor_.opening()));
        }
        if (down_) {
            PrintError(label_ + ": open again");
            down_ = false;
        }
        const Result result = sensor_.ReadMeasurement(o_.address);
        if (result.done())
            return Reading{result.exchange.time, true, result.word, ""};
        // A reading the line hung up under says so at once, not one period later.
        if (sensor_.Recover() != LineHealth::Healthy)
            return Down(result.exchange.time, kHungUp);
        return Reading{result.exchange.time, false, 0, DescribeCause(result.exchange)};
    }

private:
    Reading Down(std::chrono::system_clock::time_point time, std::string cause) {
        if (!down_)
            PrintError(label_ + ": the line hung up; trying to open it again every " +
                       std::to_string(o_.monitor.periodMs) + " ms");
        down_ = true;
        return Reading{time, false, 0, std::move(cause)};
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
    if (o.monitor.format == Format::Csv)
        PrintLine("time,port,baud,address,ok,current_a,cause");

    Summary summary;
    const auto period = std::chrono::milliseconds(o.monitor.periodMs);
    auto next = Clock::now();
    for (long n = 1;; ++n) {
        const Reading reading = reader.Take();
        if (!reading.ok && interrupt.Requested())
            break;  // cut short by the stop: no reading at all
        summary.Add(reading);
        if (!PrintReading(o, port, reading) || n == o.monitor.count)
            break;
        // A reading that overran its period delays the next one; missed periods are not made up
        // in a burst.
        next = std::max(next + period, Clock::now());
        if (interrupt.WaitUntil(next))
            break;
    }
    if (!o.quiet)
        summary.Print();
    return summary.anyGood() ? EXIT_DONE : EXIT_SENSOR;
}

}  // namespace

void AddMonitorCommand(CLI::App& app, const GlobalOptions& global, CommandRun& run) {
    auto m = std::make_shared<MonitorOptions>();
    auto formatName = std::make_shared<std::string>();
    CLI::App* monitor = AddCommand(
        app, "monitor", "read the current every period; a summary at the end",
        "Formats: text (time and current); csv (a header line, then the columns\n"
        "time,port,baud,address,ok,current_a,cause); json (one object a reading, the CSV columns "
        "as\n"
        "keys). Times are ISO 8601 UTC with milliseconds. A line that hangs up (adapter pulled) "
        "is\n"
        "opened again when the device comes back. Exit status 1 when no reading succeeded.");
    monitor->add_option("--period", m->periodMs, "milliseconds between readings (default 500)")
        ->type_name("MS")
        ->transform(Whole(1, 86400000));
    monitor->add_option("--count", m->count, "stop after N readings (default: never)")
        ->type_name("N")
        ->transform(Whole(1, 1000000000));
    monitor->add_option("--format", *formatName, "text, csv or json (default text)")
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"text", "csv", "json"}).description(""));
    RunsWhenGiven(*monitor, run, [&global, m, formatName] {
        MonitorRun o{global, *m};
        // --format wins; else --json, which every command takes, means JSON Lines here too.
        if (!formatName->empty())
            o.monitor.format = *formatName == "csv"    ? Format::Csv
                               : *formatName == "json" ? Format::Json
                                                       : Format::Text;
        else if (o.json)
            o.monitor.format = Format::Json;
        return RunMonitor(o);
    });
}
