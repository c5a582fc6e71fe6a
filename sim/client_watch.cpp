// SPDX-License-Identifier: GPL-3.0-or-later
#include "client_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include "port_info.h"

ClientWatch::ClientWatch(const std::string& ptyPath) : path_(ptyPath) {
    fd_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (fd_ >= 0 && inotify_add_watch(fd_, ptyPath.c_str(), IN_CLOSE) < 0) {
        close(fd_);
        fd_ = -1;
    }
}

ClientWatch::~ClientWatch() {
    if (fd_ >= 0)
        close(fd_);
}

// The closes are not counted against the opens: inotify merges an event into the one before it
// while neither has been read, so two clients that open at once are one open. Who holds the line
// is asked of the system instead (processes of another user may hide from an ordinary user).
bool ClientWatch::LastClientGone() {
    alignas(inotify_event) char buffer[4096];
    bool closed = false;
    while (fd_ >= 0 && read(fd_, buffer, sizeof buffer) > 0)
        closed = true;
    if (!closed)
        return false;
    const auto holders = PortHolders(path_);
    return !holders || holders->empty();
}
