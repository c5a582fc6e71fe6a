// SPDX-License-Identifier: GPL-3.0-or-later
// A line for ReceiveReply whose bytes arrive in given chunks: each wait lets chunks arrive until it
// has what it waits for or none are left (its budget ran out). For arrivals no simulator makes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <vector>

#include "exchange.h"

class ScriptedLine {
public:
    explicit ScriptedLine(std::vector<std::vector<uint8_t>> chunks) : chunks_(std::move(chunks)) {}

    ReplySource Source() {
        return {[this](int count, int) {
                    ++waits;
                    while (static_cast<int>(queue_.size()) < count && next_ < chunks_.size()) {
                        const std::vector<uint8_t>& chunk = chunks_[next_++];
                        queue_.insert(queue_.end(), chunk.begin(), chunk.end());
                    }
                    return static_cast<int>(queue_.size());
                },
                [this](uint8_t* bytes, int length) {
                    ++reads;
                    const int count = std::min(length, static_cast<int>(queue_.size()));
                    std::copy_n(queue_.begin(), count, bytes);
                    queue_.erase(queue_.begin(), queue_.begin() + count);
                    return count;
                }};
    }

    int waits = 0;
    int reads = 0;

private:
    std::vector<std::vector<uint8_t>> chunks_;
    size_t next_ = 0;
    std::deque<uint8_t> queue_;
};
