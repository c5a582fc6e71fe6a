// SPDX-License-Identifier: GPL-3.0-or-later
// What the commands of one exchange (read, set, zero, calibrate) share: the line opened for the
// exchange and closed after it, the failures reported in one way, a write's confirmation.
#pragma once

#include <functional>
#include <string>

#include "options.h"
#include "output.h"

class InterruptWatch;

// Opens the line, runs `work` on it and closes it again; returns work's status, or 128 + a signal's
// number when a stop came meanwhile. A port that will not open is reported here, with `asked` in
// its JSON. Signals are held from before the open until after the close, so that a stop never
// leaves the port held (or exclusive) by a program that died with it open.
int RunOnLine(const GlobalOptions& o, const Json& asked,
              const std::function<int(SensorLine&, InterruptWatch&)>& work);

// Opens the line, makes the exchange and, when the sensor accepted, hands the result to `done`,
// whose status is returned. A port that will not open and an exchange that fails are reported
// here, with `asked` (the command, a write's value) in their JSON. An exchange a stop cut short
// reports nothing.
int RunExchange(const GlobalOptions& o, const Json& asked,
                const std::function<Result(SensorLine&)>& exchange,
                const std::function<int(SensorLine&, const Result&)>& done);

// A write with nothing to read back (zero, calibrate): `confirmation` ("zeroed") once the sensor
// acknowledged it.
int RunWrite(const GlobalOptions& o, const char* command, Result (SensorLine::*write)(int address),
             const std::string& confirmation);

// A result the sensor gave: its JSON object with `fields` after what was asked, or `text`.
int PrintDone(const GlobalOptions& o, const Json& asked, const Json& fields,
              const std::string& text);

// --verify: the sensor acknowledged `expected` ("address 17"), but the read-back at this address
// failed.
int ReportNotTaken(const GlobalOptions& o, const Json& asked, const ExchangeRecord& readBack,
                   const std::string& expected, int address);

// A read-back after an acknowledged write (set --verify, provision): returns the exit status and,
// when the write took, says in `verified` what was read. The new address answers, the new rate
// answers (the port is opened again at it: `sensor` is closed first, the port being exclusive), the
// turns read back as written.
using ReadBack = int (*)(const GlobalOptions& o, const Json& asked, int value, SensorLine& sensor,
                         std::string& verified);
int AddressReadBack(const GlobalOptions& o, const Json& asked, int value, SensorLine& sensor,
                    std::string& verified);
int BaudReadBack(const GlobalOptions& o, const Json& asked, int value, SensorLine& sensor,
                 std::string& verified);
int TurnsReadBack(const GlobalOptions& o, const Json& asked, int value, SensorLine& sensor,
                  std::string& verified);
