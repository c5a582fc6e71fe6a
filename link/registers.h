// SPDX-License-Identifier: GPL-3.0-or-later
// Which register each operator action touches, and how the words that come back are shown.
#pragma once

#include <array>
#include <string>

#include "exchange.h"

inline constexpr int FUNCTION_READ = 0x04;   // read input registers
inline constexpr int FUNCTION_WRITE = 0x06;  // write single register

inline constexpr int REGISTER_MEASUREMENT = 0;
inline constexpr int REGISTER_TURNS = 2;
inline constexpr int REGISTER_ADDRESS = 4;
inline constexpr int REGISTER_BAUD = 6;
inline constexpr int REGISTER_ZERO = 8;
inline constexpr int REGISTER_CALIBRATE = 10;

inline constexpr int CALIBRATION_WORD = 0x3C96;
inline constexpr int TURNS_MIN = 1;
inline constexpr int TURNS_MAX = 10;
inline constexpr int ADDRESS_MIN = 0;
inline constexpr int ADDRESS_MAX = 255;

// The rates the sensor talks at, in the order of the window's baud lists.
inline constexpr std::array<int, 5> SENSOR_RATES = {1200, 2400, 4800, 9600, 19200};

// Where a rate stands in SENSOR_RATES; -1 for a rate the sensor does not have.
constexpr int BaudIndex(int baud) {
    for (int i = 0; i < static_cast<int>(SENSOR_RATES.size()); ++i)
        if (SENSOR_RATES[i] == baud)
            return i;
    return -1;
}

constexpr bool AddressInRange(int address) {
    return address >= ADDRESS_MIN && address <= ADDRESS_MAX;
}

// One operator action as one exchange: function, register, the value sent (for writes whose value
// the operator gives, the caller passes it) and the wait budget.
struct RegisterRow {
    int function;
    int reg;
    int value;
    int budgetMs;
};

inline constexpr RegisterRow READ_MEASUREMENT{FUNCTION_READ, REGISTER_MEASUREMENT, 1, LONG_WAIT_MS};
inline constexpr RegisterRow SEARCH_PROBE{FUNCTION_READ, REGISTER_MEASUREMENT, 1, SHORT_WAIT_MS};
inline constexpr RegisterRow READ_TURNS{FUNCTION_READ, REGISTER_TURNS, 1, LONG_WAIT_MS};
inline constexpr RegisterRow WRITE_TURNS{FUNCTION_WRITE, REGISTER_TURNS, 0, LONG_WAIT_MS};
inline constexpr RegisterRow WRITE_ADDRESS{FUNCTION_WRITE, REGISTER_ADDRESS, 0, LONG_WAIT_MS};
inline constexpr RegisterRow WRITE_BAUD{FUNCTION_WRITE, REGISTER_BAUD, 0, LONG_WAIT_MS};
inline constexpr RegisterRow ZERO{FUNCTION_WRITE, REGISTER_ZERO, 0, LONG_WAIT_MS};
inline constexpr RegisterRow CALIBRATE{FUNCTION_WRITE, REGISTER_CALIBRATE, CALIBRATION_WORD,
                                       LONG_WAIT_MS};

// Runs a row on the caller's link, with the row's own value for a read or the operator's for a
// write.
ExchangeRecord TransactRowOn(LinkState& link, const RegisterRow& row, int address, int value);

// The measurement word is sign and magnitude in tenths: 0x8005 is -0.5, 0x8000 is 0.0.
double MeasurementValue(int word);
std::string MeasurementText(int word);  // "%0.1f"

// The turns count is the low byte of the turns word.
int TurnsValue(int word);
