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

// What became of a line written on standard output.
enum class Written {
    Yes,
    ReaderGone,  // a pipe whose reader went away (| head): a quiet end of the output
    Failed,      // the output could not be written (a full disk): said on stderr here, exit 4
};

// One JSON object on a line of its own, flushed at once so that a reader sees it when it happens.
Written PrintJson(const nlohmann::ordered_json& object);
// One text line on stdout, flushed.
Written PrintLine(const std::string& text);
// Text as it is (a help ends in its own newline), flushed with whatever stdout still held.
Written PrintText(const std::string& text);
// `status`, unless the output failed: then EXIT_OUTPUT.
int StatusAfter(Written written, int status);
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
// "error" (the message) and "cause" (a code: the exchange's cause, the port's reason, or the
// command's own such as "not_taken") on stdout. Returns `status`, or EXIT_OUTPUT when the object
// could not be written.
int ReportFailure(const GlobalOptions& o, const Json& failed, const std::string& message,
                  const Json& cause, int status);

// A port that would not open ("tessalyctl: COM1 (/dev/ttyUSB0): permission denied; ..."): exit
// status 3.
int ReportPortFailure(const GlobalOptions& o, const Json& asked, const LineSettings& line,
                      const PortOpening& opening);

// The JSON that says why an exchange failed: its cause's code and, for an exception reply, its
// code ("exception_code").
Json CauseJson(const ExchangeRecord& exchange);

// An exchange that failed ("tessalyctl: COM1 (/dev/pts/3): address 3 at 9600 baud: no reply"):
// exit status 1.
int ReportExchangeFailure(const GlobalOptions& o, const Json& asked, const ExchangeRecord& exchange,
                          int address);

// --trace: every frame on stderr, one line each; the observer of the run's ExchangeWatch.
void TraceExchange(const ExchangeRecord& record);
