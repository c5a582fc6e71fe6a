// SPDX-License-Identifier: GPL-3.0-or-later
// The window asked to end by a signal (Ctrl-C in its terminal, `kill`, the terminal closing, and
// every other signal whose default would end it) ends as its close button ends it: a process
// killed mid-acquisition would leave the port's exclusive flag set, and every later open refused
// as busy while anything else holds the tty.
#pragma once

// First thing in main, before any thread starts (the platform's own included): those signals no
// longer end the process where they land, but wait to be taken as below; a write over the file
// size limit fails instead of raising SIGXFSZ.
void HoldQuitSignals();

// From now on those signals close every window of the application, on the window's thread, so the
// main window stops its workers and releases the port before the process ends. Needs the
// application object; a second call changes nothing.
void CloseWindowsOnQuitSignals();
