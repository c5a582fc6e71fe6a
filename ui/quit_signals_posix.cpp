// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <cerrno>

#include "quit_signals.h"

namespace {

// A signal handler may do little more than write(): it wakes the window's thread through this
// pipe, which is made once, before any handler is installed, and never changes afterwards.
int g_quitPipe[2] = {-1, -1};

void OnQuitSignal(int) {
    const int saved = errno;
    const char byte = 0;
    (void)!write(g_quitPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

void CloseWindowsOnQuitSignals() {
    if (g_quitPipe[0] >= 0 || pipe2(g_quitPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_quitPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char taken[64];
        while (read(g_quitPipe[0], taken, sizeof taken) > 0) {
        }
        // Message boxes and tool windows too: the main window's close must not wait for them.
        QApplication::closeAllWindows();
    });
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}
