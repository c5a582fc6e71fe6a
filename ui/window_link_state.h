// SPDX-License-Identifier: GPL-3.0-or-later
// What the window keeps of its acquisition and its search between handlers: the counters, and the
// search's parameters and progress. The search worker writes the probe fields and the outcome
// before each notification and waits while the window's thread reads them.
#pragma once

#include <atomic>

enum SearchOutcome { Probing = 0, Found = 1, Exhausted = 2 };

struct WindowLinkState {
    int failCount = 0;  // failed acquisition ticks since acquisition last started
    int okCount = 0;    // successful acquisition ticks since acquisition last started
    // 1 while the operator wants a search to run; only the operator's stop clears it. The worker
    // polls it from another thread.
    std::atomic<int> searchRunning{0};
    SearchOutcome searchOutcome = Probing;  // of the latest search notification
    int scanTo = 0;                         // last address of the search range, inclusive
    int scanFrom = 0;
    int portNumber = 0;    // n of the COMn the search uses
    int probeAddress = 0;  // of the latest probe; after Found, the address that answered
    int probeBaud = 0;     // of the latest probe; after Found, the rate that answered
    int scan9600 = 0;      // scan box states as read at search start; probed only when exactly 1
    int scan4800 = 0;
    int scan2400 = 0;
    int scan1200 = 0;
};
