// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/harness.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <tuple>
#include <utility>

namespace {

// Drops root to the user nobody (no groups); true when not root, or when it worked.
bool BecomeNobody() {
    if (geteuid() != 0)
        return true;
    const passwd* nobody = getpwnam("nobody");
    return nobody && setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 &&
           setuid(nobody->pw_uid) == 0;
}

// Starts `args` on the given stdout (and stderr), as from a shell whatever signals we block.
pid_t Spawn(std::vector<std::string> args, int out, int err, bool asNobody) {
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    dup2(out, STDOUT_FILENO);
    if (err >= 0)
        dup2(err, STDERR_FILENO);
    if (asNobody && (chdir("/") != 0 || !BecomeNobody()))
        _exit(126);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

// As root, tessalyctl runs as nobody from a copy in /tmp: the build folder may be closed to others
// (a clone in /root is mode 0700). The sanitizers' suppressions go along, or it would not start.
struct NobodysCopy {
    std::string dir, program;
    NobodysCopy() {
        namespace fs = std::filesystem;
        char folder[] = "/tmp/tessaly-nobody-XXXXXX";
        if (!mkdtemp(folder) || chmod(folder, 0755) != 0)
            throw std::runtime_error("no folder for nobody's tessalyctl");
        dir = folder;
        program = dir + "/tessalyctl";
        fs::copy_file(TESSALYCTL_PATH, program);
        std::string options = std::getenv("LSAN_OPTIONS") ? std::getenv("LSAN_OPTIONS") : "";
        if (const auto at = options.find("suppressions="); at != std::string::npos) {
            const auto begin = at + 13, end = options.find(':', begin);
            fs::copy_file(options.substr(begin, end - begin), dir + "/lsan.supp");
            chmod((dir + "/lsan.supp").c_str(), 0644);
            setenv("LSAN_OPTIONS", options.replace(begin, end - begin, dir + "/lsan.supp").c_str(),
                   1);
        }
    }
    ~NobodysCopy() { std::filesystem::remove_all(dir); }
};

std::string Field(const std::string& line, const std::string& key) {
    const auto at = line.find("\"" + key + "\":");
    if (at == std::string::npos)
        return {};
    auto begin = at + key.size() + 3;
    begin += line[begin] == '"';
    return line.substr(begin, line.find_first_of("\",}", begin) - begin);
}

}  // namespace

PtyPair::PtyPair() {
    char name[128];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    path = name;
}

PtyPair::~PtyPair() {
    close(master);
    close(slave);
}

SimProcess::SimProcess(const std::vector<std::string>& options) {
    char folder[] = "/tmp/tessaly-test-XXXXXX";
    int out[2];
    if (!mkdtemp(folder) || pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("no folder or pipe for tessaly-sim");
    dir_ = folder;
    std::vector<std::string> args{TESSALY_SIM_PATH, "--log", dir_ + "/sim.log"};
    args.insert(args.end(), options.begin(), options.end());
    pid_ = Spawn(args, out[1], -1, false);
    close(out[1]);
    for (char c; read(out[0], &c, 1) == 1 && c != '\n';)
        ptyPath_ += c;
    close(out[0]);
    if (ptyPath_.empty()) {
        Stop();
        std::filesystem::remove_all(dir_);
        throw std::runtime_error("tessaly-sim did not start");
    }
}

SimProcess::~SimProcess() {
    Stop();
    std::filesystem::remove_all(dir_);
}

namespace {

// Sends `signal` and waits up to `bound`; one still running then is killed and named on stderr.
int StopProcess(pid_t& pid, const char* name, std::chrono::milliseconds bound, int signal) {
    if (pid <= 0)
        return -1;
    kill(pid, signal);
    const auto deadline = Clock::now() + bound;
    int status = 0;
    pid_t got;
    while ((got = waitpid(pid, &status, WNOHANG)) == 0 && Clock::now() < deadline)
        usleep(2000);
    if (got == 0) {
        std::fprintf(stderr, "%s (pid %d) still running %lld ms after signal %d: killed\n", name,
                     static_cast<int>(pid), static_cast<long long>(bound.count()), signal);
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    pid = -1;
    return status;
}

// Binds a loopback socket to `port` (0: any free one); the port it got, 0 when one listens there
// (no connection is made, so the server opens no device for it).
int BindLoopback(int port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    socklen_t length = sizeof address;
    const bool bound = bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    close(s);
    return bound ? ntohs(address.sin_port) : 0;
}

}  // namespace

int SimProcess::Stop(std::chrono::milliseconds bound, int signal) {
    return StopProcess(pid_, "tessaly-sim", bound, signal);
}

int FreeTcpPort() {
    if (const int port = BindLoopback(0))
        return port;
    throw std::runtime_error("no free loopback port");
}

Ser2net::Ser2net(const std::string& device) : rfc2217Port_(FreeTcpPort()), tcpPort_(FreeTcpPort()) {
    char folder[] = "/tmp/tessaly-ser2net-XXXXXX";
    if (!mkdtemp(folder))
        throw std::runtime_error("no folder for ser2net");
    dir_ = folder;
    // chardelay off: the line's bytes go on as they come, as from a server set up for Modbus.
    std::ofstream yaml(dir_ + "/ser2net.yaml");
    yaml << "%YAML 1.1\n---\n";
    for (const auto& [name, accepter, port] :
         {std::tuple("rfc2217", "telnet(rfc2217),tcp", rfc2217Port_), {"raw", "tcp", tcpPort_}})
        yaml << "connection: &" << name << "\n  accepter: " << accepter << ",127.0.0.1," << port
             << "\n  options:\n    chardelay: false\n  connector: serialdev," << device
             << ",9600n81,local\n";
    yaml.close();
    Start();
}

Ser2net::~Ser2net() {
    Stop();
    std::filesystem::remove_all(dir_);
}

void Ser2net::Start() {
    const int log =
        open((dir_ + "/ser2net.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    pid_ = Spawn(
        {"/usr/sbin/ser2net", "-n", "-c", dir_ + "/ser2net.yaml", "-P", dir_ + "/ser2net.pid"}, log,
        log, false);
    close(log);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (BindLoopback(rfc2217Port_) || BindLoopback(tcpPort_)) {
        if (Clock::now() > deadline || waitpid(pid_, nullptr, WNOHANG) != 0)
            throw std::runtime_error("ser2net did not start; see " + dir_ + "/ser2net.log");
        usleep(5000);
    }
}

void Ser2net::Stop() {
    StopProcess(pid_, "ser2net", std::chrono::seconds(5), SIGTERM);
}

std::vector<std::string> SimProcess::LogLines() const {
    std::ostringstream log;
    log << std::ifstream(dir_ + "/sim.log").rdbuf();
    return Lines(log.str());
}

int SimProcess::Answered() const {
    int count = 0;
    for (const auto& line : LogLines())
        count += line.find("\"reply\":null") == std::string::npos;
    return count;
}

std::string LoggedRequest(const std::string& line) {
    return Field(line, "request");
}

std::vector<std::string> Probes(const SimProcess& sim) {
    std::vector<std::string> probes;
    for (const std::string& line : sim.LogLines())
        probes.push_back(std::to_string(std::stoi(LoggedRequest(line).substr(0, 2), nullptr, 16)) +
                         "@" + Field(line, "baud"));
    return probes;
}

bool AwaitRequests(const SimProcess& sim, size_t count) {
    for (int i = 0; i < 200 && sim.LogLines().size() < count; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return sim.LogLines().size() >= count;
}

ScopedComPort::ScopedComPort(int portNumber, const std::string& path)
    : name_("TESSALY_COM" + std::to_string(portNumber)) {
    if (const char* old = std::getenv(name_.c_str()))
        previous_ = old;
    setenv(name_.c_str(), path.c_str(), 1);
}

ScopedComPort::~ScopedComPort() {
    previous_ ? setenv(name_.c_str(), previous_->c_str(), 1) : unsetenv(name_.c_str());
}

void IsolateComPorts() {
    for (int n = 1; n <= 10; ++n)
        setenv(("TESSALY_COM" + std::to_string(n)).c_str(),
               ("/nonexistent/tessaly-com" + std::to_string(n)).c_str(), 1);
}

CtlProcess::CtlProcess(const std::vector<std::string>& args, RunAs who, int outFd, int errFd) {
    const bool asNobody = who == RunAs::Nobody;
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> argv{TESSALYCTL_PATH};
    if (asNobody && geteuid() == 0) {
        static const NobodysCopy copy;
        argv[0] = copy.program;
    }
    argv.insert(argv.end(), args.begin(), args.end());
    pid_ = Spawn(argv, outFd >= 0 ? outFd : out[1], errFd >= 0 ? errFd : err[1], asNobody);
    close(out[1]);
    close(err[1]);
    std::tie(out_, err_) = std::pair(out[0], err[0]);
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
    const auto deadline = Clock::now() + std::chrono::seconds(limitS);
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    std::string* texts[2] = {&result.out, &result.err};
    for (int open = 2; open > 0;) {  // both pipes, until each has ended
        if (Clock::now() > deadline)
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
                close(std::exchange(fds[i].fd, -1));
                --open;
            }
        }
    }
    out_ = err_ = -1;
    int status = 0;
    waitpid(std::exchange(pid_, -1), &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    // Text never starts with a brace; each JSON object is kept after its run's number and status.
    static int runs = 0;
    ++runs;
    for (const std::string& line : Lines(result.out))
        if (!line.empty() && line.front() == '{')
            PrintedJson().push_back(std::to_string(runs) + " " + std::to_string(result.status) +
                                    " " + line);
    return result;
}

CtlResult RunCtl(const std::vector<std::string>& args, RunAs who, int limitS) {
    return CtlProcess(args, who).Finish(limitS);
}

std::vector<std::string>& PrintedJson() {
    static std::vector<std::string> objects;
    return objects;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}
