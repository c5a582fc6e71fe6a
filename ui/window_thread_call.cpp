// SPDX-License-Identifier: GPL-3.0-or-later
#include "window_thread_call.h"

#include <QMetaObject>

bool WindowThreadCall::Call(std::function<void()> function) {
    std::unique_lock lock(mutex_);
    if (closed_)
        return false;
    const uint64_t ticket = ++issued_;
    QMetaObject::invokeMethod(
        window_, [this, ticket, function = std::move(function)] { Run(ticket, function); },
        Qt::QueuedConnection);
    finished_.wait(lock, [&] { return done_ >= ticket || closed_; });
    return done_ >= ticket;
}

void WindowThreadCall::Run(uint64_t ticket, const std::function<void()>& function) {
    {
        // Taking the lock also makes the worker's writes before Call visible here.
        std::lock_guard lock(mutex_);
        if (closed_)
            return;
    }
    function();
    {
        std::lock_guard lock(mutex_);
        done_ = ticket;
    }
    finished_.notify_all();
}

void WindowThreadCall::Close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    finished_.notify_all();
}

void WindowThreadCall::Open() {
    std::lock_guard lock(mutex_);
    closed_ = false;
}
