// SPDX-License-Identifier: GPL-3.0-or-later
// Ctrl-C as a request to finish rather than a kill: a long search or a monitor ends after the
// exchange under way, with its results and summary written and the port closed. The signals are
// blocked while a watch lives and taken synchronously, so no handler runs in the middle of an
// exchange.
#pragma once

#include <chrono>
#include <memory>

// A reader that went away (`tessalyctl monitor | head`) ends the output, not the program: writes
// then fail and the command stops as on Ctrl-C, closing its port first. POSIX: ignores SIGPIPE.
void IgnoreBrokenPipe();

class InterruptWatch {
public:
    // POSIX: blocks every signal whose default ends the process (SIGINT, SIGTERM, SIGHUP, SIGQUIT,
    // SIGUSR1, ...), but a fault's, and unblocks them at the end; one that came and was taken here
    // is not raised again. Windows: catches Ctrl-C, Ctrl-Break and the console's closing while it
    // lives.
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    // True once one of the signals has come, or (POSIX) once nobody reads standard output or
    // standard error any more: a closed reader stops the work at once, not at the next write.
    bool Requested();
    // Waits until the deadline; true when a signal came first (or had come before).
    bool WaitUntil(std::chrono::steady_clock::time_point deadline);
    // For a link's stopFd, so that a long wait for a reply ends at once: POSIX, a descriptor
    // readable while a signal waits to be taken; Windows, the event set by the console's signal.
    int Descriptor() const;
    // Whether a signal waits, without taking it.
    bool Pending() const;
    // The exit status of work that ended with `status`: 128 + the signal's number once one came
    // (130 for Ctrl-C), as shells and GNU tools end; a waiting signal is taken first, so that it
    // is not raised again. A reader that went away is no signal: `status` stands.
    int ExitStatus(int status);

private:
    // Takes a waiting signal, if any, into signal_.
    void Take();

    struct Platform;  // what each platform's file keeps: the signal sets, or the console's event
    std::unique_ptr<Platform> platform_;
    bool requested_ = false;
    int signal_ = 0;  // the signal that came; Windows: SIGINT, SIGBREAK or SIGHUP's number
};
