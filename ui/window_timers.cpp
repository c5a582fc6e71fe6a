// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_timers.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimerEvent>
#include <algorithm>
#include <utility>

void WindowTimers::Set(int timerId, int periodMs) {
    Kill(timerId);
    timers_[timerId] = window_->startTimer(Win32TimerPeriod(periodMs), Qt::PreciseTimer);
}

void WindowTimers::Kill(int timerId) {
    if (auto it = timers_.find(timerId); it != timers_.end()) {
        window_->killTimer(it->second);
        timers_.erase(it);
    }
}

// A tick against a silent sensor blocks for seconds, and an overdue timer must not run a second
// one before the input that came meanwhile. Qt's own loop may serve the overdue timer first, so
// pending input is handled here, and the tick runs only if its timer survived it.
bool WindowTimers::Dispatch(QTimerEvent* event) {
    const auto timer = std::find_if(timers_.begin(), timers_.end(), [&](const auto& entry) {
        return entry.second == event->timerId();
    });
    if (timer == timers_.end())
        return false;
    const auto [windowId, qtId] = *timer;
    inTick_ = true;
    QCoreApplication::processEvents(QEventLoop::X11ExcludeTimers);
    const auto still = timers_.find(windowId);
    if (still != timers_.end() && still->second == qtId)
        onTimer_(windowId);
    inTick_ = false;
    // Queued from here, they run once this handler has returned and the timer is free again.
    for (auto& show : std::exchange(afterTick_, {}))
        QMetaObject::invokeMethod(window_, std::move(show), Qt::QueuedConnection);
    return true;
}

void WindowTimers::OutsideTick(std::function<void()> show) {
    if (inTick_)
        afterTick_.push_back(std::move(show));
    else
        show();
}
