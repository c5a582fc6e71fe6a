// SPDX-License-Identifier: GPL-3.0-or-later
// Where exchanges made on any thread wait for the traffic log, which takes them on the window's
// thread. Posting never waits for the window: a search worker reports its probe and goes on.
#pragma once

#include <mutex>
#include <vector>

#include "exchange.h"

class ExchangeInbox {
public:
    // Any thread. True when the inbox was waiting for nobody: the caller should wake the taker
    // once; further posts before the next Take need no wake-up.
    bool Post(const ExchangeRecord& record);
    // The window's thread: everything posted so far, oldest first.
    std::vector<ExchangeRecord> Take();

private:
    std::mutex mutex_;
    std::vector<ExchangeRecord> records_;
    bool wakePending_ = false;
};
