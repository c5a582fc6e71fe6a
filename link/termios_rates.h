// SPDX-License-Identifier: GPL-3.0-or-later
// Baud rates as termios speed constants and back, for the POSIX serial backend and the simulator.
#pragma once

#include <termios.h>

// B0 for a rate termios cannot set.
speed_t TermiosSpeed(int baudRate);
// 0 for a speed constant not in the table.
int BaudOfSpeed(speed_t speed);
