// SPDX-License-Identifier: GPL-3.0-or-later
// Command line of tessaly-sim.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sensor_engine.h"

struct SimOptions {
    SensorConfig sensor;                    // the first sensor: --address, --baud, the faults ...
    std::vector<SensorConfig> moreSensors;  // one per --sensor, on the same line
    std::string device;                     // a real tty to serve instead of a new pseudo-terminal
    std::string linkPath;  // a symbolic link to the pseudo-terminal, removed at exit
    std::string logPath;   // one JSON line per request
    bool wireTiming = false;
    bool echo = false;  // the line repeats each request byte back, as an echoing RS-485 adapter
    int turnaroundMs = 0;
    bool version = false;  // --version: say it and exit, serving nothing

    // Every sensor on the line, the first one first.
    std::vector<SensorConfig> Sensors() const;
};

// Parses argv (without the program name). On a bad option returns nothing and sets `error`;
// `--help` returns nothing with an empty error.
std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args, std::string& error);

std::string SimUsage();
