// The serial port on real pseudo-terminals: exclusive open, the queue count, the wait budget,
// and how COMn names map to devices.
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>

#include "port_names.h"
#include "serial_port.h"
#include "support/sim_process.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A bare pseudo-terminal pair: we play the sensor on the master side by hand.
struct PtyPair {
    int master = -1;
    int slave = -1;
    std::string path;
    PtyPair() {
        char name[128];
        EXPECT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
        path = name;
    }
    ~PtyPair() {
        close(master);
        close(slave);
    }
};

TEST(OpenComPort, AbsentDeviceGivesEmptyHandle) {
    ScopedComPort com(5, "/nonexistent/ttyUSB77");
    EXPECT_FALSE(OpenComPort(5, 9600));
}

TEST(OpenComPort, IsExclusiveAndClosingReleases) {
    PtyPair pty;
    ScopedComPort com(10, pty.path);
    PortHandle first = OpenComPort(10, 9600);
    ASSERT_TRUE(first) << "COM10 opens like COM1";
    EXPECT_FALSE(OpenComPort(10, 9600)) << "a second open of an open port fails";
    ClosePort(first);
    EXPECT_FALSE(first) << "closing empties the handle";
    ClosePort(first);  // closing an empty handle does nothing
    PortHandle again = OpenComPort(10, 19200);
    EXPECT_TRUE(again) << "the port can be opened again after closing";
    ClosePort(again);
}

TEST(OpenComPort, RefusesARateTheLineCannotTake) {
    PtyPair pty;
    ScopedComPort com(3, pty.path);
    EXPECT_FALSE(OpenComPort(3, 12345));
    EXPECT_FALSE(OpenComPort(3, 0));
    PortHandle handle = OpenComPort(3, 4800);
    EXPECT_TRUE(handle) << "a refused rate did not leave the port held";
    ClosePort(handle);
}

TEST(WaitForInput, ReturnsEverythingQueuedAtOnce) {
    PtyPair pty;
    ScopedComPort com(1, pty.path);
    PortHandle handle = OpenComPort(1, 9600);
    ASSERT_TRUE(handle);
    const uint8_t eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(write(pty.master, eight, 8), 8);
    const auto start = Clock::now();
    EXPECT_EQ(WaitForInput(handle, 7, 4000), 8);
    EXPECT_LT(MsSince(start), 100);
    uint8_t got[8];
    EXPECT_EQ(ReadPort(handle, got, 8), 8);
    ClosePort(handle);
}

TEST(WaitForInput, SilenceGivesZeroAfterTheBudget) {
    PtyPair pty;
    ScopedComPort com(1, pty.path);
    PortHandle handle = OpenComPort(1, 9600);
    ASSERT_TRUE(handle);
    const auto start = Clock::now();
    EXPECT_EQ(WaitForInput(handle, 7, 300), 0);
    EXPECT_GE(MsSince(start), 299);
    EXPECT_LT(MsSince(start), 400);
    ClosePort(handle);
}

// A fake /dev and /sys/class/tty, so the mapping can be seen without hardware.
class PortNames : public ::testing::Test {
protected:
    void SetUp() override {
        root_ =
            std::filesystem::temp_directory_path() / ("tessaly-ports-" + std::to_string(getpid()));
        std::filesystem::create_directories(root_ / "dev");
        for (const char* name :
             {"ttyS0", "ttyS1", "ttyS12", "ttyACM0", "ttyUSB10", "ttyUSB2", "tty1", "ttyUSBx"})
            std::ofstream(root_ / "dev" / name).put('\n');
        Uart("ttyS0", 0);  // listed by the kernel but not there
        Uart("ttyS1", 4);
        Uart("ttyS12", 4);
        sources_.deviceDir = (root_ / "dev").string();
        sources_.ttyClassDir = (root_ / "sys").string();
        sources_.env = [this](const char* name) -> const char* {
            auto it = env_.find(name);
            return it == env_.end() ? nullptr : it->second.c_str();
        };
    }
    void TearDown() override { std::filesystem::remove_all(root_); }
    void Uart(const char* name, int type) {
        std::filesystem::create_directories(root_ / "sys" / name);
        std::ofstream(root_ / "sys" / name / "type") << type << "\n";
    }
    std::string Dev(const char* name) { return (root_ / "dev" / name).string(); }

    std::filesystem::path root_;
    std::map<std::string, std::string> env_;
    PortNameSources sources_;
};

TEST_F(PortNames, DevicesTakeNumbersInOrder) {
    const std::vector<std::string> expected = {Dev("ttyUSB2"), Dev("ttyUSB10"), Dev("ttyACM0"),
                                               Dev("ttyS1"), Dev("ttyS12")};
    EXPECT_EQ(ListSerialDevices(sources_), expected);
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(ResolveComPort(n, sources_), expected[n - 1]) << "COM" << n;
    EXPECT_EQ(ResolveComPort(6, sources_), "");
    EXPECT_EQ(ResolveComPort(0, sources_), "");
}

TEST_F(PortNames, VariablesClaimTheirNumbersFirst) {
    env_["TESSALY_COM1"] = Dev("ttyUSB10");
    env_["TESSALY_COM3"] = "/dev/pts/7";
    EXPECT_EQ(ResolveComPort(1, sources_), Dev("ttyUSB10"));
    EXPECT_EQ(ResolveComPort(2, sources_), Dev("ttyUSB2"));
    EXPECT_EQ(ResolveComPort(3, sources_), "/dev/pts/7");
    EXPECT_EQ(ResolveComPort(4, sources_), Dev("ttyACM0"))
        << "a claimed device is not listed twice";
}

}  // namespace
