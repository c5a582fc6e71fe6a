#include "sensor_engine.h"

#include <cmath>
#include <numbers>
#include <utility>

#include "exchange.h"

namespace {

constexpr int kRequestLength = 8;
constexpr double kFrameGapS = 0.05;  // a pause this long ends a partial frame (line noise)

constexpr int kIllegalFunction = 1;
constexpr int kIllegalAddress = 2;
constexpr int kIllegalValue = 3;
constexpr int kDeviceFailure = 4;

bool IsSupportedBaud(int baud) {
    return baud == 1200 || baud == 2400 || baud == 4800 || baud == 9600 || baud == 19200;
}

void AppendCheck(std::vector<uint8_t>& frame) {
    const uint16_t check = Crc16(frame.data(), static_cast<int>(frame.size()));
    frame.push_back(static_cast<uint8_t>(check >> 8));
    frame.push_back(static_cast<uint8_t>(check & 0xFF));
}

bool CheckOk(const uint8_t* frame, int length) {
    const uint16_t check = Crc16(frame, length - 2);
    return frame[length - 2] == (check >> 8) && frame[length - 1] == (check & 0xFF);
}

}  // namespace

int MeasurementWord(double amperes) {
    const long tenths = std::lround(std::fabs(amperes) * 10.0);
    const int magnitude = tenths > 0x7FFF ? 0x7FFF : static_cast<int>(tenths);
    return amperes < 0 && magnitude != 0 ? 0x8000 | magnitude : magnitude;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

SensorEngine::SensorEngine(const SensorConfig& config)
    : config_(config), address_(config.address), baud_(config.baud), turnsWord_(config.turnsWord) {}

std::vector<FrameEvent> SensorEngine::Receive(const uint8_t* bytes, size_t length, int baudSeen,
                                              double nowS) {
    std::vector<FrameEvent> events;
    if (lastByteS_ >= 0 && nowS - lastByteS_ > kFrameGapS)
        pending_.clear();
    lastByteS_ = nowS;
    pending_.insert(pending_.end(), bytes, bytes + length);
    // Every request of this protocol is 8 bytes. A window that fails the check is noise: slide on
    // by one byte until a frame lines up again.
    while (pending_.size() >= kRequestLength) {
        if (!CheckOk(pending_.data(), kRequestLength)) {
            pending_.erase(pending_.begin());
            continue;
        }
        FrameEvent event{{pending_.begin(), pending_.begin() + kRequestLength}, baudSeen, {}};
        pending_.erase(pending_.begin(), pending_.begin() + kRequestLength);
        // On a real line a master at another rate sends garbage; the sensor hears nothing.
        if (baudSeen == baud_ && event.request[0] == address_)
            event.reply = Answer(event.request, nowS);
        events.push_back(std::move(event));
        if (newAddress_)
            address_ = *std::exchange(newAddress_, std::nullopt);
        if (newBaud_)
            baud_ = *std::exchange(newBaud_, std::nullopt);
    }
    return events;
}

std::optional<std::vector<uint8_t>> SensorEngine::Answer(const std::vector<uint8_t>& request,
                                                         double nowS) {
    ++answeredToUs_;
    if (config_.silent || (config_.dropEvery > 0 && answeredToUs_ % config_.dropEvery == 0))
        return std::nullopt;
    const int function = request[1];
    const int reg = request[2] << 8 | request[3];
    const int value = request[4] << 8 | request[5];
    std::vector<uint8_t> reply;
    if (config_.exception)
        reply = ExceptionReply(function, kDeviceFailure);
    else if (function == 0x04 || function == 0x03)
        reply = ReadReply(function, reg, value, nowS);
    else if (function == 0x06)
        reply = WriteReply(request, reg, value, nowS);
    else
        reply = ExceptionReply(function, kIllegalFunction);
    Finish(reply);
    return reply;
}

std::vector<uint8_t> SensorEngine::ReadReply(int function, int reg, int count, double nowS) {
    if (count < 1 || count > 8)
        return ExceptionReply(function, kIllegalValue);
    std::vector<uint8_t> reply{static_cast<uint8_t>(address_), static_cast<uint8_t>(function),
                               static_cast<uint8_t>(2 * count)};
    for (int k = 0; k < count; ++k) {
        const std::optional<int> word = RegisterWord(reg + k, nowS);
        if (!word)
            return ExceptionReply(function, kIllegalAddress);
        reply.push_back(static_cast<uint8_t>(*word >> 8));
        reply.push_back(static_cast<uint8_t>(*word & 0xFF));
    }
    AppendCheck(reply);
    return reply;
}

std::vector<uint8_t> SensorEngine::WriteReply(const std::vector<uint8_t>& request, int reg,
                                              int value, double nowS) {
    switch (reg) {
        case 2: turnsWord_ = value; break;
        case 4:
            if (value > 255)
                return ExceptionReply(0x06, kIllegalValue);
            newAddress_ = value;
            break;
        case 6:
            if (!IsSupportedBaud(value))
                return ExceptionReply(0x06, kIllegalValue);
            newBaud_ = value;
            break;
        case 8: zeroOffset_ = CurrentAt(nowS) + zeroOffset_; break;
        case 10:
            if (value != 0x3C96)
                return ExceptionReply(0x06, kIllegalValue);
            break;
        default: return ExceptionReply(0x06, kIllegalAddress);
    }
    if (config_.echoWrites)
        return request;
    // The sensor answers a write in 7 bytes: address, function, 2, the value, check.
    std::vector<uint8_t> reply{static_cast<uint8_t>(address_), 0x06, 2,
                               static_cast<uint8_t>(value >> 8),
                               static_cast<uint8_t>(value & 0xFF)};
    AppendCheck(reply);
    return reply;
}

std::vector<uint8_t> SensorEngine::ExceptionReply(int function, int code) const {
    std::vector<uint8_t> reply{static_cast<uint8_t>(address_),
                               static_cast<uint8_t>((function | 0x80) & 0xFF),
                               static_cast<uint8_t>(code)};
    AppendCheck(reply);
    return reply;
}

std::optional<int> SensorEngine::RegisterWord(int reg, double nowS) const {
    switch (reg) {
        case 0: return MeasurementWord(CurrentAt(nowS));
        case 2: return turnsWord_;
        case 4: return address_;
        case 6: return baud_;
        default: return std::nullopt;
    }
}

// What the sensor measures now, less what it was zeroed at.
double SensorEngine::CurrentAt(double nowS) const {
    double amperes = config_.current;
    if (config_.sineAmplitude != 0.0 && config_.sinePeriodS > 0.0)
        amperes +=
            config_.sineAmplitude * std::sin(2 * std::numbers::pi * nowS / config_.sinePeriodS);
    return amperes - zeroOffset_;
}

void SensorEngine::Finish(std::vector<uint8_t>& reply) const {
    if (config_.badCrc)
        reply.back() ^= 0xFF;
    if (config_.extraByte)
        reply.push_back(0x00);
}
