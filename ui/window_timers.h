// SPDX-License-Identifier: GPL-3.0-or-later
// The window's timers, numbered as the window knows them (ACQUIRE_TIMER_ID), with two rules of
// the window timers operators know: a tick comes only when no other input waits, so what the
// operator did during a long tick (a stop, a close) is handled before the next one; and a modal
// box or menu open over the window never holds the ticks back, so acquisition goes on while it is
// open.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <map>

class QTimerEvent;

// Operators' period settings rely on the limits of Win32 SetTimer: a period under 10 ms runs at
// 10 ms, and a negative number (an unsigned value above 0x7FFFFFFF to Win32) runs at 0x7FFFFFFF ms.
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

class WindowTimers {
public:
    // `onTimer` handles a tick, with the window's timer id; it runs on the window's thread.
    WindowTimers(QObject* window, std::function<void(int)> onTimer)
        : window_(window), onTimer_(std::move(onTimer)) {}

    // SetTimer and KillTimer: setting an existing id restarts it with the new period.
    void Set(int timerId, int periodMs);
    void Kill(int timerId);

    // Takes the timer event of one of these timers and returns true; false for any other timer.
    bool Dispatch(QTimerEvent* event);

private:
    struct Timer {
        int qtId;
        bool tickQueued = false;
        uint64_t ticks = 0;  // ticks run, to tell whether another ran while this one waited
    };
    void RunTick(int timerId, int qtId);

    QObject* window_;
    std::function<void(int)> onTimer_;
    std::map<int, Timer> timers_;  // by window timer id
};
