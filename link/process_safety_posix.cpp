// SPDX-License-Identifier: GPL-3.0-or-later
#include "process_safety.h"

#include <fcntl.h>
#include <unistd.h>

#include <initializer_list>

void KeepStandardStreamsOffTheLine() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) >= 0)
            continue;
        // open() takes the lowest free descriptor, which is `fd` itself.
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd)
            close(opened);
    }
}

sigset_t StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGABRT, SIGUSR1, SIGUSR2, SIGALRM,
                       SIGVTALRM, SIGPROF, SIGIO, SIGXCPU, SIGXFSZ})
        sigaddset(&signals, signal);
#ifdef SIGPWR
    sigaddset(&signals, SIGPWR);
#endif
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        sigaddset(&signals, signal);
    return signals;
}
