// SPDX-License-Identifier: GPL-3.0-or-later
// The harness of the tests and benchmarks: the simulator on a pseudo-terminal, a bare one to play a
// peer by hand, ser2net, the real tessalyctl as this user or another, COM ports, timing.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;
inline double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A bare pseudo-terminal pair: the test plays the device on the master side.
struct PtyPair {
    int master = -1, slave = -1;
    std::string path;
    PtyPair();
    ~PtyPair();
};

// tessaly-sim on its own pseudo-terminal, logging each request it sees as a JSON line.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& options);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    const std::string& ptyPath() const { return ptyPath_; }
    std::vector<std::string> LogLines() const;
    int Answered() const;  // requests that got a reply
    // Sends `signal`, waits up to `bound`, then kills; waitpid's status, -1 if it was not running.
    int Stop(std::chrono::milliseconds bound = std::chrono::seconds(5), int signal = SIGTERM);

private:
    pid_t pid_ = -1;
    std::string dir_, ptyPath_;
};

// ser2net with a configuration of its own (never the system's, which serves the machine's ttyS
// ports): one device as RFC 2217 and as raw TCP, each at a free loopback port.
class Ser2net {
public:
    explicit Ser2net(const std::string& device);
    ~Ser2net();
    Ser2net(const Ser2net&) = delete;
    std::string Rfc2217Url() const { return "rfc2217://127.0.0.1:" + std::to_string(rfc2217Port_); }
    std::string TcpUrl() const { return "tcp://127.0.0.1:" + std::to_string(tcpPort_); }
    void Stop();
    void Start();  // again, on the same ports

private:
    std::string dir_;
    int rfc2217Port_, tcpPort_;
    pid_t pid_ = -1;
};

// A loopback TCP port that nobody listens on now.
int FreeTcpPort();

// The request hex of a log line ("0104000000013" ...), and "address@baud" of each request.
std::string LoggedRequest(const std::string& line);
std::vector<std::string> Probes(const SimProcess& sim);
// Waits (up to 10 s) until the simulator has seen `count` requests.
bool AwaitRequests(const SimProcess& sim, size_t count);

// Points TESSALY_COMn at a path for the life of the object, then restores what was there.
class ScopedComPort {
public:
    ScopedComPort(int portNumber, const std::string& path);
    ~ScopedComPort();

private:
    std::string name_;
    std::optional<std::string> previous_;
};

struct SimOnCom : SimProcess {  // a simulator that COMn leads to
    ScopedComPort com;
    explicit SimOnCom(const std::vector<std::string>& options, int portNumber = 1)
        : SimProcess(options), com(portNumber, ptyPath()) {}
};

// Points COM1..COM10 at paths that do not exist: no test reaches the machine's own ports.
void IsolateComPorts();

struct CtlResult {
    int status = -1;  // the exit status; -1 when it did not exit normally
    std::string out, err;
};

// Whom tessalyctl runs as (Nobody: as root, the user nobody); a number there does not compile.
enum class RunAs { Me, Nobody };

// The real tessalyctl, inheriting the environment (TESSALY_COMn).
class CtlProcess {
public:
    // `out`, `err`: its stdout and stderr instead of pipes (a full disk, a terminal), not read.
    explicit CtlProcess(const std::vector<std::string>& args, RunAs who = RunAs::Me, int out = -1,
                        int err = -1);
    ~CtlProcess();
    CtlProcess(const CtlProcess&) = delete;
    void Signal(int signal);
    // Reads its output until it ends (killing it after `limitS` seconds).
    CtlResult Finish(int limitS = 30);

private:
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
};

CtlResult RunCtl(const std::vector<std::string>& args, RunAs who = RunAs::Me, int limitS = 30);

// Every JSON object the runs printed, for the schema check: "RUN STATUS OBJECT".
std::vector<std::string>& PrintedJson();

std::vector<std::string> Lines(const std::string& text);
