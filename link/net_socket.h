// SPDX-License-Identifier: GPL-3.0-or-later
// The few socket calls a remote line needs, the same on every platform: one backend per platform
// (net_socket_posix.cpp, net_socket_win32.cpp). Sockets are non-blocking; every wait is bounded.
#pragma once

#include <cstdint>
#include <string>

#include "serial_port.h"

using SocketId = std::intptr_t;
constexpr SocketId NO_SOCKET = -1;

struct Connection {
    SocketId socket = NO_SOCKET;
    OpenError error = OpenError::None;  // UnknownHost, Refused, Unreachable, TimedOut or Other
    int osError = 0;
};

// Connects to host:port within budgetMs (name resolution is the system's and may take longer),
// trying each address the name has, with Nagle's delay off: a request goes out when written.
Connection ConnectTcp(const std::string& host, int port, int budgetMs);

enum class SocketReady {
    Readable,  // bytes, the peer's close or an error are there to be received
    Quiet,     // nothing within the time
    Stopped,   // POSIX: stopFd became readable
};

// Waits up to timeoutMs (0: only looks) for the socket to have something to receive.
SocketReady WaitReadable(SocketId socket, int timeoutMs, int stopFd = -1);

// Receives what is there now without waiting: the count (> 0), 0 when the peer has closed or the
// connection failed, -1 when nothing is there yet.
int ReceiveNow(SocketId socket, uint8_t* bytes, int capacity);

// Sends every byte within budgetMs; the count sent (short when the connection failed or stalled).
int SendAll(SocketId socket, const uint8_t* bytes, int length, int budgetMs);

void CloseSocket(SocketId socket);
