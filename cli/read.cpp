// SPDX-License-Identifier: GPL-3.0-or-later
// read: the current in amperes; read turns: the primary-coil turns. One exchange each.
#include "commands.h"
#include "one_exchange.h"
#include "output.h"
#include "registers.h"

namespace {

int ReadCurrent(const GlobalOptions& o) {
    const Json asked{{"command", "read"}};
    return RunExchange(
        o, asked, [&](SensorLine& sensor) { return sensor.ReadMeasurement(o.address); },
        [&](SensorLine&, const Result& result) {
            return PrintDone(o, asked, {{"current_a", CurrentAmperes(result.word)}},
                             MeasurementText(result.word) + " A");
        });
}

int ReadTurns(const GlobalOptions& o) {
    const Json asked{{"command", "read turns"}};
    return RunExchange(
        o, asked, [&](SensorLine& sensor) { return sensor.ReadTurns(o.address); },
        [&](SensorLine&, const Result& result) {
            const int turns = TurnsValue(result.word);
            return PrintDone(o, asked, {{"turns", turns}},
                             std::to_string(turns) + (turns == 1 ? " turn" : " turns"));
        });
}

}  // namespace

void AddReadCommand(CLI::App& app, const GlobalOptions& o, CommandRun& run) {
    CLI::App* read =
        AddCommand(app, "read", "read the current in amperes (or, read turns, the turns)");
    read->require_subcommand(0, 1);
    CLI::App* turns = AddCommand(*read, "turns", "read the primary-coil turns");
    // "read turns" is given as read with its command turns; read's callback decides for both.
    RunsWhenGiven(*read, run,
                  [&o, turns] { return turns->parsed() ? ReadTurns(o) : ReadCurrent(o); });
}
