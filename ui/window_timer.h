// SPDX-License-Identifier: GPL-3.0-or-later
// Window timers keep the limits of Win32 SetTimer, which operators' period settings rely on:
// a period under 10 ms runs at 10 ms, and a negative number (an unsigned value above 0x7FFFFFFF
// to Win32) runs at 0x7FFFFFFF ms.
#pragma once

#include <cstdint>

inline constexpr int USER_TIMER_MINIMUM = 10;
inline constexpr int USER_TIMER_MAXIMUM = 0x7FFFFFFF;

constexpr int Win32TimerPeriod(int requestedMs) {
    const auto period = static_cast<uint32_t>(requestedMs);
    if (period < USER_TIMER_MINIMUM)
        return USER_TIMER_MINIMUM;
    if (period > static_cast<uint32_t>(USER_TIMER_MAXIMUM))
        return USER_TIMER_MAXIMUM;
    return static_cast<int>(period);
}
