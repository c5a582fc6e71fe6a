// SPDX-License-Identifier: GPL-3.0-or-later
// What only the POSIX backend does, on bare pseudo-terminals: the tty's exclusive flag and other
// programs' locks, a port looked at without being touched, flow control cleared; how COMn names
// map to devices and which USB adapter a port is on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "port_info.h"
#include "port_names.h"
#include "serial_port.h"
#include "support/harness.h"

namespace {

namespace fs = std::filesystem;

bool ExclusiveFlag(int fd) {
    int exclusive = -1;
    EXPECT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
    return exclusive != 0;
}

// We set the flag while we hold the tty and clear only our own; another program's flag or lock is
// refused, even to root (who passes TIOCEXCL), and a refused attempt leaves no flag behind.
TEST(PosixPort, ExclusiveFlagAndLocks) {
    PtyPair pty;
    PortHandle held = OpenPortPath(pty.path, 9600).handle;
    ASSERT_TRUE(held);
    EXPECT_TRUE(ExclusiveFlag(pty.slave));
    EXPECT_EQ(ProbePortPath(pty.path).error, OpenError::Busy);
    ClosePort(held);
    EXPECT_FALSE(ExclusiveFlag(pty.slave)) << "closing gives the tty back";

    ASSERT_EQ(ioctl(pty.slave, TIOCEXCL), 0);
    EXPECT_EQ(OpenPortPath(pty.path, 9600).error, OpenError::Busy);
    EXPECT_TRUE(ExclusiveFlag(pty.slave)) << "the holder's flag survives our attempt";
    ASSERT_EQ(ioctl(pty.slave, TIOCNXCL), 0);
    const int locker = open(pty.path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(flock(locker, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(OpenPortPath(pty.path, 9600).error, OpenError::Busy);
    EXPECT_FALSE(ExclusiveFlag(pty.slave)) << "a refused open left the tty exclusive";
    close(locker);
}

// Whatever the previous program left, our line runs without flow control; a port only looked at
// keeps its settings.
TEST(PosixPort, FlowControlClearedAndProbeLeavesTheLine) {
    PtyPair pty;
    termios settings{};
    ASSERT_EQ(tcgetattr(pty.slave, &settings), 0);
    cfsetospeed(&settings, B115200);
    settings.c_cflag |= CRTSCTS;
    settings.c_iflag |= IXON | IXOFF | IXANY;
    ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &settings), 0);
    ASSERT_EQ(tcgetattr(pty.slave, &settings), 0);
    EXPECT_EQ(ProbePortPath(pty.path).error, OpenError::None);
    termios after{};
    ASSERT_EQ(tcgetattr(pty.slave, &after), 0);
    EXPECT_EQ(cfgetospeed(&after), B115200);
    EXPECT_EQ(after.c_cflag, settings.c_cflag);
    EXPECT_EQ(after.c_iflag, settings.c_iflag);
    PortHandle handle = OpenPortPath(pty.path, 9600).handle;
    ASSERT_TRUE(handle);
    ASSERT_EQ(tcgetattr(pty.slave, &after), 0);
    EXPECT_EQ(after.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(after.c_iflag & (IXON | IXOFF | IXANY), 0u);
    ClosePort(handle);
}

// A fake /dev and /sys, so that the mapping can be seen without hardware.
class PortNames : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name :
             {"ttyS0", "ttyS1", "ttyS12", "ttyACM0", "ttyUSB10", "ttyUSB2", "tty1", "ttyUSBx"})
            std::ofstream(root_ / "dev" / name).put('\n');
        for (auto [name, type] : {std::pair{"ttyS0", 0}, {"ttyS1", 4}, {"ttyS12", 4}}) {
            fs::create_directories(root_ / "sys" / name);  // ttyS0: no UART there
            std::ofstream(root_ / "sys" / name / "type") << type << "\n";
        }
        sources_.deviceDir = (root_ / "dev").string();
        sources_.ttyClassDir = (root_ / "sys").string();
        sources_.env = [this](const char* name) -> const char* {
            auto it = env_.find(name);
            return it == env_.end() ? nullptr : it->second.c_str();
        };
    }
    void TearDown() override { fs::remove_all(root_); }
    std::string Dev(const char* name) { return (root_ / "dev" / name).string(); }

    fs::path root_ = [] {
        auto root = fs::temp_directory_path() / ("tessaly-ports-" + std::to_string(getpid()));
        fs::create_directories(root / "dev");
        return root;
    }();
    std::map<std::string, std::string> env_;
    PortNameSources sources_;
};

TEST_F(PortNames, DevicesTakeTheNumbersVariablesLeave) {
    EXPECT_EQ(ListSerialDevices(sources_),
              (std::vector<std::string>{Dev("ttyUSB2"), Dev("ttyUSB10"), Dev("ttyACM0"),
                                        Dev("ttyS1"), Dev("ttyS12")}));
    EXPECT_EQ(ResolveComPort(5, sources_), Dev("ttyS12"));
    EXPECT_EQ(ResolveComPort(6, sources_), "");
    EXPECT_EQ(ResolveComPort(0, sources_), "");
    env_["TESSALY_COM1"] = Dev("ttyUSB10");
    env_["TESSALY_COM3"] = "/dev/pts/7";
    const std::string expected[] = {Dev("ttyUSB10"), Dev("ttyUSB2"), "/dev/pts/7", Dev("ttyACM0")};
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(ResolveComPort(n, sources_), expected[n - 1]) << "COM" << n;

    const fs::path byId = root_ / "dev" / "serial" / "by-id";
    fs::create_directories(byId);
    const char* adapter = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    fs::create_symlink("../../ttyUSB2", byId / adapter);
    EXPECT_EQ(PortFriendlyName(2, sources_), adapter);
    EXPECT_EQ(PortFriendlyName(4, sources_), "") << "ttyACM0 has no by-id link";
    EXPECT_EQ(PortFriendlyName(9, sources_), "") << "nothing behind COM9";

    // sysfs as Linux lays it out for a USB adapter (an FTDI FT232R, 0403:6001) and a UART on the
    // platform bus, whose search for a USB device stops at devices/.
    const fs::path sysfs = root_ / "sysfs";
    const fs::path usb = sysfs / "devices/pci0000:00/0000:00:14.0/usb1/1-1";
    const fs::path uart = sysfs / "devices/platform/serial8250";
    for (auto [tty, device] : {std::pair{"ttyUSB0", usb / "1-1:1.0/ttyUSB0"}, {"ttyS0", uart}}) {
        fs::create_directories(device);
        fs::create_directories(sysfs / "class/tty" / tty);
        fs::create_symlink(device, sysfs / "class/tty" / tty / "device");
    }
    for (auto [file, value] : {std::pair{"idVendor", "0403"},
                               {"idProduct", "6001"},
                               {"manufacturer", "FTDI"},
                               {"product", "FT232R USB UART"},
                               {"serial", "A50285BI"}})
        std::ofstream(usb / file) << value << "\n";
    EXPECT_EQ(UsbAdapterOf("/dev/ttyUSB0", sysfs.string()),
              (UsbAdapter{"0403", "6001", "FTDI", "FT232R USB UART", "A50285BI"}));
    EXPECT_EQ(UsbAdapterOf("/dev/ttyS0", sysfs.string()), std::nullopt);
}

}  // namespace
