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
