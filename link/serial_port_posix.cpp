// SPDX-License-Identifier: GPL-3.0-or-later
// POSIX backend of the serial port: termios in place of the Win32 comm functions, with the same
// exclusive open, line settings and time-outs.
#include "port_backends.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "port_names.h"
#include "port_timing.h"
#include "termios_rates.h"

namespace {

using namespace port_timing;
using std::chrono::milliseconds;

int Fd(const PortHandle& handle) {
    return static_cast<int>(handle.native());
}

// 8N1 at the rate, raw bytes, reads that never block on their own: ReadPort and WaitForInput do
// the timing. The sensor's line has no flow control, but a tty keeps whatever the previous program
// set: RTS/CTS would stall every request on a line without CTS, and XON/XOFF would eat 0x11/0x13
// or inject them. Both are cleared here.
bool ConfigureLine(int fd, int baudRate) {
    const speed_t speed = TermiosSpeed(baudRate);
    termios settings{};
    if (speed == B0 || tcgetattr(fd, &settings) != 0)
        return false;
    cfmakeraw(&settings);
    settings.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (cfsetispeed(&settings, speed) != 0 || cfsetospeed(&settings, speed) != 0)
        return false;
    if (tcsetattr(fd, TCSANOW, &settings) != 0)
        return false;
    // tcsetattr succeeds when any part of the change took; the rate must have.
    termios applied{};
    return tcgetattr(fd, &applied) == 0 && cfgetospeed(&applied) == speed;
}

void DropDtr(int fd) {
    int dtr = TIOCM_DTR;
    (void)ioctl(fd, TIOCMBIC, &dtr);  // a pseudo-terminal has no modem lines: not an error here
}

int QueuedBytes(int fd) {
    int queued = 0;
    return ioctl(fd, FIONREAD, &queued) == 0 ? queued : 0;
}

// Waits for the descriptor to become readable/writable, up to timeoutMs. Retries on signals.
bool PollFor(int fd, short events, int timeoutMs) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = poll(&entry, 1, timeoutMs);
        if (ready >= 0)
            return ready > 0 && (entry.revents & events);
        if (errno != EINTR)
            return false;
    }
}

// The one place errno becomes a reason.
OpenError ReasonOf(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR: return OpenError::NoDevice;
        case EBUSY:
        case EWOULDBLOCK: return OpenError::Busy;
        case EACCES:
        case EPERM:
        case EROFS: return OpenError::NoPermission;
        case ENOTTY:
        case EISDIR: return OpenError::NotSerial;
        default: return OpenError::Other;
    }
}

// The group whose members may open the device (dialout for serial adapters on Debian).
std::string OwningGroup(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !(info.st_mode & S_IRWXG))
        return {};
    const group* owner = getgrgid(info.st_gid);
    return owner ? owner->gr_name : std::string();
}

}  // namespace

std::string ComPortPath(int portNumber) {
    return ResolveComPort(portNumber, PortNameSources{});
}

std::string SystemErrorText(int osError) {
    return std::strerror(osError);
}

namespace {

// Opens the device and takes it as ours would be taken, without touching the line: the lock first
// (it keeps out every program that locks, root's too), then a tty that another program made
// exclusive is refused even where root could open it. The descriptor, or -1 with the reason.
int Claim(PortOpening& opening) {
    auto fail = [&](OpenError error, int osError) {
        opening.error = error;
        opening.osError = osError;
        if (error == OpenError::NoPermission)
            opening.group = OwningGroup(opening.path);
        return -1;
    };
    // Non-blocking while opening so that a port waiting for carrier cannot hang us.
    const int fd = open(opening.path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return fail(ReasonOf(errno), errno);
    if (!isatty(fd)) {
        close(fd);
        return fail(OpenError::NotSerial, ENOTTY);
    }
    int exclusive = 0;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        (ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0)) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        close(fd);
        return fail(OpenError::Busy, exclusive ? EBUSY : error);
    }
    return fd;
}

}  // namespace

PortOpening local_port::Probe(const std::string& path) {
    PortOpening opening;
    opening.path = path;
    const int fd = Claim(opening);
    if (fd >= 0)
        close(fd);  // and with it the lock
    return opening;
}

