// SPDX-License-Identifier: GPL-3.0-or-later
#include "sensor_engine.h"

#include <cmath>
#include <numbers>
#include <utility>

#include "exchange.h"
#include "registers.h"

namespace {

// The device's register numbers, written here rather than taken from the register map that the
// window and the operations use: the simulator is an independent model of the sensor, so a slip in
// that map makes a test fail instead of being copied into the model.
constexpr int kMeasurement = 0;
constexpr int kTurns = 2;
constexpr int kAddress = 4;
constexpr int kBaud = 6;
constexpr int kZero = 8;
constexpr int kCalibrate = 10;
constexpr int kCalibrationWord = 0x3C96;

constexpr int kRequestLength = 8;
constexpr double kFrameGapS = 0.05;  // a pause this long ends a partial frame (line noise)

constexpr int kIllegalFunction = 1;
constexpr int kIllegalAddress = 2;
constexpr int kIllegalValue = 3;
constexpr int kDeviceFailure = 4;

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

std::vector<std::vector<uint8_t>> RequestFramer::Feed(const uint8_t* bytes, size_t length,
                                                      double nowS) {
    std::vector<std::vector<uint8_t>> requests;
    if (lastByteS_ >= 0 && nowS - lastByteS_ > kFrameGapS)
        pending_.clear();
    lastByteS_ = nowS;
    pending_.insert(pending_.end(), bytes, bytes + length);
    // Slide on by one byte past noise until a frame lines up again.
    while (pending_.size() >= kRequestLength) {
        if (!CheckOk(pending_.data(), kRequestLength)) {
            pending_.erase(pending_.begin());
            continue;
        }
        requests.emplace_back(pending_.begin(), pending_.begin() + kRequestLength);
        pending_.erase(pending_.begin(), pending_.begin() + kRequestLength);
    }
    return requests;
}

std::vector<FrameEvent> SensorEngine::Receive(const uint8_t* bytes, size_t length, int baudSeen,
                                              double nowS) {
    std::vector<FrameEvent> events;
    for (std::vector<uint8_t>& request : framer_.Feed(bytes, length, nowS)) {
        auto reply = Hear(request, baudSeen, nowS);
        events.push_back({std::move(request), baudSeen, std::move(reply)});
    }
    return events;
}

std::optional<std::vector<uint8_t>> SensorEngine::Hear(const std::vector<uint8_t>& request,
                                                       int baudSeen, double nowS) {
    // On a real line a master at another rate sends garbage; the sensor hears nothing.
    if (baudSeen != baud_ || request[0] != address_)
        return std::nullopt;
    auto reply = Answer(request, nowS);
    if (newAddress_)
        address_ = *std::exchange(newAddress_, std::nullopt);
    if (newBaud_)
        baud_ = *std::exchange(newBaud_, std::nullopt);
    return reply;
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
    if (!config_.ignoreWrites)
        if (auto refusal = ApplyWrite(reg, value, nowS))
            return *refusal;
    if (config_.echoWrites)
        return request;
    // The sensor answers a write in 7 bytes: address, function, 2, the value, check.
    std::vector<uint8_t> reply{static_cast<uint8_t>(address_), 0x06, 2,
                               static_cast<uint8_t>(value >> 8),
                               static_cast<uint8_t>(value & 0xFF)};
    AppendCheck(reply);
    return reply;
}

// Nothing when the write took; the exception reply when the sensor refuses it.
std::optional<std::vector<uint8_t>> SensorEngine::ApplyWrite(int reg, int value, double nowS) {
    switch (reg) {
        case kTurns: turnsWord_ = value; break;
        case kAddress:
            if (value > 255)
                return ExceptionReply(0x06, kIllegalValue);
            newAddress_ = value;
            break;
        case kBaud:
            if (BaudIndex(value) < 0)
                return ExceptionReply(0x06, kIllegalValue);
            newBaud_ = value;
            break;
        case kZero: zeroOffset_ = CurrentAt(nowS) + zeroOffset_; break;
        case kCalibrate:
            if (value != kCalibrationWord)
                return ExceptionReply(0x06, kIllegalValue);
            break;
        default: return ExceptionReply(0x06, kIllegalAddress);
    }
    return std::nullopt;
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
        case kMeasurement: return MeasurementWord(CurrentAt(nowS));
        case kTurns: return turnsWord_;
        case kAddress: return address_;
        case kBaud: return baud_;
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
    if (config_.otherAddress) {
        // A well-formed reply, only from the next address: another device answered.
        reply[0] = static_cast<uint8_t>(reply[0] + 1);
        reply.resize(reply.size() - 2);
        AppendCheck(reply);
    }
    if (config_.badCrc)
        reply.back() ^= 0xFF;
    if (config_.extraByte)
        reply.push_back(0x00);
}
