// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl's command line: the global options, and what each command's file needs to add its
// own command (its options checked against the sensor's ranges before anything reaches the line).
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sensor_line.h"

// The exit statuses, for scripts.
enum ExitStatus {
    EXIT_DONE = 0,
    EXIT_SENSOR = 1,  // the sensor did not answer, or refused
    EXIT_USAGE = 2,   // a bad command line: nothing was sent
    EXIT_PORT = 3,    // the port could not be opened
    EXIT_OUTPUT = 4,  // the output could not be written (a full disk); the work stopped there
    // A command ended by a signal exits 128 + its number (130 for Ctrl-C), after its summary.
};

inline constexpr int COM_PORT_COUNT = 10;  // COM1 ... COM10, as the window lists them

// The rates a search from a shell tries by default: every rate the sensor has, so that a sensor set
// to 19200 and forgotten is found too. The window keeps its four rate boxes; a shell has none.
inline const std::vector<int> CTL_SEARCH_RATES(SENSOR_RATES.begin(), SENSOR_RATES.end());

// search --fast: the sensor's time to answer unless --turnaround-ms says otherwise.
inline constexpr int SEARCH_TURNAROUND_MS = 50;

// The options every command takes, before or after the command's name.
struct GlobalOptions {
    LineSettings line;              // the window's defaults: COM1 at 9600
    int address = 0;                // the first of `addresses`: the one of every other command
    std::vector<int> addresses{0};  // -a 3,7,200: read and monitor take each in turn
    bool trace = false;
    bool json = false;
    bool quiet = false;
    ExchangeWatch* watch = nullptr;  // with --trace, where every link's exchanges are shown
};

// The command given on the command line, ready to run; returns the exit status.
using CommandRun = std::function<int()>;

// The tool's description, its global options bound to `global`, and the look of its help.
void AddGlobalOptions(CLI::App& app, GlobalOptions& global);

// Parses the command line. Returns the status to end with at once (after --help, --version or a
// usage error, which it has reported), or nothing when the command should run.
std::optional<int> ParseCommandLine(CLI::App& app, const GlobalOptions& global, int argc,
                                    char** argv);

// For the commands' files.

// A command (or a command's command, as in "set address") with its help line and the longer text
// below its options.
CLI::App* AddCommand(CLI::App& parent, const std::string& name, const std::string& help,
                     const std::string& details = {});
// The global options (by their long names) that `command` makes no use of, refused when given on
// the command line with it; the environment's are simply not used.
void Refuses(CLI::App& command, const std::vector<std::string>& globals);
// What a command that opens no line refuses.
inline const std::vector<std::string> LINE_OPTIONS{"--port", "--baud", "--address", "--timeout-ms"};
// `body` becomes what runs when `command` is the one given. CLI11 calls a command's callback only
// when the command was given, once the whole line is parsed and checked; a command's commands are
// called before the command itself.
void RunsWhenGiven(CLI::App& command, CommandRun& run, CommandRun body);
// A whole decimal number in low..high, as the person meant it (CLI11 would read 010 as octal).
CLI::Validator Whole(long low, long high);
// One of `words`: "'xml' is not one of text, csv, json".
CLI::Validator OneOf(const std::vector<std::string>& words);
// monitor --format.
inline const std::vector<std::string> MONITOR_FORMATS{"text", "csv", "json"};
// One of the sensor's rates.
CLI::Validator SensorRate();
// "1200, 2400, 4800, 9600, 19200": every rate of the sensor.
std::string RatesText();
std::string RatesText(const std::vector<int>& rates, const char* separator);
// V1,V2,...: values that each pass `item`, each once, in the order given. Returns the error ("" if
// none).
std::string ParseList(const std::string& text, const CLI::Validator& item,
                      std::vector<int>& values);
// R1,R2,...: rates, each once, in the order to try them. ParseRates returns the error ("" if none).
std::string ParseRates(const std::string& text, std::vector<int>& rates);
CLI::Validator RatesList();
