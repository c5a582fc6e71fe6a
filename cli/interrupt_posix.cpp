// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "interrupt.h"
#include "process_safety.h"

void IgnoreBrokenPipe() {
    signal(SIGPIPE, SIG_IGN);
}

namespace {

// A pipe whose reader went away, or a terminal that hung up, says so without our writing to it.
bool Gone(const pollfd& watched) {
    return watched.revents != 0;
}

}  // namespace

struct InterruptWatch::Platform {
    sigset_t signals;
    sigset_t previous;
    int fd = -1;  // readable once one of the signals is pending
};

InterruptWatch::InterruptWatch() : platform_(std::make_unique<Platform>()) {
    platform_->signals = StopSignals();
    sigprocmask(SIG_BLOCK, &platform_->signals, &platform_->previous);
    platform_->fd = signalfd(-1, &platform_->signals, SFD_CLOEXEC | SFD_NONBLOCK);
}

InterruptWatch::~InterruptWatch() {
    if (platform_->fd >= 0)
        close(platform_->fd);
    sigprocmask(SIG_SETMASK, &platform_->previous, nullptr);
}

int InterruptWatch::Descriptor() const {
    return platform_->fd;
}

bool InterruptWatch::Pending() const {
    pollfd signal{platform_->fd, POLLIN, 0};
    return requested_ || (platform_->fd >= 0 && poll(&signal, 1, 0) > 0);
}

bool InterruptWatch::Requested() {
    return WaitUntil(std::chrono::steady_clock::time_point{});
}

bool InterruptWatch::WaitUntil(std::chrono::steady_clock::time_point deadline) {
    using namespace std::chrono;
    // A standard stream that was never open has no reader to lose.
    const auto output = [](int fd) { return fcntl(fd, F_GETFD) >= 0 ? fd : -1; };
    pollfd watched[] = {
        {platform_->fd, POLLIN, 0}, {output(STDOUT_FILENO), 0, 0}, {output(STDERR_FILENO), 0, 0}};
    while (!requested_) {
        const auto left = ceil<milliseconds>(deadline - steady_clock::now()).count();
        const int ready =
            poll(watched, 3, left > 0 ? static_cast<int>(std::min<long long>(left, INT_MAX)) : 0);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;  // the deadline passed
        if (watched[0].revents & POLLIN)
            Take();
        requested_ = requested_ || Gone(watched[1]) || Gone(watched[2]);
    }
    return requested_;
}

// Taken here, so that it is not raised again when the signals are unblocked.
void InterruptWatch::Take() {
    signalfd_siginfo taken;
    if (platform_->fd >= 0 && read(platform_->fd, &taken, sizeof taken) == sizeof taken) {
        signal_ = signal_ ? signal_ : static_cast<int>(taken.ssi_signo);
        requested_ = true;
    }
}

int InterruptWatch::ExitStatus(int status) {
    Take();
    return signal_ ? 128 + signal_ : status;
}
