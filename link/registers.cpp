#include "registers.h"

#include <cstdio>

int TransactRow(const RegisterRow& row, int address) {
    return TransactRow(row, address, row.value);
}

int TransactRow(const RegisterRow& row, int address, int value) {
    return Transact(address, row.function, row.reg, value, REPLY_LENGTH, row.budgetMs);
}

double MeasurementValue(int word) {
    const int tenths = word < 0x8000 ? word : 0x8000 - word;
    return tenths * 0.1;
}

std::string MeasurementText(int word) {
    char text[32];
    std::snprintf(text, sizeof text, "%0.1f", MeasurementValue(word));
    return text;
}

int TurnsValue(int word) {
    return word % 256;
}
