// SPDX-License-Identifier: GPL-3.0-or-later
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>

#include "quit_signals.h"

namespace {

sigset_t QuitSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&signals, signal);
    return signals;
}

}  // namespace

// Blocked in every thread, a signal stays pending for the process until the descriptor below
// takes it, on the window's thread: no handler, and nothing shared with one.
void HoldQuitSignals() {
    const sigset_t signals = QuitSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void CloseWindowsOnQuitSignals() {
    const QString name = QStringLiteral("quit signals");
    if (qApp->findChild<QSocketNotifier*>(name))
        return;
    HoldQuitSignals();
    const sigset_t signals = QuitSignals();
    const int fd = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0)
        return;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, qApp);
    notifier->setObjectName(name);
    QObject::connect(notifier, &QSocketNotifier::activated, [fd] {
        signalfd_siginfo taken;
        while (read(fd, &taken, sizeof taken) > 0) {
        }
        // Message boxes and tool windows too: the main window's close must not wait for them.
        QApplication::closeAllWindows();
    });
}
