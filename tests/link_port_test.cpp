// SPDX-License-Identifier: GPL-3.0-or-later
// The serial port on real pseudo-terminals: exclusive open, the reasons an open fails, the line
// settings, the queue count, the wait budget, how COMn names map to devices and which USB adapter
// a port is on.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>

#include "port_info.h"
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

bool ExclusiveFlag(int fd) {
    int exclusive = -1;
    EXPECT_EQ(ioctl(fd, TIOCGEXCL, &exclusive), 0);
    return exclusive != 0;
}

TEST(OpenComPort, IsExclusiveAndClosingReleases) {
    PtyPair pty;
    ScopedComPort com(10, pty.path);
    PortHandle first = OpenComPort(10, 9600);
    ASSERT_TRUE(first) << "COM10 opens like COM1";
    // Root passes TIOCEXCL, so the flag itself is looked at, not a refused second open.
    EXPECT_TRUE(ExclusiveFlag(pty.slave)) << "the tty is exclusive while we hold it";
    EXPECT_EQ(OpenComPortWithReason(10, 9600).error, OpenError::Busy);
    ClosePort(first);
    EXPECT_FALSE(first) << "closing empties the handle";
    EXPECT_FALSE(ExclusiveFlag(pty.slave)) << "closing gives the tty back";
    ClosePort(first);  // closing an empty handle does nothing
    PortHandle again = OpenComPort(10, 19200);
    EXPECT_TRUE(again) << "the port can be opened again after closing";
    ClosePort(again);
}

