// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchange.h"

#include <algorithm>
#include <mutex>
#include <shared_mutex>

#include "link_state.h"
#include "registers.h"

namespace {

// The two byte tables of the Modbus serial-line CRC: the reflected CRC-16 (polynomial 0xA001)
// of each single byte value, split into its low byte (kHi) and its high byte (kLo).
struct CrcTables {
    uint8_t hi[256];
    uint8_t lo[256];
};

constexpr CrcTables MakeCrcTables() {
    CrcTables tables{};
    for (int i = 0; i < 256; ++i) {
        uint16_t crc = static_cast<uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<uint16_t>(crc >> 1);
        tables.hi[i] = static_cast<uint8_t>(crc & 0xFF);
        tables.lo[i] = static_cast<uint8_t>(crc >> 8);
    }
    return tables;
}

constexpr CrcTables kCrc = MakeCrcTables();

constexpr int kLongestReply = 256;  // a Modbus RTU frame is never longer

// The request's own first three bytes (address, function, register high byte) coming back. A
// reply to it differs in the third (the byte count, 2, where a register of the sensor has 0).
bool BeginsAsEcho(const uint8_t* request, const uint8_t* bytes, int count) {
    return count >= 3 && std::equal(bytes, bytes + 3, request);
}

// The echo's time on the wire, ten bits a byte; at the slowest rate when the link's is unknown.
int EchoMs(int baud) {
    const int rate = baud > 0 ? baud : SENSOR_RATES.front();
    return (REQUEST_LENGTH * 10 * 1000 + rate - 1) / rate;
}

}  // namespace

uint16_t Crc16(const uint8_t* bytes, int length) {
    uint8_t hi = 0xFF;
    uint8_t lo = 0xFF;
    for (int k = 0; k < length; ++k) {
        const uint8_t i = hi ^ bytes[k];
        hi = lo ^ kCrc.hi[i];
        lo = kCrc.lo[i];
    }
    return static_cast<uint16_t>(hi << 8 | lo);
}

std::array<uint8_t, REQUEST_LENGTH> BuildRequest(int address, int function, int reg, int value) {
    std::array<uint8_t, REQUEST_LENGTH> request{
        static_cast<uint8_t>(address & 0xFF),      static_cast<uint8_t>(function & 0xFF),
        static_cast<uint8_t>((reg >> 8) & 0xFF),   static_cast<uint8_t>(reg & 0xFF),
        static_cast<uint8_t>((value >> 8) & 0xFF), static_cast<uint8_t>(value & 0xFF)};
    const uint16_t check = Crc16(request.data(), 6);
    request[6] = static_cast<uint8_t>(check >> 8);
    request[7] = static_cast<uint8_t>(check & 0xFF);
    return request;
}

ExchangeCause JudgeReply(const uint8_t* request, const uint8_t* reply, int got, int queued,
                         int replyLength) {
    if (got == 0 && queued == 0)
        return ExchangeCause::NoReply;
    if (queued > replyLength)
        return ExchangeCause::TooLong;
    // An exception reply is short by design, and said as what it is once its check holds.
    if (got == EXCEPTION_LENGTH && queued == EXCEPTION_LENGTH && replyLength > EXCEPTION_LENGTH &&
        reply[1] == (request[1] | 0x80) &&
        Crc16(reply, EXCEPTION_LENGTH - 2) == (reply[3] << 8 | reply[4]))
        return ExchangeCause::Exception;
    if (replyLength < 3 || got != replyLength || queued != replyLength)
        return ExchangeCause::Short;
    const uint16_t check = Crc16(reply, replyLength - 2);
    const int sent = reply[replyLength - 2] << 8 | reply[replyLength - 1];
    if (sent != check)
        return ExchangeCause::BadCheck;
    return reply[0] == request[0] && reply[1] == request[1] ? ExchangeCause::Accepted
                                                            : ExchangeCause::OtherSender;
}

std::string DescribeCause(const ExchangeRecord& record) {
    const int bytes = std::max(record.queued, static_cast<int>(record.reply.size()));
    switch (record.cause) {
        case ExchangeCause::Accepted: return "accepted";
        case ExchangeCause::OtherSender: return "accepted from another address or function";
        case ExchangeCause::NoReply: return "no reply";
        case ExchangeCause::Short: return "short, " + std::to_string(bytes) + " bytes";
        case ExchangeCause::TooLong: return "too long, " + std::to_string(bytes) + " bytes";
        case ExchangeCause::BadCheck: return "bad check";
        case ExchangeCause::EchoCorrupted: return "echo corrupted";
        case ExchangeCause::EchoNoReply: return "echo, no reply";
        case ExchangeCause::LateAnswer: return "late answer from another address or function";
        case ExchangeCause::Exception: {
            const int code = ExceptionCode(record);
            const std::string name = ExceptionName(code);
            return "exception " + std::to_string(code) + (name.empty() ? "" : " (" + name + ")");
        }
    }
    return {};
}

const char* CauseCode(ExchangeCause cause) {
    switch (cause) {
        case ExchangeCause::Accepted: return "accepted";
        case ExchangeCause::OtherSender: return "other_sender";
        case ExchangeCause::NoReply: return "no_reply";
        case ExchangeCause::Short: return "short";
        case ExchangeCause::TooLong: return "too_long";
        case ExchangeCause::BadCheck: return "bad_check";
        case ExchangeCause::EchoCorrupted: return "echo_corrupted";
        case ExchangeCause::EchoNoReply: return "echo_no_reply";
        case ExchangeCause::LateAnswer: return "late_answer";
        case ExchangeCause::Exception: return "exception";
    }
    return "";
}

