// SPDX-License-Identifier: GPL-3.0-or-later
// The names of remote ports, and the Telnet side of RFC 2217 as the RFCs (854, 855, 856, 2217)
// spell it, byte by byte.
#include <gtest/gtest.h>

#include "port_url.h"
#include "rfc2217.h"

namespace {

TEST(PortUrl, NamesTakenApart) {
    const struct {
        std::string name;
        PortKind kind;
        std::string host;  // "" where the name is refused
        int port;
    } rows[] = {
        {"rfc2217://127.0.0.1:2000", PortKind::Rfc2217, "127.0.0.1", 2000},
        {"tcp://gw-3.plant.example:4001", PortKind::RawTcp, "gw-3.plant.example", 4001},
        {"rfc2217://[fe80::1]:65535", PortKind::Rfc2217, "fe80::1", 65535},
        {"tcp://host:1", PortKind::RawTcp, "host", 1},
        {"tcp://host:0", PortKind::RawTcp, "", 0},
        {"tcp://host:65536", PortKind::RawTcp, "", 0},
        {"tcp://host:99999999999999999999", PortKind::RawTcp, "", 0},
        {"tcp://host", PortKind::RawTcp, "", 0},
        {"tcp://host:", PortKind::RawTcp, "", 0},
        {"tcp://:2000", PortKind::RawTcp, "", 0},
        {"tcp://ho st:2000", PortKind::RawTcp, "", 0},
        {"tcp://host:2000/x", PortKind::RawTcp, "", 0},
        {"tcp://[::1:2000", PortKind::RawTcp, "", 0},
        {"tcp://[host]:2000", PortKind::RawTcp, "", 0},
        {"rfc2217://-host:2000", PortKind::Rfc2217, "", 0},
        {"socket://host:2000", PortKind::RawTcp, "", 0},  // not ours, and not a device either
        {"/dev/ttyUSB0", PortKind::Local, "", 0},
        {"./rfc2217:/x", PortKind::Local, "", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(KindOfPort(row.name), row.kind);
        std::string problem;
        const auto url = ParsePortUrl(row.name, &problem);
        ASSERT_EQ(url.has_value(), !row.host.empty()) << problem;
        if (url) {
            EXPECT_EQ(std::pair(url->host, url->port), std::pair(row.host, row.port));
        }
        EXPECT_TRUE(url || !problem.empty());
    }
}

using Bytes = std::vector<uint8_t>;
constexpr uint8_t IAC = 255, DONT = 254, DO = 253, WILL = 251, SB = 250, SE = 240;

// ser2net's greeting, as captured from it: WILL SGA, DO SGA, WILL ECHO, DONT ECHO, DO BINARY,
// WILL BINARY, DO COM-PORT-OPTION, then a modem state notification and the answer to a
// SET-BAUDRATE of 19200, with the line's bytes between them. Fed a byte at a time.
TEST(Rfc2217, AnswersTheOptionTalkOnceSplitsTheStreamAndEscapes) {
    rfc2217::Decoder decoder;
    EXPECT_EQ(decoder.Greeting(), (Bytes{IAC, WILL, 0, IAC, DO, 0, IAC, WILL, 44}));
    const Bytes server{IAC, WILL, 3,    IAC, DO,  3,    IAC, WILL, 1,   IAC, DONT,
                       1,   IAC,  DO,   0,   IAC, WILL, 0,   IAC,  DO,  44,  IAC,
                       SB,  44,   107,  0,   IAC, SE,   'a', IAC,  IAC, 'b', IAC,
                       SB,  44,   101,  0,   0,   0x4B, 0,   IAC,  SE,  IAC, 241 /* NOP */,
                       'c', IAC,  WILL, 3};
    Bytes data;
    for (uint8_t byte : server)
        decoder.Feed(&byte, 1, data);
    EXPECT_EQ(data, (Bytes{'a', 0xFF, 'b', 'c'}));
    // SGA taken both ways, the server's ECHO refused; what we asked for already is not asked
    // again, and a repeated WILL SGA is not answered twice.
    EXPECT_EQ(decoder.reply(), (Bytes{IAC, DO, 3, IAC, WILL, 3, IAC, DONT, 1}));
    ASSERT_EQ(decoder.answers().size(), 1u);  // the notification is not an answer
    EXPECT_EQ(decoder.answers()[0].command, rfc2217::SET_BAUDRATE);
    EXPECT_EQ(decoder.answers()[0].Number(), 19200u);
    EXPECT_FALSE(decoder.refused());
    const Bytes no{IAC, DONT, 44};
    decoder.Feed(no.data(), 3, data);
    EXPECT_TRUE(decoder.refused());

    // A rate whose bytes hold 0xFF, as SET-BAUDRATE must double it inside the subnegotiation.
    EXPECT_EQ(rfc2217::SetBaudrate(0x0001FFFF),
              (Bytes{IAC, SB, 44, 1, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF, IAC, SE}));
    Bytes out;
    const Bytes line{0x01, 0xFF, 0x03};
    rfc2217::AppendEscaped(out, line.data(), 3);
    EXPECT_EQ(out, (Bytes{0x01, 0xFF, 0xFF, 0x03}));
    // And a decoder undoes it, inside a subnegotiation too.
    rfc2217::Decoder fresh;
    const Bytes answer{IAC, SB, 44, 101, 0, 1, IAC, IAC, IAC, IAC, IAC, SE};
    data.clear();
    fresh.Feed(answer.data(), static_cast<int>(answer.size()), data);
    ASSERT_EQ(fresh.answers().size(), 1u);
    EXPECT_EQ(fresh.answers()[0].Number(), 0x0001FFFFu);
    EXPECT_TRUE(data.empty());
}

}  // namespace
