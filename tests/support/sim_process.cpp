// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

SimProcess::SimProcess(const std::vector<std::string>& options) {
    char folder[] = "/tmp/tessaly-test-XXXXXX";
    if (!mkdtemp(folder))
        throw std::runtime_error("mkdtemp failed");
    dir_ = folder;
    logPath_ = dir_ + "/sim.log";
    std::vector<std::string> args{TESSALY_SIM_PATH, "--log", logPath_};
    args.insert(args.end(), options.begin(), options.end());

    int out[2];
    if (pipe(out) != 0)
        throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        sigset_t none;  // the program starts as from a shell, whatever this process blocks
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        ptyPath_ += c;
    close(out[0]);
    if (ptyPath_.empty())
        throw std::runtime_error("tessaly-sim did not start");
}

SimProcess::~SimProcess() {
    Stop();
    std::remove(logPath_.c_str());
    rmdir(dir_.c_str());
}

int SimProcess::Stop(std::chrono::milliseconds bound, int signal) {
    if (pid_ <= 0)
        return -1;
    kill(pid_, signal);
    const auto deadline = std::chrono::steady_clock::now() + bound;
    int status = 0;
    bool ended = false;
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        const pid_t got = waitpid(pid_, &status, WNOHANG);
        ended = got == pid_ || (got < 0 && errno != EINTR);
        if (!ended)
            usleep(2000);
    }
    if (!ended) {
        std::fprintf(stderr, "tessaly-sim (pid %d) still running %lld ms after signal %d: killed\n",
                     static_cast<int>(pid_), static_cast<long long>(bound.count()), signal);
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    return status;
}

std::vector<std::string> SimProcess::LogLines() const {
    std::vector<std::string> lines;
    std::ifstream log(logPath_);
    for (std::string line; std::getline(log, line);)
        lines.push_back(line);
    return lines;
}

int SimProcess::Answered() const {
    int count = 0;
    for (const auto& line : LogLines())
        count += line.find("\"reply\":null") == std::string::npos;
    return count;
}

int SimProcess::Unanswered() const {
    return static_cast<int>(LogLines().size()) - Answered();
}

ScopedComPort::ScopedComPort(int portNumber, const std::string& path)
    : name_("TESSALY_COM" + std::to_string(portNumber)) {
    if (const char* old = std::getenv(name_.c_str())) {
        hadValue_ = true;
        previous_ = old;
    }
    setenv(name_.c_str(), path.c_str(), 1);
}

ScopedComPort::~ScopedComPort() {
    if (hadValue_)
        setenv(name_.c_str(), previous_.c_str(), 1);
    else
        unsetenv(name_.c_str());
}

void IsolateComPorts() {
    for (int n = 1; n <= 10; ++n) {
        const std::string name = "TESSALY_COM" + std::to_string(n);
        setenv(name.c_str(), ("/nonexistent/tessaly-com" + std::to_string(n)).c_str(), 1);
    }
}

namespace {
std::string Field(const std::string& line, const std::string& key) {
    const auto at = line.find("\"" + key + "\":");
    if (at == std::string::npos)
        return {};
    auto begin = at + key.size() + 3;
    if (line[begin] == '"')
        ++begin;
    const auto end = line.find_first_of("\",}", begin);
    return line.substr(begin, end - begin);
}
}  // namespace

std::string LoggedRequest(const std::string& line) {
    return Field(line, "request");
}
int LoggedBaud(const std::string& line) {
    return std::atoi(Field(line, "baud").c_str());
}
