// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's faults as the link judges them, several sensors on one bus, and the options that
// describe them. Without a tty: the engine is driven directly.
#include <gtest/gtest.h>

#include "exchange.h"
#include "sensor_bus.h"
#include "sim_options.h"

namespace {

struct Heard {
    std::array<uint8_t, REQUEST_LENGTH> request;
    std::optional<std::vector<uint8_t>> reply;
};

Heard Send(SensorBus& bus, int address, int function, int reg, int value, int baud) {
    const auto request = BuildRequest(address, function, reg, value);
    const auto events = bus.Receive(request.data(), request.size(), baud, 0);
    EXPECT_EQ(events.size(), 1u);
    return {request, events.empty() ? std::nullopt : events[0].reply};
}

// How the link judges what the line carried back: it reads up to a reply's length and sees the
// rest queued.
ExchangeCause Judge(const Heard& heard) {
    const std::vector<uint8_t> bytes = heard.reply.value_or(std::vector<uint8_t>{});
    const int queued = static_cast<int>(bytes.size());
    return JudgeReply(heard.request.data(), bytes.data(), std::min(queued, REPLY_LENGTH), queued,
                      REPLY_LENGTH);
}

SensorConfig Sensor(int address, int baud, double current = 0) {
    SensorConfig sensor;
    sensor.address = address;
    sensor.baud = baud;
    sensor.current = current;
    return sensor;
}

TEST(SimFaults, OtherAddressAnswersFromTheNextAddressAndKeepsItsOwn) {
    SensorConfig config = Sensor(255, 9600);
    config.otherAddress = true;
    SensorBus bus({config});
    const Heard write = Send(bus, 255, 0x06, 2, 7, 9600);
    ASSERT_TRUE(write.reply);
    // 00 06 02 00 07 and its check, CRC-16/MODBUS 0x8AC4 sent low byte first.
    EXPECT_EQ(Hex(*write.reply), "0006020007c48a");
    EXPECT_EQ(bus.sensor(0).address(), 255);
    EXPECT_EQ(bus.sensor(0).turnsWord(), 7) << "the write took";
}

// A write the sensor acknowledged but that did not take: every register stays as it was.
TEST(SimFaults, IgnoredWritesAreAcknowledgedAndChangeNothing) {
    SensorConfig config = Sensor(1, 9600, 4.5);
    config.ignoreWrites = true;
    SensorBus bus({config});
    const struct { int reg, value; } writes[] = {{2, 5}, {4, 12}, {6, 19200}, {8, 0}, {10, 0x1234}};
    for (const auto& write : writes) {
        SCOPED_TRACE(write.reg);
        const Heard heard = Send(bus, 1, 0x06, write.reg, write.value, 9600);
        ASSERT_TRUE(heard.reply);
        EXPECT_EQ(heard.reply->size(), 7u);
        EXPECT_EQ((*heard.reply)[4], write.value & 0xFF) << "acknowledged with the value sent";
    }
    EXPECT_EQ(bus.sensor(0).turnsWord(), 1);
    EXPECT_EQ(bus.sensor(0).address(), 1);
    EXPECT_EQ(bus.sensor(0).baud(), 9600);
    EXPECT_EQ(Hex(*Send(bus, 1, 0x04, 0, 1, 9600).reply).substr(6, 4), "002d") << "not zeroed";
}

TEST(SimBus, EachSensorAnswersOnlyItsAddressAtItsRate) {
    SensorBus bus({Sensor(3, 1200, 1.0), Sensor(7, 4800, 2.5), Sensor(200, 19200, 0.3)});
    const struct {
        int address, baud;
        const char* word;  // measurement, tenths of an ampere
    } sensors[] = {{3, 1200, "000a"}, {7, 4800, "0019"}, {200, 19200, "0003"}};
    for (const auto& asked : sensors)
        for (const auto& at : sensors) {
            SCOPED_TRACE(std::to_string(asked.address) + " at " + std::to_string(at.baud));
            const Heard heard = Send(bus, asked.address, 0x04, 0, 1, at.baud);
            if (asked.baud != at.baud) {
                EXPECT_FALSE(heard.reply);
                continue;
            }
            ASSERT_TRUE(heard.reply);
            EXPECT_EQ(Hex(*heard.reply).substr(0, 10), Hex({heard.request[0], 4, 2}) + at.word);
        }

    ASSERT_TRUE(Send(bus, 7, 0x06, 4, 8, 4800).reply);
    EXPECT_FALSE(Send(bus, 7, 0x04, 0, 1, 4800).reply);
    EXPECT_TRUE(Send(bus, 8, 0x04, 0, 1, 4800).reply);
    EXPECT_EQ(bus.sensor(0).address(), 3);
    EXPECT_EQ(bus.sensor(2).address(), 200);
    EXPECT_TRUE(Send(bus, 3, 0x04, 0, 1, 1200).reply);
    EXPECT_TRUE(Send(bus, 200, 0x04, 0, 1, 19200).reply);

    // Given another's address and rate, two sensors answer together, as on a real bus.
    ASSERT_TRUE(Send(bus, 8, 0x06, 4, 3, 4800).reply);
    ASSERT_TRUE(Send(bus, 3, 0x06, 6, 1200, 4800).reply);
    const Heard both = Send(bus, 3, 0x04, 0, 1, 1200);
    ASSERT_TRUE(both.reply);
    EXPECT_EQ(Judge(both), ExchangeCause::TooLong);
}

TEST(SimOptions, SensorsAndFaults) {
    struct Row {
        std::vector<std::string> args;
        const char* error;  // a part of the message; null: accepted
    } rows[] = {
        {{"--sensor", "256@9600"}, "an address 0-255"},
        {{"--sensor", "-1@9600"}, "an address 0-255"},
        {{"--sensor", "3@9601"}, "a rate 1200, 2400, 4800, 9600 or 19200"},
        {{"--sensor", "3@9600:lots"}, "a current in amperes"},
        {{"--sensor", "3"}, "ADDRESS@RATE[:CURRENT]"},
        {{"--sensor", "3:1.5@9600"}, "ADDRESS@RATE[:CURRENT]"},
        {{"--sensor"}, "--sensor needs a value"},
        {{"--baud", "4800", "--sensor", "1@4800"}, "two sensors at address 1 and 4800 baud"},
        {{"--sensor", "5@1200", "--sensor", "5@1200"}, "two sensors at address 5 and 1200"},
        {{"--device", "/dev/ttyS0", "--sensor", "5@1200"}, "pseudo-terminal"},
        {{"--sensor", "1@4800", "--sensor", "5@4800:-2.5", "--ignore-writes", "--other-address"},
         nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args));
        std::string error;
        const auto options = ParseSimOptions(row.args, error);
        if (row.error) {
            EXPECT_FALSE(options);
            EXPECT_NE(error.find(row.error), std::string::npos) << error;
            continue;
        }
        ASSERT_TRUE(options) << error;
        const auto sensors = options->Sensors();
        ASSERT_EQ(sensors.size(), 3u);
        EXPECT_TRUE(sensors[0].ignoreWrites && sensors[0].otherAddress);
        EXPECT_FALSE(sensors[2].ignoreWrites || sensors[2].otherAddress)
            << "faults are the first's";
        EXPECT_EQ(sensors[1].address, 1);
        EXPECT_EQ(sensors[2].baud, 4800);
        EXPECT_EQ(sensors[2].current, -2.5);
    }
}

}  // namespace
