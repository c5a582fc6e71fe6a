// SPDX-License-Identifier: GPL-3.0-or-later
#include "interrupt.h"

#include <signal.h>

#include <cerrno>
#include <ctime>

void IgnoreBrokenPipe() {
    signal(SIGPIPE, SIG_IGN);
}

struct InterruptWatch::Platform {
    sigset_t signals;
    sigset_t previous;
};

InterruptWatch::InterruptWatch() : platform_(std::make_unique<Platform>()) {
    sigemptyset(&platform_->signals);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&platform_->signals, signal);
    sigprocmask(SIG_BLOCK, &platform_->signals, &platform_->previous);
}

InterruptWatch::~InterruptWatch() {
    sigprocmask(SIG_SETMASK, &platform_->previous, nullptr);
}

bool InterruptWatch::Requested() {
    return WaitUntil(std::chrono::steady_clock::time_point{});
}

bool InterruptWatch::WaitUntil(std::chrono::steady_clock::time_point deadline) {
    using namespace std::chrono;
    while (!requested_) {
        const auto left = deadline - steady_clock::now();
        const auto ns = left > nanoseconds::zero() ? duration_cast<nanoseconds>(left).count() : 0;
        const timespec timeout{static_cast<time_t>(ns / 1000000000),
                               static_cast<long>(ns % 1000000000)};
        if (sigtimedwait(&platform_->signals, nullptr, &timeout) >= 0)
            requested_ = true;
        else if (errno != EINTR)
            break;  // EAGAIN: the deadline passed
    }
    return requested_;
}
