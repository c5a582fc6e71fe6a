// SPDX-License-Identifier: GPL-3.0-or-later
#include "one_exchange.h"

#include "interrupt.h"
#include "output.h"

int RunExchange(const GlobalOptions& o, const std::function<Result(SensorLine&)>& exchange,
                const std::function<int(SensorLine&, const Result&)>& done) {
    InterruptWatch interrupt;
    LinkState link(o.watch);
    SensorLine sensor(link, o.line);
    if (!sensor.open())
        return ReportPortFailure(o.line, sensor.opening());
    const Result result = exchange(sensor);
    if (!result.done()) {
        // The command line was checked against the same ranges, so only the exchange can fail.
        return ReportExchangeFailure(result.exchange, o.address);
    }
    return done(sensor, result);
}

int RunWrite(const GlobalOptions& o, Result (SensorLine::*write)(int address),
             const std::string& confirmation) {
    return RunExchange(
        o, [&](SensorLine& sensor) { return (sensor.*write)(o.address); },
        [&](SensorLine&, const Result&) { return PrintWritten(o, confirmation, false, ""); });
}

int PrintWritten(const GlobalOptions& o, const std::string& confirmation, bool verify,
                 const std::string& verified) {
    if (o.json) {
        nlohmann::ordered_json done{{"ok", true}};
        if (verify)
            done["verified"] = true;
        PrintJson(done);
    } else {
        PrintLine(confirmation + (verified.empty() ? "" : "; verified: " + verified));
    }
    return EXIT_DONE;
}

int ReportNotTaken(const ExchangeRecord& readBack, const std::string& expected, int address) {
    PrintError(readBack.portLabel + ": " + expected +
               " was acknowledged but did not take: address " + std::to_string(address) + " at " +
               std::to_string(readBack.baud) + " baud: " + DescribeCause(readBack));
    return EXIT_SENSOR;
}
