// SPDX-License-Identifier: GPL-3.0-or-later
// tessaly-sim: the simulated sensor on a pseudo-terminal (or a real tty), so that the window, the
// tests and the benchmarks have a faithful peer without hardware.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "client_watch.h"
#include "process_safety.h"
#include "sensor_bus.h"
#include "sim_options.h"
#include "termios_rates.h"

namespace {

// A stop signal sets the flag and makes the wake pipe readable. Every wait of the simulator (for a
// request, for the line to take a reply, for a reply's time on the wire) also watches the pipe, so
// the simulator ends promptly whatever it was doing. The byte is never read: once stopping, every
// later wait returns at once.
volatile sig_atomic_t g_stop = 0;
int g_wakePipe[2] = {-1, -1};

void OnSignal(int) {
    const int saved = errno;
    g_stop = 1;
    const char byte = 0;
    (void)!write(g_wakePipe[1], &byte, 1);
    errno = saved;
}

bool CatchStopSignals() {
    if (pipe2(g_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigset_t stops;
    sigemptyset(&stops);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        if (sigaction(sig, &action, nullptr) != 0)
            return false;
        sigaddset(&stops, sig);
    }
    // A blocked signal stays blocked across exec: a parent that takes its own stop signals through
    // a descriptor (the window, tessalyctl) must not leave us deaf to ours.
    return sigprocmask(SIG_UNBLOCK, &stops, nullptr) == 0;
}

bool SetRaw(int fd, int baud) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0)
        return false;
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&settings, TermiosSpeed(baud));
    cfsetospeed(&settings, TermiosSpeed(baud));
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

// The rate the master's side of the line is set to: on a pseudo-terminal we read it from the tty
// the client configured; on a real tty the hardware only hears its own rate.
int BaudSeen(int termiosFd, bool realTty, int ownBaud) {
    if (realTty)
        return ownBaud;
    termios settings{};
    return tcgetattr(termiosFd, &settings) == 0 ? BaudOfSpeed(cfgetospeed(&settings)) : 0;
}

double NowS() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// Waits until `fd` (-1: none) is ready for `events`, `alsoReadable` (-1: none) is readable, or
// `timeout` (null: none) passes. False when the simulator is stopping.
bool WaitFor(int fd, short events, const timespec* timeout, int alsoReadable = -1) {
    pollfd watched[3] = {{g_wakePipe[0], POLLIN, 0}, {fd, events, 0}, {alsoReadable, POLLIN, 0}};
    while (!g_stop) {
        const int ready = ppoll(watched, 3, timeout, nullptr);
        if (ready >= 0)
            return !g_stop && !watched[0].revents;
        if (errno != EINTR)
            return false;
    }
    return false;
}

// False when the simulator is stopping.
bool SleepUntil(std::chrono::steady_clock::time_point when) {
    for (;;) {
        const auto left = when - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero())
            return !g_stop;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec timeout{static_cast<time_t>(ns / 1000000000),
                               static_cast<long>(ns % 1000000000)};
        if (!WaitFor(-1, 0, &timeout))
            return false;
    }
}

// The line is non-blocking: a client that stops reading fills it, and the simulator then waits
// here, still hearing a stop signal. False when the simulator is stopping.
bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!WaitFor(fd, POLLOUT, nullptr))
                return false;
        } else
            return !g_stop;  // a line that refuses the reply loses it, as a broken wire would
    }
    return !g_stop;
}

void Log(FILE* log, double when, const FrameEvent& event) {
    if (!log)
        return;
    std::fprintf(log, "{\"t\":%.6f,\"request\":\"%s\",\"baud\":%d,\"reply\":", when,
                 Hex(event.request).c_str(), event.baudSeen);
    if (event.reply)
        std::fprintf(log, "\"%s\"}\n", Hex(*event.reply).c_str());
    else
        std::fprintf(log, "null}\n");
    std::fflush(log);
}

struct Line {
    int io = -1;       // where requests come in and replies go out
    int termios = -1;  // where the client's line settings can be read
    bool realTty = false;
    std::string ptyPath;
};

