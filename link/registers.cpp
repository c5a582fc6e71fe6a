// SPDX-License-Identifier: GPL-3.0-or-later
#include "registers.h"

#include <charconv>

#include "link_state.h"

ExchangeRecord TransactRowOn(LinkState& link, const RegisterRow& row, int address, int value) {
    return TransactOn(link, address, row.function, row.reg, value, REPLY_LENGTH, row.budgetMs);
}

double MeasurementValue(int word) {
    const int tenths = word < 0x8000 ? word : 0x8000 - word;
    return tenths * 0.1;
}

// "%0.1f" with a decimal point whatever the process's locale: printf would follow LC_NUMERIC,
// which a Qt program takes from the environment ("12,3" under a German locale).
std::string MeasurementText(int word) {
    char text[32];
    const auto end =
        std::to_chars(text, text + sizeof text, MeasurementValue(word), std::chars_format::fixed, 1)
            .ptr;
    return std::string(text, end);
}

int TurnsValue(int word) {
    return word % 256;
}
