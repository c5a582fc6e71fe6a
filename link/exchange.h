// SPDX-License-Identifier: GPL-3.0-or-later
// One request/reply exchange with the sensor, in the sensor's Modbus RTU subset: an 8-byte
// request (read input register 0x04 or write single register 0x06) answered by a 7-byte reply,
// both guarded by the Modbus CRC-16.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <shared_mutex>
#include <string>
#include <vector>

#include "serial_port.h"

struct LinkState;

inline constexpr int SHORT_WAIT_MS = 500;  // a search probe
inline constexpr int LONG_WAIT_MS = 4000;  // every other exchange
inline constexpr int REPLY_LENGTH = 7;     // the sensor answers reads and writes alike in 7 bytes
inline constexpr int REQUEST_LENGTH = 8;
inline constexpr int EXCEPTION_LENGTH = 5;  // address, function | 0x80, code, check

// The Modbus check with its two bytes swapped, so that sending the result high byte first puts
// the CRC's low-order byte on the wire first, as Modbus RTU wants.
uint16_t Crc16(const uint8_t* bytes, int length);

// Address and register travel as their low bytes/words; values are taken modulo 65536.
std::array<uint8_t, REQUEST_LENGTH> BuildRequest(int address, int function, int reg, int value);

// What became of an exchange. The sensor's replies are judged by length and check alone, so a
// reply from another address or with another function code is still accepted (OtherSender); it
// is told apart only so that a person diagnosing the line can see it.
enum class ExchangeCause {
    Accepted,
    OtherSender,  // accepted, though its address or function differs from the request's
    NoReply,
    Short,    // fewer bytes than a reply has
    TooLong,  // more bytes queued than a reply has
    BadCheck,
    EchoCorrupted,  // what came first began as the request but was cut short or differs from it
    EchoNoReply,    // the request came back whole, and nothing after it
    LateAnswer,     // from another address or function where only the requested one counts
    Exception,      // a Modbus exception reply: the function with its top bit set, and a code
};

// Whose reply an exchange accepts. Commands take one from another address or function, as the
// sensor's users always have; a search must not, since there it is an earlier probe's late answer.
enum class ReplyFrom { AnySender, RequestedOnly };

// Whether a reply is accepted, and if not why: exactly replyLength bytes both queued and read,
// and a check over all but the last two bytes that matches them.
ExchangeCause JudgeReply(const uint8_t* request, const uint8_t* reply, int got, int queued,
                         int replyLength);

// What a person watching the line hears besides exchanges: what became of the port itself.
enum class PortEvent {
    None,        // the record is an exchange
    OpenFailed,  // the port could not be opened: openError and detail say why
    HungUp,      // the open line hung up (an adapter pulled out, the peer gone)
    Back,        // the port opened again after it had hung up or could not be opened
};

// One exchange as it happened, for its caller and for diagnostics; or an event of its port.
struct ExchangeRecord {
    std::chrono::system_clock::time_point time;  // when the request went out
    std::string portLabel;                       // the link's port and rate, when known
    int baud = 0;
    std::array<uint8_t, REQUEST_LENGTH> request{};
    std::vector<uint8_t> echo;   // the request as the adapter echoed it back; empty on most lines
    std::vector<uint8_t> reply;  // the bytes read after any echo
    int queued = 0;              // reply bytes waiting when the wait ended
    ExchangeCause cause = ExchangeCause::NoReply;
    PortEvent event = PortEvent::None;
    OpenError openError = OpenError::None;  // OpenFailed: the reason
    // OpenFailed: NoPermission's group; Busy's holders ("minicom 4242, ..."); Other's system text.
    std::string detail;

    bool accepted() const {
        return cause == ExchangeCause::Accepted || cause == ExchangeCause::OtherSender;
    }
};

// The cause in words: "accepted", "no reply", "short, 6 bytes", "too long, 8 bytes",
// "bad check", "accepted from another address or function", "echo corrupted", "echo, no reply",
// "exception 2 (illegal data address)".
std::string DescribeCause(const ExchangeRecord& record);

// The cause as a word a script can compare: "accepted", "other_sender", "no_reply", "short",
// "too_long", "bad_check", "echo_corrupted", "echo_no_reply", "late_answer", "exception".
const char* CauseCode(ExchangeCause cause);

// An exception reply's code (its third byte); 0 for any other cause.
int ExceptionCode(const ExchangeRecord& record);

// The standard name of a Modbus exception code ("illegal data address"); "" for a code that has
// none.
const char* ExceptionName(int code);

// Where the bytes of an exchange come from once its request is out: the port, or for tests and
// fuzzing a scripted line. `wait` and `read` behave as WaitForInput and ReadPort.
struct ReplySource {
    std::function<int(int count, int budgetMs)> wait;
    std::function<int(uint8_t* bytes, int length)> read;
};

// Waits for the reply to record.request and judges it, filling the record's echo, reply, queued
// and cause; TransactOn's reception, apart from the port. Many RS-485 adapters hear their own
// request: when the first bytes are that request they are kept as the echo and the reply is
// awaited after them, within the budget plus echoMs (the echo's time on the wire). A reply never
// begins with the request (its third byte is the byte count 2, a request's the register's high
// byte 0), so on a line without echo this waits and reads exactly as before.
void ReceiveReply(ExchangeRecord& record, const ReplySource& source, int replyLength, int budgetMs,
                  int firstByteMs, int echoMs);

// Sends one request on link.port and waits up to budgetMs for the reply. On an accepted reply to
// a read (0x04) stores its first word in link.lastReadWord. The port must be open; this neither
// opens nor closes it. With firstByteMs > 0 the wait ends early when no byte at all has come by
// then: a reply that has not begun by then cannot be complete within the budget.
ExchangeRecord TransactOn(LinkState& link, int address, int function, int reg, int value,
                          int replyLength, int budgetMs, int firstByteMs = 0,
                          ReplyFrom from = ReplyFrom::AnySender);

using ExchangeObserver = std::function<void(const ExchangeRecord&)>;

// Where the exchanges of the links that point to it are reported, for a person watching the line
// (the traffic log, tessalyctl --trace). Its owner hands it to each of its links
// (LinkState::watch), the window's and its search worker's alike. Any thread may set or clear the
// observer at any time, also while another thread exchanges. The observer runs on the thread that
// made the exchange, right after it; several threads may call it at once, so it must be
// thread-safe, quick, and must not wait for the thread that sets observers (Set waits here below).
// Once Set returns, the previous observer is not running and will not run again.
class ExchangeWatch {
public:
    void Set(ExchangeObserver observer);
    // Costs one atomic load when nobody is watching.
    void Report(const ExchangeRecord& record);
    // Whether an observer is set now: a report that is costly to make is made only then.
    bool Watching() const { return set_.load(std::memory_order_acquire); }

private:
    std::atomic<bool> set_{false};
    std::shared_mutex mutex_;  // shared while reporting, so that threads report at once
    ExchangeObserver observer_;
};
