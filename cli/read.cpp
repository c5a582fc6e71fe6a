// SPDX-License-Identifier: GPL-3.0-or-later
// read: the current in amperes; read turns: the primary-coil turns. One exchange an address.
#include <algorithm>

#include "commands.h"
#include "interrupt.h"
#include "one_exchange.h"
#include "output.h"
#include "registers.h"

namespace {

// Reads every address of -a in turn on one opening of the line, one result each; a list's text
// lines name their address. Exit status 1 when any address failed.
int ReadEach(const GlobalOptions& o, bool turns) {
    const Json asked{{"command", turns ? "read turns" : "read"}};
    return RunOnLine(o, asked, [&](SensorLine& sensor, InterruptWatch& interrupt) -> int {
        int status = EXIT_DONE;
        for (const int address : o.addresses) {
            const Result result =
                turns ? sensor.ReadTurns(address) : sensor.ReadMeasurement(address);
            if (!result.done() && interrupt.Pending())
                return EXIT_SENSOR;  // cut short by the stop: no reading at all
            GlobalOptions at = o;
            at.address = address;
            const std::string prefix =
                o.addresses.size() > 1 ? "address " + std::to_string(address) + ": " : "";
            const int value = turns ? TurnsValue(result.word) : result.word;
            const int done =
                !result.done() ? ReportExchangeFailure(o, asked, result.exchange, address)
                : turns
                    ? PrintDone(at, asked, {{"turns", value}},
                                prefix + std::to_string(value) + (value == 1 ? " turn" : " turns"))
                    : PrintDone(at, asked, {{"current_a", CurrentAmperes(value)}},
                                prefix + MeasurementText(value) + " A");
            if (done == EXIT_OUTPUT || interrupt.Requested())
                return done;
            status = std::max(status, done);
        }
        return status;
    });
}

}  // namespace

void AddReadCommand(CLI::App& app, const GlobalOptions& o, CommandRun& run) {
    CLI::App* read =
        AddCommand(app, "read", "read the current in amperes (or, read turns, the turns)");
    read->require_subcommand(0, 1);
    CLI::App* turns = AddCommand(*read, "turns", "read the primary-coil turns");
    // "read turns" is given as read with its command turns; read's callback decides for both.
    RunsWhenGiven(*read, run, [&o, turns] { return ReadEach(o, turns->parsed()); });
}
