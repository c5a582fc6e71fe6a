// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated sensor's frame engine, without a tty: who it answers, and when changes apply.
#include <gtest/gtest.h>

#include "exchange.h"
#include "sensor_engine.h"
#include "sim_options.h"

namespace {

std::vector<FrameEvent> Send(SensorEngine& sensor, int address, int function, int reg, int value,
                             int baud, double now = 0) {
    const auto request = BuildRequest(address, function, reg, value);
    return sensor.Receive(request.data(), request.size(), baud, now);
}

SensorConfig Config(int address, int baud, double current) {
    SensorConfig config;
    config.address = address;
    config.baud = baud;
    config.current = current;
    return config;
}

bool Answers(SensorEngine& sensor, int address, int baud) {
    const auto events = Send(sensor, address, 0x04, 0, 1, baud);
    return events.size() == 1 && events[0].reply.has_value();
}

TEST(SimEngine, AnswersOnlyItsAddressAtItsRate) {
    SensorEngine sensor(Config(3, 4800, -0.5));
    EXPECT_FALSE(Answers(sensor, 4, 4800));
    EXPECT_FALSE(Answers(sensor, 3, 9600));
    const auto events = Send(sensor, 3, 0x04, 0, 1, 4800);
    ASSERT_TRUE(events[0].reply);
    EXPECT_EQ(Hex(*events[0].reply).substr(0, 10), "0304028005");
}

TEST(SimEngine, AddressAndBaudChangesApplyAfterTheReply) {
    SensorEngine sensor(Config(1, 9600, 0));
    const auto address = Send(sensor, 1, 0x06, 4, 12, 9600);
    ASSERT_TRUE(address[0].reply);
    EXPECT_EQ((*address[0].reply)[0], 1) << "the reply still comes from the old address";
    EXPECT_FALSE(Answers(sensor, 1, 9600));
    EXPECT_TRUE(Answers(sensor, 12, 9600));

    ASSERT_TRUE(Send(sensor, 12, 0x06, 6, 19200, 9600)[0].reply);
    EXPECT_FALSE(Answers(sensor, 12, 9600));
    EXPECT_TRUE(Answers(sensor, 12, 19200));
}

TEST(SimEngine, ZeroAndCalibrate) {
    SensorEngine sensor(Config(1, 9600, 7.5));
    ASSERT_TRUE(Send(sensor, 1, 0x06, 8, 0, 9600)[0].reply);
    EXPECT_EQ(Hex(*Send(sensor, 1, 0x04, 0, 1, 9600)[0].reply).substr(6, 4), "0000");
    EXPECT_EQ((*Send(sensor, 1, 0x06, 10, 0x3C96, 9600)[0].reply).size(), 7u);
    EXPECT_EQ((*Send(sensor, 1, 0x06, 10, 0x1234, 9600)[0].reply)[1], 0x86) << "exception";
}

TEST(SimEngine, NoiseBeforeAFrameIsSkipped) {
    SensorEngine sensor(SensorConfig{});
    const uint8_t noise[] = {0xFF, 0x00, 0x13};
    EXPECT_TRUE(sensor.Receive(noise, 3, 9600, 0).empty());
    const auto request = BuildRequest(1, 0x04, 0, 1);
    const auto events = sensor.Receive(request.data(), request.size(), 9600, 0.001);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_TRUE(events[0].reply);
}

TEST(SimOptions, BadOptionsAreRefused) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--bogus"},
                                               {"--baud", "9601"},
                                               {"--address", "256"},
                                               {"--address"},
                                               {"--drop-every", "0"},
                                               {"--current", "lots"},
                                               {"--address", "0x10"},
                                               {"--current", "inf"},
                                               {"--current", "nan"},
                                               {"--current", "1e18"},
                                               {"--current", "-3276.8"}}) {
        std::string error;
        EXPECT_FALSE(ParseSimOptions(args, error));
        EXPECT_FALSE(error.empty()) << args.back();
    }
    std::string error;
    const auto options = ParseSimOptions(
        {"--address", "010", "--current", "3276.7", "--sine", "2:10", "--wire-timing"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->sensor.address, 10);  // decimal, as everywhere else
    EXPECT_TRUE(options->wireTiming);
}

}  // namespace
