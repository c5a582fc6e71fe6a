// SPDX-License-Identifier: GPL-3.0-or-later
// zero: the present current becomes the sensor's zero. One write.
#include "commands.h"
#include "one_exchange.h"

void AddZeroCommand(CLI::App& app, const GlobalOptions& o, CommandRun& run) {
    CLI::App* zero = AddCommand(app, "zero", "take the present current as the sensor's zero");
    RunsWhenGiven(*zero, run, [&o] { return RunWrite(o, "zero", &SensorLine::Zero, "zeroed"); });
}