PortOpening local_port::Open(const std::string& path, int baudRate) {
    PortOpening opening;
    opening.path = path;
    const int fd = Claim(opening);
    if (fd < 0)
        return opening;
    // The exclusive flag is set last, only on a port we keep, and cleared on close only by the
    // handle that set it.
    if (!ConfigureLine(fd, baudRate)) {
        opening.error = OpenError::RateRefused;
        opening.osError = errno;
        close(fd);
        return opening;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        (void)fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    DropDtr(fd);
    const bool setExclusive = ioctl(fd, TIOCEXCL) == 0;
    opening.handle = PortHandle(fd, setExclusive);
    Purge(opening.handle);
    return opening;
}

void local_port::Close(PortHandle& handle) {
    if (!handle)
        return;
    const int fd = Fd(handle);
    const bool clearExclusive = handle.setExclusive();
    handle = PortHandle{};
    // The exclusive flag belongs to the tty, not to our descriptor: clear the one we set, or the
    // next open fails while anyone else (a simulator, getty) still holds the device.
    if (clearExclusive)
        (void)ioctl(fd, TIOCNXCL);
    close(fd);
}

bool local_port::HungUp(const PortHandle& handle) {
    if (!handle)
        return false;
    pollfd entry{Fd(handle), POLLIN, 0};
    return poll(&entry, 1, 0) > 0 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL));
}

void local_port::Purge(const PortHandle& handle) {
    if (handle)
        (void)tcflush(Fd(handle), TCIOFLUSH);
}

int local_port::Wait(const PortHandle& handle, int count, int budgetMs, int stopFd) {
    const auto deadline = Clock::now() + milliseconds(budgetMs > 0 ? budgetMs : 0);
    if (!handle)
        return 0;
    const int fd = Fd(handle);
    // Edge-triggered epoll wakes us at every arrival of new bytes, not only at the first: the
    // wait costs no CPU while the line is silent and notices the last byte of a reply at once.
    const int watcher = epoll_create1(EPOLL_CLOEXEC);
    epoll_event interest{};
    interest.events = EPOLLIN | EPOLLET;
    interest.data.fd = fd;
    const bool watching = watcher >= 0 && epoll_ctl(watcher, EPOLL_CTL_ADD, fd, &interest) == 0;
    epoll_event stop{};
    stop.events = EPOLLIN;  // level-triggered: it stays readable until the stop is taken
    stop.data.fd = stopFd;
    if (watching && stopFd >= 0)
        epoll_ctl(watcher, EPOLL_CTL_ADD, stopFd, &stop);
    int queued = QueuedBytes(fd);
    while (queued < count) {
        const int left = RemainingMs(deadline);
        if (left == 0)
            break;
        if (watching) {
            epoll_event event{};
            const int ready = epoll_wait(watcher, &event, 1, left);
            if (ready < 0 && errno != EINTR)
                break;
            if (ready > 0 && event.data.fd == stopFd) {
                queued = QueuedBytes(fd);
                break;
            }
            // A hung-up line (adapter unplugged, peer gone) stays hung up: nothing more will come.
            if (ready > 0 && (event.events & (EPOLLHUP | EPOLLERR))) {
                queued = QueuedBytes(fd);
                break;
            }
        } else if (!PollFor(fd, POLLIN, left)) {
            break;
        }
        queued = QueuedBytes(fd);
    }
    if (watcher >= 0)
        close(watcher);
    return queued;
}

int local_port::Write(const PortHandle& handle, const uint8_t* bytes, int length) {
    if (!handle || length <= 0)
        return 0;
    const int fd = Fd(handle);
    const auto deadline = Clock::now() + milliseconds(kWritePerByteMs * length + kWriteConstantMs);
    int written = 0;
    while (written < length) {
        const ssize_t n = write(fd, bytes + written, static_cast<size_t>(length - written));
        if (n > 0) {
            written += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            break;
        if (!PollFor(fd, POLLOUT, RemainingMs(deadline)))
            break;
    }
    return written;
}

int local_port::Read(const PortHandle& handle, uint8_t* bytes, int length) {
    if (!handle || length <= 0)
        return 0;
    const int fd = Fd(handle);
    const auto total = Clock::now() + milliseconds(kReadPerByteMs * length + kReadConstantMs);
    int got = 0;
    while (got < length) {
        const ssize_t n = read(fd, bytes + got, static_cast<size_t>(length - got));
        if (n > 0) {
            got += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            break;
        // As on Win32: the interval time-out runs only once a byte has come, the total always.
        int wait = RemainingMs(total);
        if (got > 0 && wait > kReadIntervalMs)
            wait = kReadIntervalMs;
        if (wait == 0 || !PollFor(fd, POLLIN, wait))
            break;
    }
    return got;
}
