// SPDX-License-Identifier: GPL-3.0-or-later
// One request/reply exchange with the sensor, in the sensor's Modbus RTU subset: an 8-byte
// request (read input register 0x04 or write single register 0x06) answered by a 7-byte reply,
// both guarded by the Modbus CRC-16.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct LinkState;

inline constexpr int SHORT_WAIT_MS = 500;  // a search probe
inline constexpr int LONG_WAIT_MS = 4000;  // every other exchange
inline constexpr int REPLY_LENGTH = 7;     // the sensor answers reads and writes alike in 7 bytes
inline constexpr int REQUEST_LENGTH = 8;

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
    LateAnswer,  // from another address or function where only the requested one counts
};

// Whose reply an exchange accepts. Commands take one from another address or function, as the
// sensor's users always have; a search must not, since there it is an earlier probe's late answer.
enum class ReplyFrom { AnySender, RequestedOnly };

// Whether a reply is accepted, and if not why: exactly replyLength bytes both queued and read,
// and a check over all but the last two bytes that matches them.
ExchangeCause JudgeReply(const uint8_t* request, const uint8_t* reply, int got, int queued,
                         int replyLength);

// One exchange as it happened, for its caller and for diagnostics.
struct ExchangeRecord {
    std::chrono::system_clock::time_point time;  // when the request went out
    std::string portLabel;                       // the link's port and rate, when known
    int baud = 0;
    std::array<uint8_t, REQUEST_LENGTH> request{};
    std::vector<uint8_t> reply;  // the bytes read
    int queued = 0;              // bytes waiting when the wait ended
    ExchangeCause cause = ExchangeCause::NoReply;

    bool accepted() const {
        return cause == ExchangeCause::Accepted || cause == ExchangeCause::OtherSender;
    }
};

// The cause in words: "accepted", "no reply", "short, 5 bytes", "too long, 8 bytes",
// "bad check", "accepted from another address or function".
std::string DescribeCause(const ExchangeRecord& record);

// Sends one request on link.port and waits up to budgetMs for the reply. On an accepted reply to
// a read (0x04) stores its first word in link.lastReadWord. The port must be open; this neither
// opens nor closes it. With firstByteMs > 0 the wait ends early when no byte at all has come by
// then: a reply that has not begun by then cannot be complete within the budget.
ExchangeRecord TransactOn(LinkState& link, int address, int function, int reg, int value,
                          int replyLength, int budgetMs, int firstByteMs = 0,
                          ReplyFrom from = ReplyFrom::AnySender);

// The window's exchange, on g_link: 1 when the reply is accepted, 0 otherwise.
int Transact(int address, int function, int reg, int value, int replyLength, int budgetMs);

using ExchangeObserver = std::function<void(const ExchangeRecord&)>;

// Every following exchange, on any thread, is reported to the observer (null: none, the default,
// which costs one atomic load per exchange). Any thread may set or clear it at any time, also
// while a search worker is exchanging. The observer runs on the thread that made the exchange,
// right after it; several threads may call it at once, so it must be thread-safe, quick, and must
// not wait for the thread that sets observers (the window's thread waits here below). Once
// SetExchangeObserver returns, the previous observer is not running and will not run again.
void SetExchangeObserver(ExchangeObserver observer);
