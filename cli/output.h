// SPDX-License-Identifier: GPL-3.0-or-later
// What tessalyctl writes: results on stdout as text or JSON Lines, errors and the trace on stderr.
#pragma once

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>

#include "exchange.h"
#include "options.h"
#include "sensor_line.h"

using Json = nlohmann::ordered_json;

// ISO 8601 in UTC with milliseconds: 2026-12-07T02:57:45.123Z.
std::string IsoTime(std::chrono::system_clock::time_point time);

// One JSON object on a line of its own, flushed at once so that a reader sees it when it happens.
// Both return false once stdout takes nothing more (its reader went away).
bool PrintJson(const nlohmann::ordered_json& object);
// One text line on stdout, flushed.
bool PrintLine(const std::string& text);
// `text` padded to a column `width` wide, and always followed by a space: a long device path stays
// whole and apart from the next column, which it only pushes along.
std::string TextColumn(const std::string& text, size_t width);

// "tessalyctl: message" on stderr.
void PrintError(const std::string& message);

// The measurement word in amperes, exactly as the window shows it ("%0.1f"), as a number.
double CurrentAmperes(int word);

// With --json every result is one object, success or failure, that a script reads without the
// text: {"ok", "port", "baud", "address"}, then what was asked (`asked`: the command and, for a
// write, its value), then the result's own keys. `address` and `baud` are null where a result has
// none (a search that found nobody).
Json ResultJson(bool ok, const LineSettings& line, const Json& address, const Json& asked);

// A failure: "tessalyctl: message" on stderr for people and, with --json, the result's object with
// "error" (the message) and "cause" (the exchange's cause or the port's reason) on stdout.
// Returns `status`.
int ReportFailure(const GlobalOptions& o, const Json& failed, const std::string& message,
                  const std::string& cause, int status);

// A port that would not open ("tessalyctl: COM1 (/dev/ttyUSB0): permission denied; ..."): exit
// status 3.
int ReportPortFailure(const GlobalOptions& o, const Json& asked, const LineSettings& line,
                      const PortOpening& opening);

// An exchange that failed ("tessalyctl: COM1 (/dev/pts/3): address 3 at 9600 baud: no reply"):
// exit status 1.
int ReportExchangeFailure(const GlobalOptions& o, const Json& asked, const ExchangeRecord& exchange,
                          int address);

// --trace: every frame on stderr, one line each; the observer of the run's ExchangeWatch.
void TraceExchange(const ExchangeRecord& record);
