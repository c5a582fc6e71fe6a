// SPDX-License-Identifier: GPL-3.0-or-later
#include "interrupt.h"

#include <cerrno>
#include <ctime>

InterruptWatch::InterruptWatch() {
    sigemptyset(&signals_);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&signals_, signal);
    sigprocmask(SIG_BLOCK, &signals_, &previous_);
}

InterruptWatch::~InterruptWatch() {
    sigprocmask(SIG_SETMASK, &previous_, nullptr);
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
        if (sigtimedwait(&signals_, nullptr, &timeout) >= 0)
            requested_ = true;
        else if (errno != EINTR)
            break;  // EAGAIN: the deadline passed
    }
    return requested_;
}
