// SPDX-License-Identifier: GPL-3.0-or-later
#include "client_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>

ClientWatch::ClientWatch(const std::string& ptyPath) {
    fd_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (fd_ >= 0 && inotify_add_watch(fd_, ptyPath.c_str(), IN_OPEN | IN_CLOSE) < 0) {
        close(fd_);
        fd_ = -1;
    }
}

ClientWatch::~ClientWatch() {
    if (fd_ >= 0)
        close(fd_);
}

bool ClientWatch::LastClientGone() {
    // An open the line refused (busy) is no open and has no close.
    alignas(inotify_event) char buffer[4096];
    bool closed = false;
    for (;;) {
        const ssize_t n = fd_ >= 0 ? read(fd_, buffer, sizeof buffer) : -1;
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            if (event.mask & IN_OPEN)
                ++clients_;
            if ((event.mask & IN_CLOSE) && clients_ > 0) {
                --clients_;
                closed = true;
            }
            at += static_cast<ssize_t>(sizeof event + event.len);
        }
    }
    return closed && clients_ == 0;
}
