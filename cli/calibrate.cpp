// SPDX-License-Identifier: GPL-3.0-or-later
// calibrate: the sensor's own calibration, started by a write. One write.
#include "commands.h"
#include "one_exchange.h"

void AddCalibrateCommand(CLI::App& app, const GlobalOptions& o, CommandRun& run) {
    CLI::App* calibrate = AddCommand(app, "calibrate", "calibrate the sensor");
    RunsWhenGiven(*calibrate, run,
                  [&o] { return RunWrite(o, "calibrate", &SensorLine::Calibrate, "calibrated"); });
}
