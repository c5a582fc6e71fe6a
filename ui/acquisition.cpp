// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition.h"

bool Acquisition::Open(LinkState& link, const LineSettings& line) {
    line_.emplace(link, line);
    if (!line_->open())
        line_.reset();
    return running();
}

void Acquisition::Stop() {
    timers_.Kill(ACQUIRE_TIMER_ID);
    line_.reset();
}

Result Acquisition::Read(int address) {
    line_->Recover();
    // The line is purged before the request, so that a late reply to the previous tick is not
    // taken for this one.
    return line_->ReadMeasurement(address);
}
