// SPDX-License-Identifier: GPL-3.0-or-later
// Windows asks a window program to end with a close message (the session ending, Task Manager),
// which reaches the main window as its close button does; there is no signal to take.
#include "quit_signals.h"

void HoldQuitSignals() {}

void CloseWindowsOnQuitSignals() {}
