// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange_inbox.h"

bool ExchangeInbox::Post(const ExchangeRecord& record) {
    std::lock_guard lock(mutex_);
    records_.push_back(record);
    const bool wake = !wakePending_;
    wakePending_ = true;
    return wake;
}

std::vector<ExchangeRecord> ExchangeInbox::Take() {
    std::vector<ExchangeRecord> taken;
    std::lock_guard lock(mutex_);
    taken.swap(records_);
    wakePending_ = false;
    return taken;
}