// The line side is non-blocking: every wait on it goes through WaitFor, which also hears a stop.
bool OpenLine(const SimOptions& options, Line& line, std::string& error) {
    if (!options.device.empty()) {
        line.io = open(options.device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        line.termios = line.io;
        line.realTty = true;
        if (line.io < 0 || !SetRaw(line.io, options.sensor.baud)) {
            error = options.device + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }
    line.io = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (line.io < 0 || grantpt(line.io) != 0 || unlockpt(line.io) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    line.ptyPath = ptsname(line.io);
    // Holding the slave side open keeps the pseudo-terminal alive while clients open and close it;
    // raw from the start, so a reply is never echoed back to us before a client has set the line.
    line.termios = open(line.ptyPath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line.termios < 0 || !SetRaw(line.termios, options.sensor.baud)) {
        error = line.ptyPath + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string LinkTarget(const std::string& linkPath) {
    char target[4096];
    const ssize_t n = readlink(linkPath.c_str(), target, sizeof target);
    return n > 0 ? std::string(target, static_cast<size_t>(n)) : std::string();
}

// A link left by a simulator that died is replaced; one whose terminal is still there belongs to
// a live simulator (or to someone's device) and is not taken from it.
bool MakeLink(const std::string& linkPath, const std::string& target, std::string& error) {
    struct stat existing {};
    if (lstat(linkPath.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            error = linkPath + " exists and is not a symbolic link";
            return false;
        }
        if (stat(linkPath.c_str(), &existing) == 0) {
            error = linkPath + " already points to " + LinkTarget(linkPath) +
                    ", which is in use (another simulator?); give another --link";
            return false;
        }
        unlink(linkPath.c_str());
    }
    if (symlink(target.c_str(), linkPath.c_str()) != 0) {
        error = linkPath + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// The reply leaves after the turnaround. With wire timing each byte comes when its ten bits would
// have crossed the line after the request's, as a UART delivers them: a master sees the reply
// begin, and grow, at the times a real sensor's would.
bool SendReply(int fd, const FrameEvent& event, std::chrono::steady_clock::time_point arrived,
               const SimOptions& options, int baud) {
    const auto start = arrived + std::chrono::milliseconds(options.turnaroundMs);
    const std::vector<uint8_t>& reply = *event.reply;
    if (!options.wireTiming || baud <= 0)
        return SleepUntil(start) && WriteAll(fd, reply);
    const auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / baud);
    const auto replyStart = start + byteTime * static_cast<long>(event.request.size());
    for (size_t k = 0; k < reply.size(); ++k)
        if (!SleepUntil(replyStart + byteTime * static_cast<long>(k + 1)) ||
            !WriteAll(fd, {reply[k]}))
            return false;
    return true;
}

// An echoing adapter hears each request byte as it goes out: with wire timing each comes back
// when its ten bits have crossed the line, so the echo ends as the request does, before any reply.
bool SendEcho(int fd, const uint8_t* bytes, size_t length,
              std::chrono::steady_clock::time_point arrived, const SimOptions& options, int baud) {
    if (!options.wireTiming || baud <= 0)
        return WriteAll(fd, std::vector<uint8_t>(bytes, bytes + length));
    const auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / baud);
    for (size_t k = 0; k < length; ++k)
        if (!SleepUntil(arrived + byteTime * static_cast<long>(k + 1)) || !WriteAll(fd, {bytes[k]}))
            return false;
    return true;
}

void Serve(const SimOptions& options, Line& line, ClientWatch& clients, FILE* log) {
    SensorBus sensors(options.Sensors());
    uint8_t buffer[512];
    while (WaitFor(line.io, POLLIN, nullptr, clients.fd())) {
        // What the kernel would reset on a real line's last close: the exclusive flag.
        if (clients.LastClientGone())
            ioctl(line.termios, TIOCNXCL);
        const ssize_t n = read(line.io, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            return;
        }
        const auto arrived = std::chrono::steady_clock::now();
        // On a real tty the line runs at the first sensor's rate (the only sensor there).
        const int baudSeen = BaudSeen(line.termios, line.realTty, sensors.sensor(0).baud());
        const int baudBefore = sensors.sensor(0).baud();
        if (options.echo &&
            !SendEcho(line.io, buffer, static_cast<size_t>(n), arrived, options, baudSeen))
            return;
        for (const FrameEvent& event :
             sensors.Receive(buffer, static_cast<size_t>(n), baudSeen, NowS())) {
            Log(log, NowS(), event);
            if (!event.reply)
                continue;
            if (!SendReply(line.io, event, arrived, options, baudSeen))
                return;
        }
        if (line.realTty && sensors.sensor(0).baud() != baudBefore) {
            tcdrain(line.io);
            SetRaw(line.io, sensors.sensor(0).baud());
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    KeepStandardStreamsOffTheLine();
    std::string error;
    const auto options = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        if (error.empty()) {
            std::fputs(SimUsage().c_str(), stdout);
            return 0;
        }
        std::fprintf(stderr, "tessaly-sim: %s\n(try --help)\n", error.c_str());
        return 2;
    }
    if (options->version) {
        std::puts("tessaly-sim " TESSALY_SIM_VERSION);
        return 0;
    }
    FILE* log = nullptr;
    if (!options->logPath.empty() && !(log = std::fopen(options->logPath.c_str(), "a"))) {
        std::fprintf(stderr, "tessaly-sim: %s: %s\n", options->logPath.c_str(),
                     std::strerror(errno));
        return 2;
    }
    // Before the link exists, so that a stop signal never leaves it behind.
    if (!CatchStopSignals()) {
        std::fprintf(stderr, "tessaly-sim: %s\n", std::strerror(errno));
        return 1;
    }
    Line line;
    if (!OpenLine(*options, line, error) ||
        (!options->linkPath.empty() && !MakeLink(options->linkPath, line.ptyPath, error))) {
        std::fprintf(stderr, "tessaly-sim: %s\n", error.c_str());
        return 1;
    }
    // Before any client can know the path, so that every client's open is counted.
    ClientWatch clients(line.realTty ? std::string() : line.ptyPath);
    std::printf("%s\n", line.realTty ? options->device.c_str() : line.ptyPath.c_str());
    std::fflush(stdout);
    Serve(*options, line, clients, log);

    // Only our own: another simulator may have been given the name since.
    if (!options->linkPath.empty() && LinkTarget(options->linkPath) == line.ptyPath)
        unlink(options->linkPath.c_str());
    if (log)
        std::fclose(log);
    return 0;
}
