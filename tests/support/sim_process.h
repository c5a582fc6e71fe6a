// SPDX-License-Identifier: GPL-3.0-or-later
// Runs tessaly-sim on its own pseudo-terminal for a test, and maps a COM number to it.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

class SimProcess {
public:
    // Starts the simulator with these options, plus a log in a fresh temporary folder.
    explicit SimProcess(const std::vector<std::string>& options);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& ptyPath() const { return ptyPath_; }
    // The JSON lines the simulator logged so far, one per request it saw.
    std::vector<std::string> LogLines() const;
    // Lines that carried a reply / none.
    int Answered() const;
    int Unanswered() const;
    // Sends `signal` and waits up to `bound` for the simulator to end; one still running then is
    // killed (SIGKILL) and named on stderr, so that no test hangs on it. Returns the wait status
    // (waitpid's), or -1 when it was not running.
    int Stop(std::chrono::milliseconds bound = std::chrono::seconds(5), int signal = SIGTERM);

private:
    pid_t pid_ = -1;
    std::string dir_;
    std::string logPath_;
    std::string ptyPath_;
};

// Points TESSALY_COMn at a path for the life of the object, then restores what was there.
class ScopedComPort {
public:
    ScopedComPort(int portNumber, const std::string& path);
    ~ScopedComPort();
    ScopedComPort(const ScopedComPort&) = delete;
    ScopedComPort& operator=(const ScopedComPort&) = delete;

private:
    std::string name_;
    bool hadValue_ = false;
    std::string previous_;
};

// Points every COM1..COM10 at a path that does not exist, so that no test reaches the machine's
// own serial ports; tests then map the ports they use.
void IsolateComPorts();

// The request hex of a log line ("0104000000...").
std::string LoggedRequest(const std::string& line);
int LoggedBaud(const std::string& line);
