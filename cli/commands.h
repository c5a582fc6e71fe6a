// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl's commands. Each returns the exit status.
#pragma once

#include "options.h"

int RunPorts(const CliOptions& options);
int RunSearch(const CliOptions& options);
int RunMonitor(const CliOptions& options);
// read, read turns, set address/baud/turns, zero, calibrate: one exchange each (and a read-back
// with --verify).
int RunSingle(const CliOptions& options);
