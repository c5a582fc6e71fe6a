// SPDX-License-Identifier: GPL-3.0-or-later
// A line through a serial device server (ser2net, an Ethernet-to-RS-485 gateway): the connection
// stands in for the port, with the same waits and time-outs as a local one, so that exchanges,
// searches and recovery work on it unchanged. Through RFC 2217 the server's port is set as a
// local one would be and each setting is checked against the server's answer; through raw TCP
// the bytes go as they are.
#include <algorithm>
#include <chrono>
#include <memory>

#include "net_socket.h"
#include "port_backends.h"
#include "port_timing.h"
#include "rfc2217.h"

namespace {

// A remote line times as a local port does.
using namespace port_timing;
using std::chrono::milliseconds;

// How long a raw TCP open listens for a server's refusal (ser2net writes "Port's device already in
// use" and closes): a few round trips of the connection just made, and never less than this.
constexpr int kLeastRefusalWaitMs = 5;

struct RemoteLine {
    RemoteLine(SocketId socket, bool telnet) : socket(socket), telnet(telnet) {}
    ~RemoteLine() { CloseSocket(socket); }
    RemoteLine(const RemoteLine&) = delete;
    RemoteLine& operator=(const RemoteLine&) = delete;

    int Queued() const { return static_cast<int>(received.size() - taken); }

    SocketId socket;
    bool telnet;  // RFC 2217; otherwise raw TCP
    rfc2217::Decoder decoder;
    std::vector<uint8_t> received;  // the line's bytes that came, from `taken` on not yet read
    size_t taken = 0;
    bool closed = false;  // the server closed the connection, or it failed
};

RemoteLine& Of(const PortHandle& handle) {
    return *reinterpret_cast<RemoteLine*>(handle.native());
}

// Takes in whatever the server has sent by now, and answers its option talk.
void Drain(RemoteLine& line) {
    uint8_t chunk[4096];
    while (!line.closed) {
        const int n = ReceiveNow(line.socket, chunk, sizeof chunk);
        if (n < 0)
            break;
        if (n == 0) {
            line.closed = true;
            break;
        }
        if (!line.telnet) {
            line.received.insert(line.received.end(), chunk, chunk + n);
            continue;
        }
        line.decoder.Feed(chunk, n, line.received);
        std::vector<uint8_t>& reply = line.decoder.reply();
        if (!reply.empty())
            SendAll(line.socket, reply.data(), static_cast<int>(reply.size()), kWriteConstantMs);
        reply.clear();
    }
    if (line.taken == line.received.size()) {
        line.received.clear();
        line.taken = 0;
    }
}

void Discard(RemoteLine& line) {
    Drain(line);
    line.received.clear();
    line.taken = 0;
}

bool Send(RemoteLine& line, const std::vector<uint8_t>& bytes, int budgetMs) {
    const int length = static_cast<int>(bytes.size());
    return SendAll(line.socket, bytes.data(), length, budgetMs) == length;
}

// A COM-PORT-OPTION command and the value it asks for; its answer is waited for unless it is one
// that servers may leave unanswered (ser2net says nothing to DTR on a port without modem lines).
struct Asked {
    rfc2217::Command command;
    long expected;
    bool awaited = true;
    bool answered = false;
};

// Sends the commands (after `prefix`) and waits for every answer. None, or why the line is not
// usable: Busy when the server hangs up, NotRfc2217 when it will not take the option or never
// answers, RateRefused when it answers with another value than the one asked for.
OpenError Ask(RemoteLine& line, std::vector<uint8_t> prefix, std::vector<Asked> asked,
              Clock::time_point deadline) {
    for (const Asked& a : asked) {
        std::vector<uint8_t> bytes;
        if (a.command == rfc2217::SET_BAUDRATE)
            bytes = rfc2217::SetBaudrate(static_cast<uint32_t>(a.expected < 0 ? 0 : a.expected));
        else
            bytes = rfc2217::CommandBytes(a.command, {static_cast<uint8_t>(a.expected)});
        prefix.insert(prefix.end(), bytes.begin(), bytes.end());
    }
    line.decoder.answers().clear();
    if (!Send(line, prefix, RemainingMs(deadline)))
        return OpenError::Busy;
    bool refused = false;
    auto open = std::count_if(asked.begin(), asked.end(), [](const Asked& a) { return a.awaited; });
    while (open > 0) {
        Drain(line);
        for (const rfc2217::Answer& answer : line.decoder.answers()) {
            for (Asked& a : asked) {
                if (a.answered || !a.awaited || a.command != answer.command)
                    continue;
                a.answered = true;
                --open;
                // A query (rate 0) takes whatever the server says.
                refused |= a.expected > 0 && answer.Number() != static_cast<uint32_t>(a.expected);
                break;
            }
        }
        line.decoder.answers().clear();
        if (open == 0)
            break;
        if (line.closed)
            return OpenError::Busy;
        if (line.decoder.refused())
            return OpenError::NotRfc2217;
        const int left = RemainingMs(deadline);
        if (left == 0 || WaitReadable(line.socket, left) == SocketReady::Quiet) {
            Drain(line);
            return line.closed ? OpenError::Busy : OpenError::NotRfc2217;
        }
    }
    return refused ? OpenError::RateRefused : OpenError::None;
}

// The line settings of a local port: 8N1 at the rate, no flow control, DTR dropped, both
// directions purged.
std::vector<Asked> LineSettings(int baudRate) {
    return {{rfc2217::SET_BAUDRATE, baudRate},
            {rfc2217::SET_DATASIZE, 8},
            {rfc2217::SET_PARITY, rfc2217::PARITY_NONE},
            {rfc2217::SET_STOPSIZE, rfc2217::ONE_STOP_BIT},
            {rfc2217::SET_CONTROL, rfc2217::NO_FLOW_CONTROL},
            {rfc2217::SET_CONTROL, rfc2217::DTR_OFF, false},
            {rfc2217::PURGE_DATA, rfc2217::PURGE_BOTH}};
}

// A raw TCP server says nothing when it takes a client; one that refuses says so at once and
// hangs up.
OpenError Settle(RemoteLine& line, milliseconds connectTime, Clock::time_point deadline) {
    const auto wait = std::max(milliseconds(kLeastRefusalWaitMs), 3 * connectTime);
    const auto until = std::min(deadline, Clock::now() + wait);
    Drain(line);
    while (!line.closed && RemainingMs(until) > 0 &&
           WaitReadable(line.socket, RemainingMs(until)) == SocketReady::Readable)
        Drain(line);
    return line.closed ? OpenError::Busy : OpenError::None;
}

// Connects and makes the line ready: with the settings asked for (Open), or only the rate asked
// after, which changes nothing (Probe).
PortOpening Connect(const PortUrl& url, const std::string& name, std::vector<Asked> settings) {
    PortOpening opening;
    opening.path = name;
    const auto start = Clock::now();
    const auto deadline = start + milliseconds(REMOTE_OPEN_BUDGET_MS);
    const Connection connection = ConnectTcp(url.host, url.port, REMOTE_OPEN_BUDGET_MS);
    if (connection.socket == NO_SOCKET) {
        opening.error = connection.error;
        opening.osError = connection.osError;
        return opening;
    }
    auto line = std::make_unique<RemoteLine>(connection.socket, url.kind == PortKind::Rfc2217);
    opening.error =
        line->telnet ? Ask(*line, line->decoder.Greeting(), std::move(settings), deadline)
                     : Settle(*line, std::chrono::duration_cast<milliseconds>(Clock::now() - start),
                              deadline);
    if (opening.error == OpenError::None) {
        Discard(*line);
        opening.handle = PortHandle::Remote(reinterpret_cast<std::intptr_t>(line.release()));
    }
    return opening;
}

}  // namespace

