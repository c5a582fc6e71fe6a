// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated sensor's frame engine: takes the bytes a master sends, at the rate the line is
// set to, and says what the sensor answers. No tty here, so tests and the fuzzer drive it directly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SensorConfig {
    int address = 1;
    int baud = 9600;
    int turnsWord = 1;           // register 2: the turns count in its low byte
    double current = 0.0;        // amperes
    double sineAmplitude = 0.0;  // a slow wave on top of the current, amperes
    double sinePeriodS = 30.0;
    // Faults, chosen per run.
    bool silent = false;        // never answers
    bool badCrc = false;        // answers with a wrong check
    int dropEvery = 0;          // leaves every Nth request addressed to it unanswered
    bool echoWrites = false;    // answers writes with the standard 8-byte echo
    bool extraByte = false;     // appends one byte to every reply
    bool exception = false;     // answers everything with a Modbus exception
    bool otherAddress = false;  // replies carry the next address, as if another device answered
    bool ignoreWrites = false;  // acknowledges every write and applies none
};

// One request the sensor saw, and what became of it.
struct FrameEvent {
    std::vector<uint8_t> request;
    int baudSeen = 0;
    std::optional<std::vector<uint8_t>> reply;  // nothing when the sensor kept quiet
};

// Cuts the bytes heard on the line into requests: every request of this protocol is 8 bytes with
// a valid check. A pause ends a partial frame; a window that fails the check is noise.
class RequestFramer {
public:
    std::vector<std::vector<uint8_t>> Feed(const uint8_t* bytes, size_t length, double nowS);

private:
    std::vector<uint8_t> pending_;
    double lastByteS_ = -1.0;
};

class SensorEngine {
public:
    explicit SensorEngine(const SensorConfig& config);

    // Feeds received bytes. `nowS` is the time in seconds (for the waveform and frame gaps);
    // `baudSeen` is the rate the master's line is set to. Returns one event per complete frame.
    std::vector<FrameEvent> Receive(const uint8_t* bytes, size_t length, int baudSeen, double nowS);

    // One whole request heard on the line: the reply, or nothing when it was not for this sensor
    // (another address or rate) or the sensor kept quiet. An address or rate change the request
    // asked for applies once it returns, after the reply.
    std::optional<std::vector<uint8_t>> Hear(const std::vector<uint8_t>& request, int baudSeen,
                                             double nowS);

    int address() const { return address_; }
    int baud() const { return baud_; }
    int turnsWord() const { return turnsWord_; }

private:
    std::optional<std::vector<uint8_t>> Answer(const std::vector<uint8_t>& request, double nowS);
    std::vector<uint8_t> ReadReply(int function, int reg, int count, double nowS);
    std::vector<uint8_t> WriteReply(const std::vector<uint8_t>& request, int reg, int value,
                                    double nowS);
    std::optional<std::vector<uint8_t>> ApplyWrite(int reg, int value, double nowS);
    std::vector<uint8_t> ExceptionReply(int function, int code) const;
    std::optional<int> RegisterWord(int reg, double nowS) const;
    double CurrentAt(double nowS) const;
    void Finish(std::vector<uint8_t>& reply) const;

    SensorConfig config_;
    int address_;
    int baud_;
    int turnsWord_;
    double zeroOffset_ = 0.0;
    long answeredToUs_ = 0;  // requests addressed to us, for --drop-every
    RequestFramer framer_;
    // Applied after the reply that announced them has gone out.
    std::optional<int> newAddress_;
    std::optional<int> newBaud_;
};

// Measurement word for a current in amperes: sign and magnitude, in tenths, magnitude capped.
int MeasurementWord(double amperes);

std::string Hex(const std::vector<uint8_t>& bytes);
