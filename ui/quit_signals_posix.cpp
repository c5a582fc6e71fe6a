// SPDX-License-Identifier: GPL-3.0-or-later
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>

#include "process_safety.h"
#include "quit_signals.h"

namespace {

// Those of the stop signals that a save could raise are left out: a file over the size limit
// (SIGXFSZ) is a failed save, told with its reason, not a request to end.
sigset_t QuitSignals() {
    sigset_t signals = StopSignals();
    sigdelset(&signals, SIGXFSZ);
    return signals;
}

}  // namespace

// Blocked in every thread, a signal stays pending for the process until the descriptor below
// takes it, on the window's thread: no handler, and nothing shared with one.
void HoldQuitSignals() {
    signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG ("File too large")
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
