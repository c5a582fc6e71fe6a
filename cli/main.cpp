// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl: the sensor from a shell, for production lines and for diagnosis.
#include "commands.h"
#include "interrupt.h"
#include "output.h"

int main(int argc, char** argv) {
    IgnoreBrokenPipe();
    CliOptions options;
    if (const auto status = ParseCommandLine(argc, argv, options))
        return *status;
    if (options.trace)
        StartTrace();
    switch (options.command) {
        case Command::Ports: return RunPorts(options);
        case Command::Search: return RunSearch(options);
        case Command::Monitor: return RunMonitor(options);
        default: return RunSingle(options);
    }
}
