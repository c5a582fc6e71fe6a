// SPDX-License-Identifier: GPL-3.0-or-later
// What tessalyctl writes: results on stdout as text or JSON Lines, errors and the trace on stderr.
#pragma once

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>

#include "exchange.h"
#include "sensor_line.h"

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

// Reports a port that would not open ("tessalyctl: COM1 (/dev/ttyUSB0): permission denied; ...")
// and returns the exit status for it.
int ReportPortFailure(const LineSettings& line, const PortOpening& opening);

// Reports an exchange that failed ("tessalyctl: COM1 (/dev/pts/3): address 3 at 9600 baud: no
// reply") and returns the exit status for it.
int ReportExchangeFailure(const ExchangeRecord& exchange, int address);

// --trace: every frame on stderr, one line each; the observer of the run's ExchangeWatch.
void TraceExchange(const ExchangeRecord& record);
