// SPDX-License-Identifier: GPL-3.0-or-later
// What every kind of line times the same, inside the link: the time-outs a Win32 port gets
// (COMMTIMEOUTS), which the POSIX and remote backends keep too, and the time left to a deadline.
#pragma once

#include <chrono>

namespace port_timing {

using Clock = std::chrono::steady_clock;

// In milliseconds.
constexpr int kReadIntervalMs = 100;
constexpr int kReadPerByteMs = 5;
constexpr int kReadConstantMs = 5;
constexpr int kWritePerByteMs = 50;
constexpr int kWriteConstantMs = 100;

// The whole milliseconds left until the deadline, rounded up; 0 once it has passed.
inline int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace port_timing
