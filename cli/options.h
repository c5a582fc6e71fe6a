// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl's command line: the global options, the command and its own options, checked against
// the sensor's ranges before anything reaches the line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "search.h"
#include "sensor_line.h"

// The exit statuses, for scripts.
enum ExitStatus {
    EXIT_DONE = 0,
    EXIT_SENSOR = 1,  // the sensor did not answer, or refused
    EXIT_USAGE = 2,   // a bad command line: nothing was sent
    EXIT_PORT = 3,    // the port could not be opened
};

inline constexpr int COM_PORT_COUNT = 10;  // COM1 ... COM10, as the window lists them

enum class Command {
    Ports,
    Search,
    Read,
    ReadTurns,
    Monitor,
    SetAddress,
    SetBaud,
    SetTurns,
    Zero,
    Calibrate,
};

enum class Format { Text, Csv, Json };

struct SearchOptions {
    std::vector<int> rates = SEARCH_RATES;
    int from = 0;
    int to = ADDRESS_MAX;
    bool all = false;
    int probeMs = SHORT_WAIT_MS;
    bool fast = false;
    int turnaroundMs = 50;
};

struct MonitorOptions {
    int periodMs = 500;
    long count = 0;  // 0: until interrupted
    Format format = Format::Text;
};

struct CliOptions {
    LineSettings line;  // the window's defaults: COM1 at 9600
    int address = 0;
    bool trace = false;
    bool json = false;
    bool quiet = false;
    Command command = Command::Read;
    int value = 0;  // set address / baud / turns: the new value
    bool verify = false;
    SearchOptions search;
    MonitorOptions monitor;
};

// Parses the command line. Returns the status to end with at once (after --help, --version or a
// usage error, which it has reported), or nothing when the command should run.
std::optional<int> ParseCommandLine(int argc, char** argv, CliOptions& options);
