// SPDX-License-Identifier: GPL-3.0-or-later
#include "rfc2217.h"

#include <cstddef>

namespace rfc2217 {

namespace {

constexpr uint8_t IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
constexpr uint8_t BINARY = 0, SUPPRESS_GO_AHEAD = 3, COM_PORT_OPTION = 44;
// A subnegotiation longer than any answer we ask for is not ours: only its start is kept.
constexpr std::size_t kLongestSub = 16;

bool WeWill(uint8_t option) {
    return option == BINARY || option == SUPPRESS_GO_AHEAD || option == COM_PORT_OPTION;
}

bool TheyMay(uint8_t option) {
    return option == BINARY || option == SUPPRESS_GO_AHEAD;
}

// The commands whose answers someone waits for; notifications (line and modem state) are skipped.
bool Awaited(uint8_t command) {
    return (command >= SET_BAUDRATE && command <= SET_CONTROL) || command == PURGE_DATA;
}

}  // namespace

std::vector<uint8_t> CommandBytes(Command command, const std::vector<uint8_t>& value) {
    std::vector<uint8_t> out{IAC, SB, COM_PORT_OPTION, command};
    AppendEscaped(out, value.data(), static_cast<int>(value.size()));
    out.insert(out.end(), {IAC, SE});
    return out;
}

std::vector<uint8_t> SetBaudrate(uint32_t baud) {
    return CommandBytes(SET_BAUDRATE,
                        {static_cast<uint8_t>(baud >> 24), static_cast<uint8_t>(baud >> 16),
                         static_cast<uint8_t>(baud >> 8), static_cast<uint8_t>(baud)});
}

void AppendEscaped(std::vector<uint8_t>& out, const uint8_t* bytes, int length) {
    for (int i = 0; i < length; ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == IAC)
            out.push_back(IAC);
    }
}

uint32_t Answer::Number() const {
    uint32_t number = 0;
    for (uint8_t byte : value)
        number = number << 8 | byte;
    return number;
}

std::vector<uint8_t> Decoder::Greeting() {
    toldOurs_[BINARY] = toldOurs_[COM_PORT_OPTION] = toldTheirs_[BINARY] = true;
    return {IAC, WILL, BINARY, IAC, DO, BINARY, IAC, WILL, COM_PORT_OPTION};
}

void Decoder::Feed(const uint8_t* bytes, int length, std::vector<uint8_t>& data) {
    for (int i = 0; i < length; ++i) {
        const uint8_t byte = bytes[i];
        switch (state_) {
            case State::Data:
                if (byte == IAC)
                    state_ = State::Command;
                else
                    data.push_back(byte);
                break;
            case State::Command:
                state_ = State::Data;
                if (byte == IAC) {
                    data.push_back(IAC);
                    break;
                }
                spokeTelnet_ = true;
                if (byte >= WILL) {
                    verb_ = byte;
                    state_ = State::Option;
                } else if (byte == SB) {
                    sub_.clear();
                    state_ = State::Sub;
                }
                break;  // any other command (NOP, go-ahead, ...) carries nothing for us
            case State::Option:
                Option(verb_, byte);
                state_ = State::Data;
                break;
            case State::Sub:
                if (byte == IAC)
                    state_ = State::SubCommand;
                else if (sub_.size() < kLongestSub)
                    sub_.push_back(byte);
                break;
            case State::SubCommand:
                if (byte == IAC) {
                    if (sub_.size() < kLongestSub)
                        sub_.push_back(IAC);
                    state_ = State::Sub;
                } else {
                    if (byte == SE)
                        Subnegotiation();
                    state_ = State::Data;
                }
                break;
        }
    }
}

void Decoder::Option(uint8_t verb, uint8_t option) {
    auto answer = [this](uint8_t how, uint8_t what) {
        reply_.insert(reply_.end(), {IAC, how, what});
    };
    switch (verb) {
        case DO:
            if (!toldOurs_[option])
                answer(WeWill(option) ? WILL : WONT, option);
            toldOurs_[option] = true;
            break;
        case WILL:
            if (!toldTheirs_[option])
                answer(TheyMay(option) ? DO : DONT, option);
            toldTheirs_[option] = true;
            break;
        case DONT:
            if (option == COM_PORT_OPTION)
                refused_ = true;
            break;
        default: break;  // WONT: the server keeps one of its options off, which we never need
    }
}

void Decoder::Subnegotiation() {
    if (sub_.size() < 2 || sub_[0] != COM_PORT_OPTION || sub_[1] < SERVER_ANSWER)
        return;
    const uint8_t command = static_cast<uint8_t>(sub_[1] - SERVER_ANSWER);
    if (Awaited(command))
        answers_.push_back({command, std::vector<uint8_t>(sub_.begin() + 2, sub_.end())});
}

}  // namespace rfc2217
