// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_timers.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimerEvent>
#include <algorithm>

void WindowTimers::Set(int timerId, int periodMs) {
    Kill(timerId);
    timers_.emplace(timerId,
                    Timer{window_->startTimer(Win32TimerPeriod(periodMs), Qt::PreciseTimer)});
}

void WindowTimers::Kill(int timerId) {
    if (auto it = timers_.find(timerId); it != timers_.end()) {
        window_->killTimer(it->second.qtId);
        timers_.erase(it);
    }
}

// Qt does not fire a timer again until its event handler has returned, so a tick run inside the
// handler would hold its own timer for as long as anything the tick lets run (a box opened by the
// input handled below) stays open. The handler only queues the tick; a tick already queued is not
// queued twice.
bool WindowTimers::Dispatch(QTimerEvent* event) {
    const auto timer = std::find_if(timers_.begin(), timers_.end(), [&](const auto& entry) {
        return entry.second.qtId == event->timerId();
    });
    if (timer == timers_.end())
        return false;
    if (!std::exchange(timer->second.tickQueued, true))
        QMetaObject::invokeMethod(
            window_,
            [this, windowId = timer->first, qtId = event->timerId()] { RunTick(windowId, qtId); },
            Qt::QueuedConnection);
    return true;
}

// A tick against a silent sensor blocks for seconds, and the input that came meanwhile is
// handled before the next tick: Qt may serve the overdue timer first, so pending input is handled
// here, and the tick runs only if its timer survived it. A modal box opened by that input runs its
// own loop, in which the ticks go on; when it closes, this tick has been overtaken and is dropped.
void WindowTimers::RunTick(int timerId, int qtId) {
    const auto current = [&]() -> Timer* {
        const auto it = timers_.find(timerId);
        return it != timers_.end() && it->second.qtId == qtId ? &it->second : nullptr;
    };
    Timer* timer = current();
    if (!timer)
        return;
    timer->tickQueued = false;
    const uint64_t ticks = timer->ticks;
    QCoreApplication::processEvents(QEventLoop::X11ExcludeTimers);
    timer = current();
    if (!timer || timer->ticks != ticks)
        return;
    ++timer->ticks;
    onTimer_(timerId);
}
