// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator holds its pseudo-terminal's slave side open, so the kernel never resets the line
// when a client goes: a client killed with its exclusive flag set would leave the line "busy"
// until the simulator restarts, where a real adapter is reset by its last close. This watch counts
// the clients' opens and closes of the slave side, so that the simulator can clear what the last
// one left.
#pragma once

#include <string>

class ClientWatch {
public:
    // Watches `ptyPath` from now on: opens made before (the simulator's own) are not counted.
    explicit ClientWatch(const std::string& ptyPath);
    ~ClientWatch();
    ClientWatch(const ClientWatch&) = delete;
    ClientWatch& operator=(const ClientWatch&) = delete;

    // Readable when opens or closes have happened; -1 when the system cannot watch.
    int fd() const { return fd_; }
    // Takes the pending opens and closes; true when, after them, no client holds the line.
    bool LastClientGone();

private:
    int fd_ = -1;
    int clients_ = 0;
};
