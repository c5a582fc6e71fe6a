// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: the console's Ctrl-C, Ctrl-Break and close arrive on a thread of their own; the handler
// only sets an event, which the watch waits on, so nothing runs in the middle of an exchange.
#include <windows.h>

#include <atomic>
#include <csignal>

#include "interrupt.h"

namespace {

HANDLE g_requested = nullptr;  // manual reset: once set, every later wait sees it
// The event as the POSIX signal a shell would report: Ctrl-C SIGINT, Ctrl-Break SIGBREAK, the
// console's closing a hang-up.
std::atomic<int> g_signal{0};

BOOL WINAPI OnConsoleEvent(DWORD event) {
    const int signal = event == CTRL_C_EVENT       ? SIGINT
                       : event == CTRL_BREAK_EVENT ? SIGBREAK
                       : event == CTRL_CLOSE_EVENT ? 1
                                                   : 0;
    if (signal == 0)
        return FALSE;
    int none = 0;
    g_signal.compare_exchange_strong(none, signal);
    SetEvent(g_requested);
    return TRUE;
}

}  // namespace

// A closed pipe is a failed write on Windows; there is no signal to ignore.
void IgnoreBrokenPipe() {}

struct InterruptWatch::Platform {};

InterruptWatch::InterruptWatch() : platform_(std::make_unique<Platform>()) {
    if (!g_requested)
        g_requested = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ResetEvent(g_requested);
    g_signal = 0;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptWatch::~InterruptWatch() {
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

// The event itself: Windows keeps a handle within 32 bits, so it travels as a link's stopFd.
int InterruptWatch::Descriptor() const {
    return static_cast<int>(HandleToLong(g_requested));
}

bool InterruptWatch::Pending() const {
    return requested_ || WaitForSingleObject(g_requested, 0) == WAIT_OBJECT_0;
}

bool InterruptWatch::Requested() {
    return WaitUntil(std::chrono::steady_clock::time_point{});
}

bool InterruptWatch::WaitUntil(std::chrono::steady_clock::time_point deadline) {
    using namespace std::chrono;
    if (!requested_) {
        const auto left = ceil<milliseconds>(deadline - steady_clock::now()).count();
        const DWORD wait = left > 0 ? static_cast<DWORD>(left) : 0;
        requested_ = WaitForSingleObject(g_requested, wait) == WAIT_OBJECT_0;
    }
    if (requested_)
        Take();
    return requested_;
}

void InterruptWatch::Take() {
    if (WaitForSingleObject(g_requested, 0) == WAIT_OBJECT_0) {
        signal_ = signal_ ? signal_ : g_signal.load();
        requested_ = true;
    }
}

int InterruptWatch::ExitStatus(int status) {
    Take();
    return signal_ ? 128 + signal_ : status;
}
