// SPDX-License-Identifier: GPL-3.0-or-later
// POSIX sockets for remote lines.
#include "net_socket.h"
#include "port_timing.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace {

using namespace port_timing;

OpenError ReasonOf(int error) {
    switch (error) {
        case ECONNREFUSED: return OpenError::Refused;
        case ENETUNREACH:
        case EHOSTUNREACH:
        case ENETDOWN:
        case EHOSTDOWN: return OpenError::Unreachable;
        case ETIMEDOUT: return OpenError::TimedOut;
        default: return OpenError::Other;
    }
}

// One address tried: the socket, or NO_SOCKET with the error in `error` (0: the time ran out).
SocketId ConnectTo(const addrinfo& address, Clock::time_point deadline, int& error) {
    const int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                          address.ai_protocol);
    if (fd < 0) {
        error = errno;
        return NO_SOCKET;
    }
    if (connect(fd, address.ai_addr, address.ai_addrlen) != 0 && errno != EINPROGRESS) {
        error = errno;
        close(fd);
        return NO_SOCKET;
    }
    pollfd entry{fd, POLLOUT, 0};
    int ready = 0;
    do
        ready = poll(&entry, 1, RemainingMs(deadline));
    while (ready < 0 && errno == EINTR);
    socklen_t length = sizeof error;
    error = ETIMEDOUT;
    if (ready > 0 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) {
        const int on = 1;
        (void)setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        return fd;
    }
    close(fd);
    return NO_SOCKET;
}

}  // namespace

Connection ConnectTcp(const std::string& host, int port, int budgetMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(budgetMs);
    Connection connection;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* addresses = nullptr;
    const int found = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses);
    if (found != 0) {
        connection.error = found == EAI_SYSTEM ? ReasonOf(errno) : OpenError::UnknownHost;
        connection.osError = found == EAI_SYSTEM ? errno : 0;
        return connection;
    }
    int error = ETIMEDOUT;
    for (const addrinfo* a = addresses; a && connection.socket == NO_SOCKET; a = a->ai_next) {
        if (RemainingMs(deadline) == 0)
            break;
        connection.socket = ConnectTo(*a, deadline, error);
    }
    freeaddrinfo(addresses);
    if (connection.socket == NO_SOCKET) {
        connection.error = ReasonOf(error);
        connection.osError = error;
    }
    return connection;
}

SocketReady WaitReadable(SocketId socket, int timeoutMs, int stopFd) {
    pollfd entries[2] = {{static_cast<int>(socket), POLLIN, 0}, {stopFd, POLLIN, 0}};
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int ready = poll(entries, stopFd >= 0 ? 2 : 1, RemainingMs(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return ready == 0 ? SocketReady::Quiet : SocketReady::Readable;
        if (entries[0].revents != 0)
            return SocketReady::Readable;
        return SocketReady::Stopped;
    }
}

int ReceiveNow(SocketId socket, uint8_t* bytes, int capacity) {
    for (;;) {
        const ssize_t n =
            recv(static_cast<int>(socket), bytes, static_cast<size_t>(capacity), MSG_DONTWAIT);
#ifdef TCP_QUICKACK
        // A server that keeps Nagle's algorithm holds its next small segment (the rest of a reply,
        // the answer after a purge's) until we acknowledge the last; a delayed acknowledgement
        // would hold it 40 ms. Linux drops quick acknowledgement again on its own: set it anew.
        if (n > 0) {
            const int on = 1;
            (void)setsockopt(static_cast<int>(socket), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
        }
#endif
        if (n >= 0)
            return static_cast<int>(n);
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? -1 : 0;
    }
}

int SendAll(SocketId socket, const uint8_t* bytes, int length, int budgetMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(budgetMs);
    const int fd = static_cast<int>(socket);
    int sent = 0;
    while (sent < length) {
        // MSG_NOSIGNAL: a server that has gone is a failed send, not a SIGPIPE.
        const ssize_t n =
            send(fd, bytes + sent, static_cast<size_t>(length - sent), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            break;
        pollfd entry{fd, POLLOUT, 0};
        const int ready = poll(&entry, 1, RemainingMs(deadline));
        if (ready == 0 || (ready < 0 && errno != EINTR))
            break;
    }
    return sent;
}

void CloseSocket(SocketId socket) {
    if (socket != NO_SOCKET)
        close(static_cast<int>(socket));
}
