// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator holds its pseudo-terminal's slave side open, so the kernel never resets the line
// when a client goes: a client killed with its exclusive flag set would leave the line "busy"
// until the simulator restarts, where a real adapter is reset by its last close. This watch sees
// the clients' closes of the slave side, and then whether any other process still holds it, so
// that the simulator can clear what the last one left.
#pragma once

#include <string>

class ClientWatch {
public:
    explicit ClientWatch(const std::string& ptyPath);
    ~ClientWatch();
    ClientWatch(const ClientWatch&) = delete;
    ClientWatch& operator=(const ClientWatch&) = delete;

    // Readable when closes have happened; -1 when the system cannot watch.
    int fd() const { return fd_; }
    // Takes the pending closes; true when there were some and no client holds the line now.
    bool LastClientGone();

private:
    std::string path_;
    int fd_ = -1;
};