int ExceptionCode(const ExchangeRecord& record) {
    return record.cause == ExchangeCause::Exception && record.reply.size() > 2 ? record.reply[2]
                                                                               : 0;
}

const char* ExceptionName(int code) {
    // The Modbus application protocol's exception codes; 7 and 9 are unassigned.
    switch (code) {
        case 1: return "illegal function";
        case 2: return "illegal data address";
        case 3: return "illegal data value";
        case 4: return "server device failure";
        case 5: return "acknowledge";
        case 6: return "server device busy";
        case 8: return "memory parity error";
        case 10: return "gateway path unavailable";
        case 11: return "gateway target device failed to respond";
    }
    return "";
}

void ReceiveReply(ExchangeRecord& record, const ReplySource& source, int replyLength, int budgetMs,
                  int firstByteMs, int echoMs) {
    const auto start = std::chrono::steady_clock::now();
    const auto budgetLeft = [&](int budget) {
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count();
        return budget - static_cast<int>(std::min<long>(spent, budget));
    };
    if (firstByteMs > 0 && firstByteMs < budgetMs) {
        record.queued = source.wait(1, firstByteMs);
        if (record.queued > 0)
            record.queued = source.wait(replyLength, budgetLeft(budgetMs));
    } else {
        record.queued = source.wait(replyLength, budgetMs);
    }
    uint8_t bytes[kLongestReply] = {};
    // A short wait already decides the exchange: the reply needs exactly replyLength bytes queued,
    // so sitting out the read time-out for late bytes could only cost time. Take what is there.
    int got = source.read(bytes, std::min(record.queued, replyLength));
    const uint8_t* request = record.request.data();
    const int echoed = std::min(got, REQUEST_LENGTH);
    if (!BeginsAsEcho(request, bytes, got)) {
        record.reply.assign(bytes, bytes + got);
        record.cause = JudgeReply(request, bytes, got, record.queued, replyLength);
        return;
    }
    record.echo.assign(bytes, bytes + echoed);
    // A reply longer than the request has its first bytes read already, after the echo.
    const int early = got - echoed;
    if (!std::equal(bytes, bytes + echoed, request)) {
        record.reply.assign(bytes + echoed, bytes + got);
        record.cause = ExchangeCause::EchoCorrupted;
        return;
    }
    // The rest of the echo and the whole reply, in one wait that ends with the reply's last byte.
    const int missing = REQUEST_LENGTH - echoed;
    const int queued = source.wait(missing + replyLength - early, budgetLeft(budgetMs) + echoMs);
    uint8_t rest[REQUEST_LENGTH] = {};
    const int gotRest = source.read(rest, std::min(missing, queued));
    record.echo.insert(record.echo.end(), rest, rest + gotRest);
    if (gotRest < missing || !std::equal(rest, rest + missing, request + echoed)) {
        record.cause = ExchangeCause::EchoCorrupted;
        return;
    }
    record.queued = queued - missing + early;
    std::copy(bytes + echoed, bytes + got, bytes);
    got = early + source.read(bytes + early, std::min(record.queued, replyLength) - early);
    record.reply.assign(bytes, bytes + got);
    record.cause = JudgeReply(request, bytes, got, record.queued, replyLength);
    if (record.cause == ExchangeCause::NoReply)
        record.cause = ExchangeCause::EchoNoReply;
}

ExchangeRecord TransactOn(LinkState& link, int address, int function, int reg, int value,
                          int replyLength, int budgetMs, int firstByteMs, ReplyFrom from) {
    ExchangeRecord record;
    record.time = std::chrono::system_clock::now();
    record.portLabel = link.portLabel;
    record.baud = link.baud;
    record.request = BuildRequest(address, function, reg, value);
    if (replyLength < 3 || replyLength > kLongestReply) {
        record.cause = ExchangeCause::Short;
        return record;
    }
    WritePort(link.port, record.request.data(), REQUEST_LENGTH);
    const ReplySource port{
        [&](int count, int ms) { return WaitForInput(link.port, count, ms, link.stopFd); },
        [&](uint8_t* bytes, int length) { return ReadPort(link.port, bytes, length); }};
    ReceiveReply(record, port, replyLength, budgetMs, firstByteMs, EchoMs(link.baud));
    if (record.cause == ExchangeCause::OtherSender && from == ReplyFrom::RequestedOnly)
        record.cause = ExchangeCause::LateAnswer;
    if (record.accepted() && function == 0x04 && record.reply.size() >= 5)
        link.lastReadWord = record.reply[3] << 8 | record.reply[4];
    if (link.watch)
        link.watch->Report(record);
    return record;
}

void ExchangeWatch::Set(ExchangeObserver observer) {
    std::unique_lock lock(mutex_);
    set_.store(static_cast<bool>(observer), std::memory_order_release);
    observer_ = std::move(observer);
}

void ExchangeWatch::Report(const ExchangeRecord& record) {
    if (!set_.load(std::memory_order_acquire))
        return;
    std::shared_lock lock(mutex_);
    if (observer_)
        observer_(record);
}
