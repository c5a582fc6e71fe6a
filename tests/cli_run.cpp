// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli_run.h"

#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "support/sim_process.h"

CtlProcess::CtlProcess(const std::vector<std::string>& args, bool asNobody) {
    int out[2];
    int err[2];
    if (pipe(out) != 0 || pipe(err) != 0)
        return;
    pid_ = fork();
    if (pid_ == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        for (int fd : {out[0], out[1], err[0], err[1]})
            close(fd);
        if (asNobody && geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            if (!nobody || setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 ||
                setuid(nobody->pw_uid) != 0)
                _exit(126);
        }
        std::vector<char*> argv{const_cast<char*>(TESSALYCTL_PATH)};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        sigset_t none;  // the program starts as from a shell, whatever this process blocks
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
}

CtlProcess::~CtlProcess() {
    if (pid_ > 0)
        Finish();
}

void CtlProcess::Signal(int signal) {
    if (pid_ > 0)
        kill(pid_, signal);
}

CtlResult CtlProcess::Finish(int limitS) {
    CtlResult result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limitS);
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    std::string* texts[2] = {&result.out, &result.err};
    int open = (out_ >= 0) + (err_ >= 0);
    while (open > 0) {
        if (std::chrono::steady_clock::now() > deadline)
            kill(pid_, SIGKILL);
        if (poll(fds, 2, 1000) < 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !fds[i].revents)
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                texts[i]->append(buffer, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    // Text output never starts with a brace; every JSON object is kept for the schema check.
    for (const std::string& line : Lines(result.out))
        if (!line.empty() && line.front() == '{')
            PrintedJson().push_back(line);
    return result;
}

std::vector<std::string>& PrintedJson() {
    static std::vector<std::string> objects;
    return objects;
}

void CtlProcess::CloseOutput() {
    close(out_);
    out_ = -1;
}

void CtlProcess::CloseErrors() {
    close(err_);
    err_ = -1;
}

CtlResult RunCtl(const std::vector<std::string>& args, int limitS) {
    return CtlProcess(args).Finish(limitS);
}

CtlResult RunCtlAsNobody(const std::vector<std::string>& args) {
    return CtlProcess(args, true).Finish();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool AwaitRequests(const SimProcess& sim, size_t count) {
    for (int i = 0; i < 200; ++i) {
        if (sim.LogLines().size() >= count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}
