// SPDX-License-Identifier: GPL-3.0-or-later
// One field of a CSV row, for every CSV this system writes (tessalyctl's monitor, the window's
// saved traffic log), so that a spreadsheet or a script reads each of them the same way.
#pragma once

#include <string>
#include <string_view>

// The field as RFC 4180 wants it: in quotes, its quotes doubled, when it holds a comma, a quote, a
// carriage return or a line feed. A port can be named anything a file can (a symbolic link), so
// bytes that are not UTF-8 become U+FFFD, as in the JSON written about it.
std::string CsvField(std::string_view text);
