// SPDX-License-Identifier: GPL-3.0-or-later
// Lets a worker thread run a function on the window's thread and wait until it has run: the
// search worker's progress notification and its message box. The hand-over is built on standard
// mutexes so that ThreadSanitizer sees it (Qt's own event-queue locks are invisible to it).
#pragma once

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

class WindowThreadCall {
public:
    explicit WindowThreadCall(QObject* window) : window_(window) {}

    // Worker side. Runs `function` on the window's thread and returns true once it has run;
    // returns false at once (running nothing) when the call is closed, and a waiting worker
    // returns false when it is closed meanwhile.
    bool Call(std::function<void()> function);

    // Window side: stop running calls and release a waiting worker (the window is closing).
    void Close();
    // Window side: accept calls again (a new worker is starting).
    void Open();

private:
    void Run(uint64_t ticket, const std::function<void()>& function);

    QObject* window_;
    std::mutex mutex_;
    std::condition_variable finished_;
    bool closed_ = false;
    uint64_t issued_ = 0;
    uint64_t done_ = 0;
};
