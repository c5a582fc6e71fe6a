// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real tessalyctl for a test and collects what it wrote and how it ended.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct CtlResult {
    int status = -1;  // the exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

// tessalyctl started with these arguments; it inherits the environment (TESSALY_COMn).
class CtlProcess {
public:
    // `asNobody`: when run as root, the program runs as the user nobody, so that a test of what
    // an ordinary user meets does not pass merely because root may open anything.
    explicit CtlProcess(const std::vector<std::string>& args, bool asNobody = false);
    ~CtlProcess();
    CtlProcess(const CtlProcess&) = delete;
    CtlProcess& operator=(const CtlProcess&) = delete;

    void Signal(int signal);
    // Stops reading its standard output, as a reader that went away (`| head`) does.
    void CloseOutput();
    // The same for its standard error.
    void CloseErrors();
    // Reads its output until it ends (killing it after `limitS` seconds) and returns the result.
    CtlResult Finish(int limitS = 30);

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
};

CtlResult RunCtl(const std::vector<std::string>& args, int limitS = 30);
CtlResult RunCtlAsNobody(const std::vector<std::string>& args);

class SimProcess;
// Waits (up to 10 s) until the simulator has seen `count` requests: the program under test has the
// port open and is talking. False when they did not come.
bool AwaitRequests(const SimProcess& sim, size_t count);

// Every JSON object the runs of this process printed on stdout, for the check against the schema.
std::vector<std::string>& PrintedJson();

// The lines of a text.
std::vector<std::string> Lines(const std::string& text);
