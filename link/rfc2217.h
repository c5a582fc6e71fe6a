// SPDX-License-Identifier: GPL-3.0-or-later
// The Telnet side of an RFC 2217 line, free of any socket: what the client sends to set the
// server's serial port, and a decoder that splits what the server sends into the line's own bytes,
// the answers to our settings, and the option talk that it answers by itself.
#pragma once

#include <cstdint>
#include <vector>

namespace rfc2217 {

// COM-PORT-OPTION commands, client to server; the server answers each with the same command + 100
// and the value now in effect.
enum Command : uint8_t {
    SET_BAUDRATE = 1,  // four bytes, network order; 0 asks for the rate in effect
    SET_DATASIZE = 2,
    SET_PARITY = 3,    // 1: none
    SET_STOPSIZE = 4,  // 1: one stop bit
    SET_CONTROL = 5,   // 1: no flow control; 9: DTR off
    PURGE_DATA = 12,   // 3: both directions
};
constexpr uint8_t SERVER_ANSWER = 100;
constexpr uint8_t NO_FLOW_CONTROL = 1;
constexpr uint8_t DTR_OFF = 9;
constexpr uint8_t PARITY_NONE = 1;
constexpr uint8_t ONE_STOP_BIT = 1;
constexpr uint8_t PURGE_BOTH = 3;

// One COM-PORT-OPTION command with its value, 0xFF in the value doubled.
std::vector<uint8_t> CommandBytes(Command command, const std::vector<uint8_t>& value);
std::vector<uint8_t> SetBaudrate(uint32_t baud);  // SET-BAUDRATE with the rate in network order

// The line's bytes as they go on the connection: 0xFF doubled.
void AppendEscaped(std::vector<uint8_t>& out, const uint8_t* bytes, int length);

// One answer of the server: the command it answers (without the + 100) and the value.
struct Answer {
    uint8_t command = 0;
    std::vector<uint8_t> value;
    uint32_t Number() const;  // the value as a number in network order
};

// Takes the server's bytes as they come, in pieces of any size.
class Decoder {
public:
    // The client's side of the option talk, sent once at connection: binary both ways, and the
    // COM-PORT-OPTION.
    std::vector<uint8_t> Greeting();

    // Appends the line's bytes to `data`; answers to our commands go to answers(), replies the
    // option talk needs to reply().
    void Feed(const uint8_t* bytes, int length, std::vector<uint8_t>& data);

    std::vector<Answer>& answers() { return answers_; }
    std::vector<uint8_t>& reply() { return reply_; }
    // The server said it will not take the COM-PORT-OPTION (DONT or WONT).
    bool refused() const { return refused_; }
    // Some Telnet command came: the server speaks Telnet, at least.
    bool spokeTelnet() const { return spokeTelnet_; }

private:
    void Option(uint8_t verb, uint8_t option);
    void Subnegotiation();

    enum class State { Data, Command, Option, Sub, SubCommand } state_ = State::Data;
    uint8_t verb_ = 0;
    std::vector<uint8_t> sub_;
    std::vector<Answer> answers_;
    std::vector<uint8_t> reply_;
    // The options whose state we have told the server already, ours and its, so that an
    // acknowledgement is not answered again (which would loop).
    bool toldOurs_[256] = {};
    bool toldTheirs_[256] = {};
    bool refused_ = false;
    bool spokeTelnet_ = false;
};

}  // namespace rfc2217
