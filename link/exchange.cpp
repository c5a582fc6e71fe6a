#include "exchange.h"

#include "link_state.h"

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

ExchangeObserver& Observer() {
    static ExchangeObserver observer;
    return observer;
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

ExchangeOutcome JudgeReply(const uint8_t* reply, int got, int queued, int replyLength) {
    if (replyLength < 3)
        return ExchangeOutcome::WrongLength;
    if (got == 0 && queued == 0)
        return ExchangeOutcome::NoReply;
    if (got != replyLength || queued != replyLength)
        return ExchangeOutcome::WrongLength;
    const uint16_t check = Crc16(reply, replyLength - 2);
    const int sent = reply[replyLength - 2] << 8 | reply[replyLength - 1];
    return sent == check ? ExchangeOutcome::Accepted : ExchangeOutcome::BadCheck;
}

int Transact(int address, int function, int reg, int value, int replyLength, int budgetMs) {
    constexpr int kLongestReply = 256;  // a Modbus RTU frame is never longer
    if (replyLength < 3 || replyLength > kLongestReply)
        return 0;
    const auto request = BuildRequest(address, function, reg, value);
    WritePort(g_link.port, request.data(), REQUEST_LENGTH);
    const int queued = WaitForInput(g_link.port, replyLength, budgetMs);
    uint8_t reply[kLongestReply] = {};
    // A short wait already decides the exchange: the reply needs exactly replyLength bytes queued,
    // so sitting out the read time-out for late bytes could only cost time. Take what is there.
    const int got = ReadPort(g_link.port, reply, queued < replyLength ? queued : replyLength);
    const ExchangeOutcome outcome = JudgeReply(reply, got, queued, replyLength);
    if (const ExchangeObserver& observer = Observer())
        observer({request, std::vector<uint8_t>(reply, reply + got), queued, outcome});
    if (outcome != ExchangeOutcome::Accepted)
        return 0;
    if (function == 0x04)
        g_link.lastReadWord = reply[3] << 8 | reply[4];
    return 1;
}

void SetExchangeObserver(ExchangeObserver observer) {
    Observer() = std::move(observer);
}
