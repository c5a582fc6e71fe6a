// SPDX-License-Identifier: GPL-3.0-or-later
#include "termios_rates.h"

#include <utility>

namespace {
constexpr std::pair<int, speed_t> kRates[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};
}  // namespace

speed_t TermiosSpeed(int baudRate) {
    for (auto [baud, speed] : kRates)
        if (baud == baudRate)
            return speed;
    return B0;
}

int BaudOfSpeed(speed_t speed) {
    for (auto [baud, s] : kRates)
        if (s == speed)
            return baud;
    return 0;
}
