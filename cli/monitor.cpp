// SPDX-License-Identifier: GPL-3.0-or-later
// monitor: the window's acquisition from a shell. A reading every period, as text, CSV or JSON
// Lines, until --count or Ctrl-C, then a summary on stderr. A line that hangs up (adapter pulled,
// peer gone) is said once, counted as a failure at every period and opened again by itself.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>

#include "commands.h"
#include "csv_field.h"
#include "interrupt.h"
#include "output.h"

namespace {

const char* const kHungUp = "hung up";

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
bool PrintReading(const CliOptions& o, const std::string& port, const Reading& r) {
    const std::string time = IsoTime(r.time);
    switch (o.monitor.format) {
        case Format::Text:
            return PrintLine(time + "  " +
                             (r.ok ? MeasurementText(r.word) + " A" : "failed: " + r.cause));
        case Format::Csv:
            return PrintLine(time + "," + CsvField(port) + "," + std::to_string(o.line.baud) + "," +
                             std::to_string(o.address) + "," + (r.ok ? "true" : "false") + "," +
                             (r.ok ? MeasurementText(r.word) : "") + "," + CsvField(r.cause));
        case Format::Json:
            return PrintJson(
                {{"time", time},
                 {"port", port},
                 {"baud", o.line.baud},
                 {"address", o.address},
                 {"ok", r.ok},
                 {"current_a", r.ok ? nlohmann::ordered_json(CurrentAmperes(r.word)) : nullptr},
                 {"cause", r.ok ? nullptr : nlohmann::ordered_json(r.cause)}});
    }
    return true;
}

// One reading, or the reason there is none. A hung-up line is closed and opened again at the
// following readings, until the device is back.
Reading TakeReading(const CliOptions& o, SensorLine& sensor, const std::string& label) {
    if (!sensor.open()) {
        if (!sensor.Reopen()) {
            // Absent while unplugged; busy or forbidden says so.
            const OpenError why = sensor.opening().error;
            return Reading{
                std::chrono::system_clock::now(), false, 0,
                why == OpenError::NoDevice ? kHungUp : DescribeOpenError(sensor.opening())};
        }
        PrintError(label + ": open again");
    }
    const Result result = sensor.ReadMeasurement(o.address);
    if (result.done())
        return Reading{result.exchange.time, true, result.word, ""};
    if (LineHungUp(sensor.link().port)) {
        sensor.Close();
        PrintError(label + ": the line hung up; trying to open it again every " +
                   std::to_string(o.monitor.periodMs) + " ms");
        return Reading{result.exchange.time, false, 0, kHungUp};
    }
    return Reading{result.exchange.time, false, 0, DescribeCause(result.exchange)};
}

}  // namespace

int RunMonitor(const CliOptions& o) {
    using Clock = std::chrono::steady_clock;
    // From before the open until after the close, so that a stop never leaves the port held.
    InterruptWatch interrupt;
    LinkState link;
    SensorLine sensor(link, o.line);
    if (!sensor.open())
        return ReportPortFailure(o.line, sensor.opening());
    const std::string port = PortLabel(o.line);
    const std::string label = link.portLabel;
    if (o.monitor.format == Format::Csv)
        PrintLine("time,port,baud,address,ok,current_a,cause");

    Summary summary;
    const auto period = std::chrono::milliseconds(o.monitor.periodMs);
    auto next = Clock::now();
    for (long n = 1;; ++n) {
        const Reading reading = TakeReading(o, sensor, label);
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