// Another program's exclusive tty is refused, even to root, and its flag is left as it was; a
// refused attempt must not leave a flag behind either.
TEST(OpenComPort, RespectsAnotherProgramsExclusiveFlag) {
    PtyPair pty;
    ScopedComPort com(4, pty.path);
    ASSERT_EQ(ioctl(pty.slave, TIOCEXCL), 0);
    EXPECT_EQ(OpenComPortWithReason(4, 9600).error, OpenError::Busy);
    EXPECT_TRUE(ExclusiveFlag(pty.slave)) << "the holder's flag survives our attempt";
    ASSERT_EQ(ioctl(pty.slave, TIOCNXCL), 0);

    const int locker = open(pty.path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_EQ(flock(locker, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(OpenComPortWithReason(4, 9600).error, OpenError::Busy);
    EXPECT_FALSE(ExclusiveFlag(pty.slave)) << "a refused open left the tty exclusive";
    close(locker);
    PortHandle handle = OpenComPort(4, 9600);
    EXPECT_TRUE(handle);
    ClosePort(handle);
}

// Each reason a person can act on, produced for real.
TEST(OpenComPort, SaysWhyItFailed) {
    PtyPair pty;
    const std::string file = std::filesystem::temp_directory_path() / "tessaly-not-a-tty";
    std::ofstream(file) << "x";
    const struct {
        std::string path;
        int baud;
        OpenError error;
    } cases[] = {
        {"/nonexistent/ttyUSB77", 9600, OpenError::NoDevice},
        {file, 9600, OpenError::NotSerial},
        {pty.path, 12345, OpenError::RateRefused},
        {pty.path, 0, OpenError::RateRefused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + " at " + std::to_string(c.baud));
        const PortOpening opening = OpenPortPath(c.path, c.baud);
        EXPECT_FALSE(opening);
        EXPECT_EQ(opening.error, c.error);
        EXPECT_FALSE(DescribeOpenError(opening).empty());
    }
    std::remove(file.c_str());
    EXPECT_EQ(OpenComPortWithReason(11, 9600).error, OpenError::NoDevice) << "nothing is COM11";
    PortHandle handle = OpenPortPath(pty.path, 4800).handle;
    EXPECT_TRUE(handle) << "a refused rate did not leave the port held";
    ClosePort(handle);
}

// A device the user may not open names the group that may. As root the attempt runs as nobody,
// so the test does not pass merely because root may open anything.
TEST(OpenComPort, NoPermissionNamesTheGroup) {
    PtyPair pty;
    const group* dialout = getgrnam("dialout");
    const gid_t gid = dialout ? dialout->gr_gid : getgid();
    ASSERT_EQ(chown(pty.path.c_str(), getuid(), gid), 0);
    ASSERT_EQ(chmod(pty.path.c_str(), getuid() == 0 ? 0660 : 0060), 0);
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t child = fork();
    if (child == 0) {
        if (getuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            if (!nobody || setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 ||
                setuid(nobody->pw_uid) != 0)
                _exit(2);
        }
        const PortOpening opening = OpenPortPath(pty.path, 9600);
        const std::string text =
            std::to_string(static_cast<int>(opening.error)) + " " + DescribeOpenError(opening);
        (void)!write(report[1], text.data(), text.size());
        _exit(0);
    }
    close(report[1]);
    char buffer[256] = {};
    (void)!read(report[0], buffer, sizeof buffer - 1);
    close(report[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    const std::string text = buffer;
    EXPECT_EQ(text.substr(0, 2), std::to_string(static_cast<int>(OpenError::NoPermission)) + " ");
    const std::string groupName = dialout ? "dialout" : getgrgid(gid)->gr_name;
    EXPECT_NE(text.find("add yourself to the group " + groupName), std::string::npos) << text;
}

// Looking whether a port is free leaves its line as it was, and sees the lock of another program.
TEST(ProbePortPath, LeavesTheLineAlone) {
    PtyPair pty;
    termios before{};
    ASSERT_EQ(tcgetattr(pty.slave, &before), 0);
    cfsetospeed(&before, B115200);
    before.c_cflag |= CRTSCTS;
    ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &before), 0);
    ASSERT_EQ(tcgetattr(pty.slave, &before), 0);
    EXPECT_EQ(ProbePortPath(pty.path).error, OpenError::None);
    termios after{};
    ASSERT_EQ(tcgetattr(pty.slave, &after), 0);
    EXPECT_EQ(cfgetospeed(&after), B115200);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_FALSE(ExclusiveFlag(pty.slave));
    PortHandle held = OpenPortPath(pty.path, 9600).handle;
    EXPECT_EQ(ProbePortPath(pty.path).error, OpenError::Busy);
    ClosePort(held);
}

// Whatever the previous program left, the sensor's line runs without flow control.
TEST(OpenComPort, ClearsFlowControl) {
    PtyPair pty;
    termios settings{};
    ASSERT_EQ(tcgetattr(pty.slave, &settings), 0);
    settings.c_cflag |= CRTSCTS;
    settings.c_iflag |= IXON | IXOFF | IXANY;
    ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &settings), 0);
    PortHandle handle = OpenPortPath(pty.path, 9600).handle;
    ASSERT_TRUE(handle);
    ASSERT_EQ(tcgetattr(pty.slave, &settings), 0);
    EXPECT_EQ(settings.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | IXANY), 0u);
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

TEST_F(PortNames, FriendlyNameIsTheByIdLink) {
    const std::filesystem::path byId = root_ / "dev" / "serial" / "by-id";
    std::filesystem::create_directories(byId);
    const char* adapter = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    std::filesystem::create_symlink("../../ttyUSB2", byId / adapter);
    EXPECT_EQ(PortFriendlyName(1, sources_), adapter);
    EXPECT_EQ(PortFriendlyName(3, sources_), "") << "ttyACM0 has no by-id link";
    EXPECT_EQ(PortFriendlyName(9, sources_), "") << "nothing behind COM9";
}

// sysfs as Linux lays it out for two USB adapters (an FTDI FT232R, 0403:6001, and a CH340,
// 1a86:7523, whose descriptors name neither maker nor serial) and a UART on the platform bus.
TEST_F(PortNames, UsbAdapterFromSysfs) {
    const std::filesystem::path sysfs = root_ / "sysfs";
    const struct {
        const char* tty;
        const char* deviceLink;                          // below devices/, "" for none
        std::map<std::string, std::string> descriptors;  // the USB device's files, two levels up
    } tree[] = {
        {"ttyUSB0",
         "pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/ttyUSB0",
         {{"idVendor", "0403"},
          {"idProduct", "6001"},
          {"manufacturer", "FTDI"},
          {"product", "FT232R USB UART"},
          {"serial", "A50285BI"}}},
        {"ttyUSB1",
         "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB1",
         {{"idVendor", "1a86"}, {"idProduct", "7523"}, {"product", "USB Serial"}}},
        {"ttyS0", "platform/serial8250", {}},
    };
    for (const auto& t : tree) {
        const std::filesystem::path device = sysfs / "devices" / t.deviceLink;
        std::filesystem::create_directories(device);
        for (const auto& [file, value] : t.descriptors)
            std::ofstream(device.parent_path().parent_path() / file) << value << "\n";
        std::filesystem::create_directories(sysfs / "class" / "tty" / t.tty);
        std::filesystem::create_symlink(device, sysfs / "class" / "tty" / t.tty / "device");
    }
    const struct {
        const char* device;
        std::optional<UsbAdapter> usb;
    } rows[] = {
        {"/dev/ttyUSB0", UsbAdapter{"0403", "6001", "FTDI", "FT232R USB UART", "A50285BI"}},
        {"/dev/ttyUSB1", UsbAdapter{"1a86", "7523", "", "USB Serial", ""}},
        {"/dev/ttyS0", std::nullopt},  // the walk up stops at devices/
        {"/dev/pts/3", std::nullopt},  // no tty class entry at all
    };
    for (const auto& row : rows)
        EXPECT_EQ(UsbAdapterOf(row.device, sysfs.string()), row.usb) << row.device;
}

}  // namespace
