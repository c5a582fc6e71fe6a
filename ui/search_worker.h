// SPDX-License-Identifier: GPL-3.0-or-later
// The search's worker thread and its hand-over to the window: the worker runs a body that may call
// into the window's thread and wait there (its notifications, its message box); when the body has
// returned, the window hears of it on its own thread, once per worker.
#pragma once

#include <QObject>
#include <functional>
#include <thread>

#include "window_thread_call.h"

class SearchWorker {
public:
    explicit SearchWorker(QObject* window) : window_(window), call_(window) {}
    ~SearchWorker() { Stop(); }

    // Starts `body` on a new thread (after joining a worker that has ended); `ended` then runs on
    // the window's thread with the body's result, unless a newer worker started or Stop came first.
    void Start(std::function<int()> body, std::function<void(int)> ended);
    // True while the thread exists: it may still be finishing a stopped search.
    bool running() const { return thread_.joinable(); }
    // Worker side: runs `function` on the window's thread and waits for it; false once stopped.
    bool Call(std::function<void()> function) { return call_.Call(std::move(function)); }
    // Window side: releases a worker waiting in Call and joins it (the window is closing).
    void Stop();

private:
    QObject* window_;
    WindowThreadCall call_;
    std::thread thread_;
    unsigned generation_ = 0;
};
