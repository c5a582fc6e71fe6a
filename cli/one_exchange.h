// SPDX-License-Identifier: GPL-3.0-or-later
// What the commands of one exchange (read, set, zero, calibrate) share: the line opened for the
// exchange and closed after it, the failures reported in one way, a write's confirmation.
#pragma once

#include <functional>
#include <string>

#include "options.h"

// Opens the line, makes the exchange and, when the sensor accepted, hands the result to `done`,
// whose status is returned. A port that will not open and an exchange that fails are reported
// here. A stop that comes meanwhile takes effect once the port is closed again: the port is never
// left held (or exclusive) by a program that died with it open.
int RunExchange(const GlobalOptions& o, const std::function<Result(SensorLine&)>& exchange,
                const std::function<int(SensorLine&, const Result&)>& done);

// A write with nothing to read back (zero, calibrate): `confirmation` ("zeroed") once the sensor
// acknowledged it.
int RunWrite(const GlobalOptions& o, Result (SensorLine::*write)(int address),
             const std::string& confirmation);

// A write the sensor acknowledged: "address set to 9", with "; verified: reads 12.3 A" after a
// read-back, or {"ok":true} with "verified":true.
int PrintWritten(const GlobalOptions& o, const std::string& confirmation, bool verify,
                 const std::string& verified);

// --verify: the sensor acknowledged `expected` ("address 17"), but the read-back at this address
// failed.
int ReportNotTaken(const ExchangeRecord& readBack, const std::string& expected, int address);
