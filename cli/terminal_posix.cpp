// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/ioctl.h>
#include <unistd.h>

#include "progress.h"

int StderrColumns() {
    winsize size{};
    if (!isatty(STDERR_FILENO))
        return 0;
    // A terminal that does not say its size is taken as the classic 80 columns.
    return ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}
