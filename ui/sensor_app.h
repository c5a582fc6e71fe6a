// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: runs the main window modally; the process ends when it closes.
#pragma once

class CSensorApp {
public:
    // Runs the main window to its end. Returns false: there is nothing to do afterwards.
    bool InitInstance();
};

// Process-wide set-up of the Qt application the window runs in.
void ConfigureApplication();
