// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include "progress.h"

int StderrColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
        return 0;  // a file or a pipe
    return info.srWindow.Right - info.srWindow.Left + 1;
}
