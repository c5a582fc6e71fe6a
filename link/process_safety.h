// SPDX-License-Identifier: GPL-3.0-or-later
// What each program does first, so that nothing it does later reaches the line by mistake or
// leaves a port held.
#pragma once

// A program started with standard input, output or error closed (`>&- 2>&-`, as a careless service
// unit or cron line starts it) would give that descriptor to the first port it opens, and write its
// messages onto the line to the sensors. POSIX: each of descriptors 0-2 that is closed is opened on
// /dev/null. Windows: nothing to do, as a port is a handle, never a C runtime descriptor.
void KeepStandardStreamsOffTheLine();

#ifndef _WIN32
#include <signal.h>

// Every signal whose default ends the process, and that someone may send to ask for an end
// (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, the real-time ones ...): a process that dies of one
// while it holds a port leaves the port's exclusive flag set. Left out are those the kernel sends
// for the program's own fault (a crash stays a crash, with its report), SIGPIPE, which each
// program treats as it must, and SIGKILL, which nobody can take.
sigset_t StopSignals();
#endif
