// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl: the sensor from a shell, for production lines and for diagnosis.
#include "commands.h"
#include "interrupt.h"
#include "output.h"
#include "process_safety.h"

int main(int argc, char** argv) {
    KeepStandardStreamsOffTheLine();
    IgnoreBrokenPipe();
    CLI::App app;
    GlobalOptions global;
    AddGlobalOptions(app, global);
    CommandRun run;
    // In the order the help lists them.
    for (const auto add : {AddPortsCommand, AddSearchCommand, AddReadCommand, AddMonitorCommand,
                           AddSetCommand, AddZeroCommand, AddCalibrateCommand, AddProvisionCommand,
                           AddCompletionCommand, AddHelpCommand})
        add(app, global, run);
    // A help or version that could not be written is a failure too.
    if (const auto status = ParseCommandLine(app, global, argc, argv))
        return StatusAfter(PrintText(""), *status);
    ExchangeWatch trace;
    if (global.trace) {
        trace.Set(TraceExchange);
        global.watch = &trace;
    }
    return run();
}
