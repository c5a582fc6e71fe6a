// SPDX-License-Identifier: GPL-3.0-or-later
#include "one_exchange.h"

#include "interrupt.h"
#include "registers.h"

int RunOnLine(const GlobalOptions& o, const Json& asked,
              const std::function<int(SensorLine&, InterruptWatch&)>& work) {
    InterruptWatch interrupt;
    LinkState link(o.watch);
    link.stopFd = interrupt.Descriptor();
    SensorLine sensor(link, o.line);
    if (!sensor.open())
        return ReportPortFailure(o, asked, o.line, sensor.opening());
    const int status = work(sensor, interrupt);
    sensor.Close();
    return interrupt.ExitStatus(status);
}

int RunExchange(const GlobalOptions& o, const Json& asked,
                const std::function<Result(SensorLine&)>& exchange,
                const std::function<int(SensorLine&, const Result&)>& done) {
    return RunOnLine(o, asked, [&](SensorLine& sensor, InterruptWatch& interrupt) -> int {
        const Result result = exchange(sensor);
        if (result.done())
            return done(sensor, result);
        // The command line was checked against the same ranges, so only the exchange can fail.
        return interrupt.Pending() ? EXIT_SENSOR
                                   : ReportExchangeFailure(o, asked, result.exchange, o.address);
    });
}

int RunWrite(const GlobalOptions& o, const char* command, Result (SensorLine::*write)(int address),
             const std::string& confirmation) {
    const Json asked{{"command", command}};
    return RunExchange(
        o, asked, [&](SensorLine& sensor) { return (sensor.*write)(o.address); },
        [&](SensorLine&, const Result&) { return PrintDone(o, asked, {}, confirmation); });
}

int PrintDone(const GlobalOptions& o, const Json& asked, const Json& fields,
              const std::string& text) {
    if (!o.json)
        return StatusAfter(PrintLine(text), EXIT_DONE);
    Json done = ResultJson(true, o.line, o.address, asked);
    if (fields.is_object())
        done.update(fields);
    return StatusAfter(PrintJson(done), EXIT_DONE);
}

int ReportNotTaken(const GlobalOptions& o, const Json& asked, const ExchangeRecord& readBack,
                   const std::string& expected, int address) {
    LineSettings line = o.line;
    line.baud = readBack.baud;
    return ReportFailure(o, ResultJson(false, line, address, asked),
                         readBack.portLabel + ": " + expected +
                             " was acknowledged but did not take: address " +
                             std::to_string(address) + " at " + std::to_string(readBack.baud) +
                             " baud: " + DescribeCause(readBack),
                         "not_taken", EXIT_SENSOR);
}

namespace {

// A current read at the new address or rate: the write took.
int ReadsCurrent(const GlobalOptions& o, const Json& asked, const Result& readBack,
                 const std::string& expected, int address, std::string& verified) {
    if (!readBack.done())
        return ReportNotTaken(o, asked, readBack.exchange, expected, address);
    verified = "reads " + MeasurementText(readBack.word) + " A";
    return EXIT_DONE;
}

}  // namespace

int AddressReadBack(const GlobalOptions& o, const Json& asked, int value, SensorLine& sensor,
                    std::string& verified) {
    return ReadsCurrent(o, asked, sensor.ReadMeasurement(value), "address " + std::to_string(value),
                        value, verified);
}

int BaudReadBack(const GlobalOptions& o, const Json& asked, int value, SensorLine& sensor,
                 std::string& verified) {
    LineSettings line = o.line;
    line.baud = value;
    sensor.Close();  // exclusive: the port must be free for the new rate
    LinkState link(o.watch);
    SensorLine atNewRate(link, line);
    if (!atNewRate.open())
        return ReportPortFailure(o, asked, line, atNewRate.opening());
    return ReadsCurrent(o, asked, atNewRate.ReadMeasurement(o.address),
                        std::to_string(value) + " baud", o.address, verified);
}

int TurnsReadBack(const GlobalOptions& o, const Json& asked, int value, SensorLine& sensor,
                  std::string& verified) {
    const std::string expected = "turns " + std::to_string(value);
    const Result readBack = sensor.ReadTurns(o.address);
    if (!readBack.done())
        return ReportNotTaken(o, asked, readBack.exchange, expected, o.address);
    const int turns = TurnsValue(readBack.word);
    if (turns != value)
        return ReportFailure(o, ResultJson(false, o.line, o.address, asked),
                             readBack.exchange.portLabel + ": " + expected +
                                 " was acknowledged but did not take: the sensor reads back " +
                                 std::to_string(turns),
                             "not_taken", EXIT_SENSOR);
    verified = "reads back " + std::to_string(turns);
    return EXIT_DONE;
}
