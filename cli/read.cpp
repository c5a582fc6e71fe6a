// SPDX-License-Identifier: GPL-3.0-or-later
// read: the current in amperes; read turns: the primary-coil turns. One exchange each.
#include "commands.h"
#include "one_exchange.h"
#include "output.h"
#include "registers.h"

namespace {

int ReadCurrent(const GlobalOptions& o) {
    return RunExchange(
        o, [&](SensorLine& sensor) { return sensor.ReadMeasurement(o.address); },
        [&](SensorLine&, const Result& result) {
            o.json ? PrintJson({{"address", o.address},
                                {"baud", o.line.baud},
                                {"current_a", CurrentAmperes(result.word)}})
                   : PrintLine(MeasurementText(result.word) + " A");
            return EXIT_DONE;
        });
}

int ReadTurns(const GlobalOptions& o) {
    return RunExchange(
        o, [&](SensorLine& sensor) { return sensor.ReadTurns(o.address); },
        [&](SensorLine&, const Result& result) {
            const int turns = TurnsValue(result.word);
            o.json ? PrintJson({{"turns", turns}})
                   : PrintLine(std::to_string(turns) + (turns == 1 ? " turn" : " turns"));
            return EXIT_DONE;
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