PortOpening remote_port::Open(const PortUrl& url, const std::string& name, int baudRate) {
    return Connect(url, name, LineSettings(baudRate));
}

PortOpening remote_port::Probe(const PortUrl& url, const std::string& name) {
    PortOpening opening = Connect(url, name, {{rfc2217::SET_BAUDRATE, 0}});
    ClosePort(opening.handle);
    return opening;
}

bool remote_port::SetRate(const PortHandle& handle, int baudRate) {
    RemoteLine& line = Of(handle);
    if (!line.telnet || line.closed)
        return false;
    const auto deadline = Clock::now() + milliseconds(REMOTE_OPEN_BUDGET_MS);
    const OpenError error = Ask(
        line, {}, {{rfc2217::SET_BAUDRATE, baudRate}, {rfc2217::PURGE_DATA, rfc2217::PURGE_BOTH}},
        deadline);
    Discard(line);
    return error == OpenError::None;
}

void remote_port::Close(PortHandle& handle) {
    delete &Of(handle);
    handle = PortHandle{};
}

bool remote_port::HungUp(const PortHandle& handle) {
    RemoteLine& line = Of(handle);
    Drain(line);
    return line.closed;
}

void remote_port::Purge(const PortHandle& handle) {
    RemoteLine& line = Of(handle);
    Discard(line);
    line.decoder.answers().clear();
    // The server drops what it holds for the line and what it has not yet sent on it; the answer
    // is not waited for: the request that follows is behind the purge on the connection.
    if (line.telnet)
        Send(line, rfc2217::CommandBytes(rfc2217::PURGE_DATA, {rfc2217::PURGE_BOTH}),
             kWriteConstantMs);
}

int remote_port::Wait(const PortHandle& handle, int count, int budgetMs, int stopFd) {
    const auto deadline = Clock::now() + milliseconds(budgetMs > 0 ? budgetMs : 0);
    RemoteLine& line = Of(handle);
    Drain(line);
    // A reply split over several segments is waited for whole: each arrival is taken in.
    while (line.Queued() < count && !line.closed) {
        const int left = RemainingMs(deadline);
        if (left == 0 || WaitReadable(line.socket, left, stopFd) == SocketReady::Stopped)
            break;
        Drain(line);
    }
    return line.Queued();
}

int remote_port::Write(const PortHandle& handle, const uint8_t* bytes, int length) {
    if (length <= 0)
        return 0;
    RemoteLine& line = Of(handle);
    std::vector<uint8_t> out;
    if (line.telnet)
        rfc2217::AppendEscaped(out, bytes, length);
    else
        out.assign(bytes, bytes + length);
    const int budget = kWritePerByteMs * length + kWriteConstantMs;
    return Send(line, out, budget) ? length : 0;
}

int remote_port::Read(const PortHandle& handle, uint8_t* bytes, int length) {
    if (length <= 0)
        return 0;
    RemoteLine& line = Of(handle);
    const auto total = Clock::now() + milliseconds(kReadPerByteMs * length + kReadConstantMs);
    int got = 0;
    Drain(line);
    for (;;) {
        const int take = std::min(line.Queued(), length - got);
        std::copy_n(line.received.begin() + static_cast<long>(line.taken), take, bytes + got);
        line.taken += static_cast<size_t>(take);
        got += take;
        if (got == length || line.closed)
            break;
        // As on a local port: the interval time-out runs only once a byte has come, the total
        // always.
        int wait = RemainingMs(total);
        if (got > 0 && wait > kReadIntervalMs)
            wait = kReadIntervalMs;
        if (wait == 0 || WaitReadable(line.socket, wait) == SocketReady::Quiet)
            break;
        Drain(line);
    }
    return got;
}
