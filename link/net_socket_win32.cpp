// SPDX-License-Identifier: GPL-3.0-or-later
// Windows sockets for remote lines. Winsock is started with each connection and stopped with it
// (the calls count), so no process-wide start-up is needed. select() rather than WSAPoll: WSAPoll
// does not report a connection that failed.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>

#include "net_socket.h"
#include "port_timing.h"

namespace {

using namespace port_timing;

timeval Interval(int ms) {
    return timeval{ms / 1000, (ms % 1000) * 1000};
}

OpenError ReasonOf(int error) {
    switch (error) {
        case WSAECONNREFUSED: return OpenError::Refused;
        case WSAENETUNREACH:
        case WSAEHOSTUNREACH:
        case WSAENETDOWN:
        case WSAEHOSTDOWN: return OpenError::Unreachable;
        case WSAETIMEDOUT: return OpenError::TimedOut;
        default: return OpenError::Other;
    }
}

SOCKET ConnectTo(const addrinfo& address, Clock::time_point deadline, int& error) {
    SOCKET s = socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (s == INVALID_SOCKET) {
        error = WSAGetLastError();
        return INVALID_SOCKET;
    }
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    if (connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) != 0 &&
        WSAGetLastError() != WSAEWOULDBLOCK) {
        error = WSAGetLastError();
        closesocket(s);
        return INVALID_SOCKET;
    }
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval wait = Interval(RemainingMs(deadline));
    error = WSAETIMEDOUT;
    if (select(0, nullptr, &writable, &failed, &wait) > 0) {
        int length = sizeof error;
        if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0)
            error = WSAGetLastError();
        if (error == 0 && FD_ISSET(s, &writable)) {
            const BOOL on = TRUE;
            setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
            return s;
        }
    }
    closesocket(s);
    return INVALID_SOCKET;
}

}  // namespace

Connection ConnectTcp(const std::string& host, int port, int budgetMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(budgetMs);
    Connection connection;
    WSADATA data;
    if (const int started = WSAStartup(MAKEWORD(2, 2), &data); started != 0) {
        connection.error = OpenError::Other;
        connection.osError = started;
        return connection;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* addresses = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses) != 0) {
        connection.error = OpenError::UnknownHost;
        WSACleanup();
        return connection;
    }
    int error = WSAETIMEDOUT;
    SOCKET s = INVALID_SOCKET;
    for (const addrinfo* a = addresses; a && s == INVALID_SOCKET; a = a->ai_next) {
        if (RemainingMs(deadline) == 0)
            break;
        s = ConnectTo(*a, deadline, error);
    }
    freeaddrinfo(addresses);
    if (s == INVALID_SOCKET) {
        connection.error = ReasonOf(error);
        connection.osError = error;
        WSACleanup();
        return connection;
    }
    connection.socket = static_cast<SocketId>(s);
    return connection;
}

SocketReady WaitReadable(SocketId socket, int timeoutMs, int /*stopFd*/) {
    const SOCKET s = static_cast<SOCKET>(socket);
    fd_set readable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&failed);
    FD_SET(s, &readable);
    FD_SET(s, &failed);
    timeval wait = Interval(timeoutMs);
    return select(0, &readable, nullptr, &failed, &wait) == 0 ? SocketReady::Quiet
                                                              : SocketReady::Readable;
}

int ReceiveNow(SocketId socket, uint8_t* bytes, int capacity) {
    const int n = recv(static_cast<SOCKET>(socket), reinterpret_cast<char*>(bytes), capacity, 0);
    if (n >= 0)
        return n;
    return WSAGetLastError() == WSAEWOULDBLOCK ? -1 : 0;
}

int SendAll(SocketId socket, const uint8_t* bytes, int length, int budgetMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(budgetMs);
    const SOCKET s = static_cast<SOCKET>(socket);
    int sent = 0;
    while (sent < length) {
        const int n = send(s, reinterpret_cast<const char*>(bytes + sent), length - sent, 0);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && WSAGetLastError() != WSAEWOULDBLOCK)
            break;
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(s, &writable);
        timeval wait = Interval(RemainingMs(deadline));
        if (select(0, nullptr, &writable, nullptr, &wait) <= 0)
            break;
    }
    return sent;
}

void CloseSocket(SocketId socket) {
    if (socket == NO_SOCKET)
        return;
    closesocket(static_cast<SOCKET>(socket));
    WSACleanup();
}
