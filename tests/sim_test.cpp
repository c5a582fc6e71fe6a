// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated sensor: its frame engine without a tty (whom it answers, when changes apply, faults
// no other test makes), then tessaly-sim as a process (stopped while blocked, its link, flags).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "exchange.h"
#include "sensor_bus.h"
#include "support/harness.h"

namespace {

using namespace std::chrono_literals;

// The reply's bytes in hex, "" for none.
std::string Send(SensorBus& bus, int address, int function, int reg, int value, int baud) {
    const auto request = BuildRequest(address, function, reg, value);
    const auto events = bus.Receive(request.data(), request.size(), baud, 0);
    EXPECT_LE(events.size(), 1u);
    return events.empty() ? "" : Hex(events[0].reply.value_or(std::vector<uint8_t>{}));
}

// Replies worked out by hand, their checks by an independent CRC-16/MODBUS: 12.3 A is 0x007B,
// -0.5 A is 0x8005 (sign and magnitude); a write is acknowledged with its register's new word.
TEST(SimEngine, AnswersItsAddressAtItsRateAndChangesAfterTheReply) {
    SensorBus bus({{.address = 3, .baud = 4800, .current = -0.5}});
    EXPECT_EQ(Send(bus, 4, 0x04, 0, 1, 4800), "");
    EXPECT_EQ(Send(bus, 3, 0x04, 0, 1, 9600), "");
    EXPECT_EQ(Send(bus, 3, 0x04, 0, 1, 4800), "03040280056133");
    EXPECT_EQ(Send(bus, 3, 0x06, 4, 12, 4800), "030602000cc14d") << "from the old address";
    EXPECT_EQ(Send(bus, 3, 0x04, 0, 1, 4800), "");
    EXPECT_EQ(Send(bus, 12, 0x06, 6, 19200, 4800), "0c06024b00a3b9");
    EXPECT_EQ(Send(bus, 12, 0x04, 0, 1, 4800), "");
    EXPECT_EQ(Send(bus, 12, 0x04, 0, 1, 19200), "0c040280053532");
    // Zero: the present current becomes 0; calibrate takes only its word.
    EXPECT_EQ(Send(bus, 12, 0x06, 8, 0, 19200), "0c060200009549");
    EXPECT_EQ(Send(bus, 12, 0x04, 0, 1, 19200), "0c0402000094f1");
    EXPECT_EQ(Send(bus, 12, 0x06, 10, 0x3C96, 19200), "0c06023c960427");
    EXPECT_EQ(Send(bus, 12, 0x06, 10, 0x1234, 19200).substr(0, 4), "0c86") << "an exception";
    // Noise before a frame is skipped, not the frame with it.
    const uint8_t noise[] = {0xFF, 0x00, 0x13};
    SensorBus fresh({SensorConfig{}});
    EXPECT_TRUE(fresh.Receive(noise, 3, 9600, 0).empty());
    const auto request = BuildRequest(1, 0x04, 0, 1);
    EXPECT_EQ(fresh.Receive(request.data(), request.size(), 9600, 0.001).size(), 1u);
}

// The faults no front-end test makes: a reply from the next address (00 06 02 00 07, its check
// CRC-16/MODBUS 0x8AC4 low byte first) for a write that took, a trailing byte, writes acknowledged
// that change nothing. Several sensors on one bus: the search's and provision's tests.
TEST(SimEngine, Faults) {
    SensorBus other({{.address = 255, .otherAddress = true}});
    EXPECT_EQ(Send(other, 255, 0x06, 2, 7, 9600), "0006020007c48a");
    EXPECT_EQ(other.sensor(0).turnsWord(), 7);
    SensorBus extra({SensorConfig{.extraByte = true}});
    EXPECT_EQ(Send(extra, 1, 0x04, 0, 1, 9600).size(), 2u * (REPLY_LENGTH + 1));
    SensorBus ignoring({{.current = 4.5, .ignoreWrites = true}});
    for (auto [reg, value] : {std::pair{2, 5}, {4, 12}, {6, 19200}, {8, 0}, {10, 0x1234}})
        EXPECT_EQ(std::stoi(Send(ignoring, 1, 0x06, reg, value, 9600).substr(6, 4), nullptr, 16),
                  value);
    EXPECT_EQ(Send(ignoring, 1, 0x04, 0, 1, 9600).substr(6, 4), "002d") << "not zeroed";
    EXPECT_EQ(ignoring.sensor(0).turnsWord(), 1);
}

// Requests, read by nobody, until the line takes no more and the simulator is held up writing
// replies; false if it never filled.
bool FillLine(int fd) {
    const auto request = BuildRequest(1, 0x04, 0, 1);
    size_t written = 0;
    for (auto lastTaken = Clock::now(); Clock::now() - lastTaken < 300ms && written < 1 << 20;) {
        if (write(fd, request.data(), request.size()) == REQUEST_LENGTH) {
            written += REQUEST_LENGTH;
            lastTaken = Clock::now();
        } else {
            usleep(1000);
        }
    }
    return written >= 4096 && written < 1 << 20;
}

// A stop signal ends it promptly and removes its link, whatever it waits for: replies nobody reads
// (the hardest wait to reach), or a turnaround of 10 s before a reply.
TEST(SimProcess, StopSignalEndsItWhileBlocked) {
    const std::string link = "/tmp/tessaly-sim-stop-" + std::to_string(getpid());
    const auto request = BuildRequest(1, 0x04, 0, 1);
    for (const bool fill : {true, false}) {
        SimProcess sim({"--link", link, "--turnaround-ms", fill ? "0" : "10000"});
        const int fd = open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(fill ? FillLine(fd)
                         : write(fd, request.data(), REQUEST_LENGTH) == REQUEST_LENGTH);
        usleep(200'000);
        EXPECT_EQ(sim.Stop(2s), 0) << "no clean exit within 2 s";
        close(fd);
        struct stat left {};
        EXPECT_NE(lstat(link.c_str(), &left), 0) << "the link is left";
    }
}

// A second simulator on a live one's --link refuses, rather than taking it over; a client killed
// with the line exclusive leaves it free, as a real adapter's last close does, but another client
// that comes and goes meanwhile does not.
TEST(SimProcess, KeepsItsLinkAndClearsADeadClientsFlag) {
    const std::string link = testing::TempDir() + "tessaly-sim-link-" + std::to_string(getpid());
    SimProcess sim({"--link", link});
    EXPECT_THROW(SimProcess({"--link", link}), std::runtime_error);
    EXPECT_EQ(std::filesystem::read_symlink(link), sim.ptyPath());
    const int fd = open(sim.ptyPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ioctl(fd, TIOCEXCL), 0);
    close(open(sim.ptyPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));  // root passes the flag
    usleep(100'000);
    int exclusive = 0;
    EXPECT_TRUE(ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive) << "cleared under its holder";
    close(fd);  // as the kernel closes a dead client's handles, leaving the flag set
    for (int k = 0; k < 100 && exclusive; ++k) {
        usleep(10000);
        const int again = open(sim.ptyPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (again >= 0) {  // root opens whatever the flag; others are refused while it is set
            ioctl(again, TIOCGEXCL, &exclusive);
            close(again);
        }
    }
    EXPECT_EQ(exclusive, 0);
}

}  // namespace
