// SPDX-License-Identifier: GPL-3.0-or-later
// set address, set baud, set turns: one write each, and with --verify a read-back of what the
// sensor should now show: the new address answers, the new rate answers, the turns read back as
// written. The three differ only in the row that describes them.
#include <memory>

#include "commands.h"
#include "one_exchange.h"
#include "output.h"
#include "registers.h"

namespace {

// --verify after an acknowledged write: returns the exit status and, when the write took, says
// in `verified` what was read.
using ReadBack = int (*)(const GlobalOptions& o, const Json& asked, int value, SensorLine& sensor,
                         std::string& verified);

// A current read at the new address or rate: the write took.
int ReadsCurrent(const GlobalOptions& o, const Json& asked, const Result& readBack,
                 const std::string& expected, int address, std::string& verified) {
    if (!readBack.done())
        return ReportNotTaken(o, asked, readBack.exchange, expected, address);
    verified = "reads " + MeasurementText(readBack.word) + " A";
    return EXIT_DONE;
}

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
                             "read back " + std::to_string(turns), EXIT_SENSOR);
    verified = "reads back " + std::to_string(turns);
    return EXIT_DONE;
}

struct Setting {
    const char* name;
    const char* help;
    const char* details;
    const char* valueName;
    std::string valueHelp;
    CLI::Validator check;
    const char* confirmation;  // followed by the value: "address set to 17"
    Result (SensorLine::*write)(int address, int value);
    ReadBack readBack;
};

// The value and --verify as given; the command's callback owns them for the run.
struct NewValue {
    int value = 0;
    bool verify = false;
};

void AddSetting(CLI::App& set, const GlobalOptions& o, CommandRun& run, const Setting& s) {
    auto v = std::make_shared<NewValue>();
    CLI::App* command = AddCommand(set, s.name, s.help, s.details);
    command->add_flag("--verify", v->verify, "read back; a write acknowledged but not taken fails");
    command->add_option(s.valueName, v->value, s.valueHelp)->required()->transform(s.check);
    RunsWhenGiven(*command, run, [&o, v, s] {
        const Json asked{{"command", std::string("set ") + s.name}, {"value", v->value}};
        return RunExchange(
            o, asked, [&](SensorLine& sensor) { return (sensor.*s.write)(o.address, v->value); },
            [&](SensorLine& sensor, const Result&) {
                std::string verified;
                if (v->verify) {
                    if (const int status = s.readBack(o, asked, v->value, sensor, verified);
                        status != EXIT_DONE)
                        return status;
                }
                const std::string text = s.confirmation + (" " + std::to_string(v->value));
                return PrintDone(o, asked, v->verify ? Json{{"verified", true}} : Json(),
                                 verified.empty() ? text : text + "; verified: " + verified);
            });
    });
}

}  // namespace

void AddSetCommand(CLI::App& app, const GlobalOptions& o, CommandRun& run) {
    CLI::App* set = AddCommand(app, "set", "write the address, the baud rate or the turns",
                               "--verify reads back the current at the new address, the current at "
                               "the new rate,\nor the turns.");
    set->require_subcommand(1);
    const Setting settings[] = {
        {"address", "give the sensor a new address",
         "The new address takes effect after the sensor's reply; --verify reads the current\n"
         "there.",
         "ADDRESS", "0-255", Whole(ADDRESS_MIN, ADDRESS_MAX), "address set to",
         &SensorLine::SetAddress, AddressReadBack},
        {"baud", "make the sensor talk at a new rate",
         "The new rate takes effect after the sensor's reply; --verify reads the current at it.",
         "RATE", RatesText(), SensorRate(), "baud rate set to", &SensorLine::SetBaud, BaudReadBack},
        {"turns", "set the primary-coil turns", "--verify reads the turns back.", "TURNS",
         std::to_string(TURNS_MIN) + "-" + std::to_string(TURNS_MAX), Whole(TURNS_MIN, TURNS_MAX),
         "turns set to", &SensorLine::SetTurns, TurnsReadBack},
    };
    for (const Setting& s : settings)
        AddSetting(*set, o, run, s);
}
