// SPDX-License-Identifier: GPL-3.0-or-later
// The frame check and the register decoding against answers worked out independently: the sensor
// protocol's worked request and reply, and a frame from the Modbus over serial line guide.
#include <gtest/gtest.h>

#include <vector>

#include "exchange.h"
#include "registers.h"
#include "support/scripted_line.h"

namespace {

uint16_t CheckOf(std::vector<uint8_t> bytes) {
    return Crc16(bytes.data(), static_cast<int>(bytes.size()));
}

TEST(Crc16, MatchesKnownFrames) {
    EXPECT_EQ(CheckOf({0x01, 0x04, 0x00, 0x00, 0x00, 0x01}), 0x31CA);  // device 1 reads register 0
    EXPECT_EQ(CheckOf({0x01, 0x04, 0x02, 0x00, 0x7B}), 0xF913);        // its reply, 123
    EXPECT_EQ(CheckOf({0x11, 0x03, 0x00, 0x6B, 0x00, 0x03}), 0x7687);  // the guide's example
    EXPECT_EQ(CheckOf({}), 0xFFFF);
}

TEST(BuildRequest, SendsWordsHighByteFirst) {
    const auto probe = BuildRequest(1, FUNCTION_READ, REGISTER_MEASUREMENT, 1);
    EXPECT_EQ(probe, (std::array<uint8_t, 8>{0x01, 0x04, 0x00, 0x00, 0x00, 0x01, 0x31, 0xCA}));
    const auto baud = BuildRequest(300, FUNCTION_WRITE, REGISTER_BAUD, 19200);
    EXPECT_EQ(baud[0], 44) << "only the low 8 bits of the address are sent";
    EXPECT_EQ(baud[4], 0x4B);  // 19200, high byte first
    EXPECT_EQ(baud[5], 0x00);
}

// The worked reply 01 04 02 00 7B | F9 13 judged against requests it does and does not answer.
TEST(JudgeReply, TellsEachCause) {
    const std::vector<uint8_t> worked = {0x01, 0x04, 0x02, 0x00, 0x7B, 0xF9, 0x13};
    const auto fromOne = BuildRequest(1, FUNCTION_READ, 0, 1);
    const auto fromTwo = BuildRequest(2, FUNCTION_READ, 0, 1);
    const auto writeOne = BuildRequest(1, FUNCTION_WRITE, 0, 1);
    std::vector<uint8_t> flipped = worked;
    flipped[4] ^= 1;
    const std::vector<uint8_t> exception = {0x01, 0x84, 0x02, 0xC2, 0xC1};  // illegal data address
    std::vector<uint8_t> badException = exception;
    badException[4] ^= 1;
    const struct {
        const char* what;
        const uint8_t* request;
        const std::vector<uint8_t>& reply;
        int got, queued;
        ExchangeCause cause;
    } cases[] = {
        {"the reply to its request", fromOne.data(), worked, 7, 7, ExchangeCause::Accepted},
        {"from another address", fromTwo.data(), worked, 7, 7, ExchangeCause::OtherSender},
        {"with another function", writeOne.data(), worked, 7, 7, ExchangeCause::OtherSender},
        {"a data byte flipped", fromOne.data(), flipped, 7, 7, ExchangeCause::BadCheck},
        {"an eighth byte queued", fromOne.data(), worked, 7, 8, ExchangeCause::TooLong},
        {"five bytes", fromOne.data(), worked, 5, 5, ExchangeCause::Short},
        {"an exception", fromOne.data(), exception, 5, 5, ExchangeCause::Exception},
        {"an exception to another function", writeOne.data(), exception, 5, 5,
         ExchangeCause::Short},
        {"an exception with a bad check", fromOne.data(), badException, 5, 5, ExchangeCause::Short},
        {"nothing", fromOne.data(), worked, 0, 0, ExchangeCause::NoReply},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JudgeReply(c.request, c.reply.data(), c.got, c.queued, 7), c.cause) << c.what;
}

// An adapter that hears its own request: the published read of register 0 of device 1 and the
// worked reply, after the request's echo, whole or damaged, at once or a byte at a time.
TEST(ReceiveReply, DropsTheAdaptersEchoAndNamesItsFaults) {
    using Bytes = std::vector<uint8_t>;
    using C = ExchangeCause;
    const Bytes request = {0x01, 0x04, 0x00, 0x00, 0x00, 0x01, 0x31, 0xCA};
    const Bytes reply = {0x01, 0x04, 0x02, 0x00, 0x7B, 0xF9, 0x13};
    const Bytes exception = {0x01, 0x84, 0x02, 0xC2, 0xC1};  // illegal data address
    const auto join = [](Bytes a, const Bytes& b, int flip = -1) {
        if (flip >= 0)
            a[static_cast<size_t>(flip)] ^= 0x10;
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    std::vector<Bytes> byteByByte;
    for (uint8_t byte : join(request, reply))
        byteByByte.push_back({byte});
    const struct {
        const char* what;
        std::vector<Bytes> chunks;
        C cause;
        size_t echo, replyBytes;
    } cases[] = {
        {"no echo", {reply}, C::Accepted, 0, 7},
        {"echo and reply at once", {join(request, reply)}, C::Accepted, 8, 7},
        {"echo then reply", {request, reply}, C::Accepted, 8, 7},
        {"echo and reply a byte at a time", byteByByte, C::Accepted, 8, 7},
        {"echo and nothing", {request}, C::EchoNoReply, 8, 0},
        {"echo then an exception", {join(request, exception)}, C::Exception, 8, 5},
        {"echo cut short", {Bytes(request.begin(), request.begin() + 5)}, C::EchoCorrupted, 5, 0},
        {"echo's value damaged", {join(request, reply, 5)}, C::EchoCorrupted, 7, 0},
        {"echo's last byte damaged", {join(request, reply, 7)}, C::EchoCorrupted, 8, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ExchangeRecord record;
        std::copy(request.begin(), request.end(), record.request.begin());
        ScriptedLine line(c.chunks);
        ReceiveReply(record, line.Source(), REPLY_LENGTH, SHORT_WAIT_MS, 0, 9);
        EXPECT_EQ(record.cause, c.cause) << DescribeCause(record);
        EXPECT_TRUE(c.cause != C::Exception ||
                    DescribeCause(record) == "exception 2 (illegal data address)");
        EXPECT_EQ(record.echo.size(), c.echo);
        EXPECT_TRUE(!record.accepted() || record.reply == reply);
        EXPECT_EQ(record.reply.size(), c.replyBytes);
        if (c.echo == 0) {  // a line without echo is waited for and read once, as ever
            EXPECT_EQ(line.waits + line.reads, 2);
        }
    }
}

TEST(Decoding, MeasurementIsSignAndMagnitudeInTenths) {
    const struct {
        int word;
        const char* text;
    } cases[] = {
        {123, "12.3"},    {0x7FFF, "3276.7"}, {0xFFFF, "-3276.7"},
        {0x8005, "-0.5"}, {0x8000, "0.0"},    {0, "0.0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MeasurementText(c.word), c.text) << "word " << c.word;
}

}  // namespace
