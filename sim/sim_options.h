// Command line of tessaly-sim.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sensor_engine.h"

struct SimOptions {
    SensorConfig sensor;
    std::string device;    // a real tty to serve instead of a new pseudo-terminal
    std::string linkPath;  // a symbolic link to the pseudo-terminal, removed at exit
    std::string logPath;   // one JSON line per request
    bool wireTiming = false;
    int turnaroundMs = 0;
};

// Parses argv (without the program name). On a bad option returns nothing and sets `error`;
// `--help` returns nothing with an empty error.
std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args, std::string& error);

extern const char* const kSimUsage;
