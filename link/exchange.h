// One request/reply exchange with the sensor over the port in g_link, in the sensor's Modbus RTU
// subset: an 8-byte request (read input register 0x04 or write single register 0x06) answered by
// a 7-byte reply, both guarded by the Modbus CRC-16.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

inline constexpr int SHORT_WAIT_MS = 500;  // a search probe
inline constexpr int LONG_WAIT_MS = 4000;  // every other exchange
inline constexpr int REPLY_LENGTH = 7;     // the sensor answers reads and writes alike in 7 bytes
inline constexpr int REQUEST_LENGTH = 8;

// The Modbus check with its two bytes swapped, so that sending the result high byte first puts
// the CRC's low-order byte on the wire first, as Modbus RTU wants.
uint16_t Crc16(const uint8_t* bytes, int length);

// Address and register travel as their low bytes/words; values are taken modulo 65536.
std::array<uint8_t, REQUEST_LENGTH> BuildRequest(int address, int function, int reg, int value);

enum class ExchangeOutcome { Accepted, NoReply, WrongLength, BadCheck };

// Whether a reply is accepted: exactly replyLength bytes both queued and read, and a check over
// all but the last two bytes that matches them. Who sent it and what it says are not examined.
ExchangeOutcome JudgeReply(const uint8_t* reply, int got, int queued, int replyLength);

// Sends one request on g_link.port and waits up to budgetMs for the reply. Returns 1 when the
// reply is accepted (and, for a read, stores its first word in g_link.lastReadWord), 0 otherwise.
// The port must be open; Transact neither opens nor closes it.
int Transact(int address, int function, int reg, int value, int replyLength, int budgetMs);

// A record of one exchange, for diagnostics (the traffic view, the command line).
struct ExchangeRecord {
    std::array<uint8_t, REQUEST_LENGTH> request;
    std::vector<uint8_t> reply;  // the bytes read
    int queued;                  // bytes waiting when the wait ended
    ExchangeOutcome outcome;
};
using ExchangeObserver = std::function<void(const ExchangeRecord&)>;

// Every following exchange is reported to the observer (null: none, the default, which costs
// nothing). Set it while no exchange is running.
void SetExchangeObserver(ExchangeObserver observer);
