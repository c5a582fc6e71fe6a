// SPDX-License-Identifier: GPL-3.0-or-later
// The serial backend of either platform against simulated sensors (here a tessaly-sim on a
// pseudo-terminal, under Wine one that scripts/test-windows mapped to a COM port): the open and its
// reasons, time-outs, the purge, each exchange's cause. Frames: address 1 reads 123 (12.3 A).
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <thread>

#include "exchange.h"
#include "link_state.h"
#include "port_names.h"
#include "registers.h"
#include "serial_port.h"

#ifdef _WIN32
#include <windows.h>

#include "support/wine_sims.h"

namespace {

using Clock = std::chrono::steady_clock;
double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Sensor : WineSim {
    explicit Sensor(const std::string& role) : WineSim(FindSim(role)) {}
};

// Wine opens a COM port twice although the program asks for no sharing; Windows refuses.
const bool kExclusiveOpen = !GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version");
const char* const kAbsentPath = "COM77";
const char* const kNotAPort = "NUL";

}  // namespace
#else
#include "support/harness.h"

namespace {

// The roles scripts/test-windows gives its simulators, started here for each test.
struct Sensor {
    using Options = std::vector<std::string>;
    SimProcess sim;
    ScopedComPort com{9, sim.ptyPath()};
    int portNumber = 9;
    explicit Sensor(const std::string& role)
        : sim(std::map<std::string, Options>{
              {"HEALTHY", {"--address", "1", "--current", "12.3"}},
              {"SILENT", {"--silent"}},
              {"EXCEPTION", {"--address", "1", "--exception"}},
              {"ECHO_WRITES", {"--address", "1", "--echo-writes"}},
              {"ECHO", {"--address", "1", "--current", "12.3", "--echo", "--wire-timing"}},
          }
                  .at(role)) {}
    std::vector<std::string> LogLines() const { return sim.LogLines(); }
};

const bool kExclusiveOpen = true;
const char* const kAbsentPath = "/nonexistent/ttyUSB77";
const char* const kNotAPort = "/dev/null";

}  // namespace
#endif

namespace {

constexpr uint8_t kProbe[8] = {0x01, 0x04, 0x00, 0x00, 0x00, 0x01, 0x31, 0xCA};

#define OPEN_SENSOR(role)                                                    \
    const Sensor sensor(role);                                               \
    ASSERT_GT(sensor.portNumber, 0) << role << ": run scripts/test-windows"; \
    PortHandle handle = OpenComPort(sensor.portNumber, 9600);                \
    ASSERT_TRUE(handle)

TEST(SerialPort, OpensExclusivelyAndSaysWhyNot) {
    OPEN_SENSOR("HEALTHY");
    const std::string port = ComPortPath(sensor.portNumber);
    if (kExclusiveOpen) {
        EXPECT_EQ(OpenPortPath(port, 9600).error, OpenError::Busy);
    }
    ClosePort(handle);
    EXPECT_FALSE(handle) << "closing empties the handle";
    ClosePort(handle);  // closing an empty handle does nothing
    const struct {
        std::string path;
        int baud;
        OpenError error;
    } refused[] = {{port, 12345, OpenError::RateRefused},
                   {port, -9600, OpenError::RateRefused},
                   {kAbsentPath, 9600, OpenError::NoDevice},
                   {kNotAPort, 9600, OpenError::NotSerial}};
    for (const auto& r : refused) {
        const PortOpening opening = OpenPortPath(r.path, r.baud);
        EXPECT_EQ(opening.error, r.error) << r.path << " " << r.baud;
        EXPECT_FALSE(opening.handle);
        EXPECT_FALSE(DescribeOpenError(opening).empty());
    }
    EXPECT_EQ(OpenComPortWithReason(77, 9600).error, OpenError::NoDevice) << "nothing is COM77";
    handle = OpenComPort(sensor.portNumber, 19200);
    EXPECT_TRUE(handle) << "neither a close nor a refused rate left the port held";
    ClosePort(handle);
}

// Part of a reply queued does not end the wait early; a purge drops what is queued, and a read of
// an empty line ends at its own time-out (5 ms a byte + 5 ms).
TEST(SerialPort, WaitsReadsAndPurges) {
    OPEN_SENSOR("EXCEPTION");  // answers with 5 bytes
    ASSERT_EQ(WritePort(handle, kProbe, 8), 8);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the 5 bytes are queued
    auto start = Clock::now();
    EXPECT_EQ(WaitForInput(handle, 7, 300), 5);
    EXPECT_GE(MsSince(start), 299);
    PurgePort(handle);
    uint8_t bytes[7];
    start = Clock::now();
    EXPECT_EQ(ReadPort(handle, bytes, 7), 0);
    EXPECT_GE(MsSince(start), 35);
    EXPECT_LT(MsSince(start), 200);
    ClosePort(handle);
}

// Each sensor gives its cause within the budget (silence all of it, a reply once its last byte
// comes), one request each; an accepted read stores its word, a write leaves it. A device echoing a
// write looks like an echoing adapter. An overdue first byte ends the wait early.
TEST(SerialPort, TransactGivesEachCause) {
    const struct {
        const char* role;
        RegisterRow row;
        ExchangeCause cause;
        int word, firstByteMs, maxMs;
    } rows[] = {
        {"HEALTHY", READ_MEASUREMENT, ExchangeCause::Accepted, 123, 0, 150},
        {"HEALTHY", WRITE_TURNS, ExchangeCause::Accepted, 777, 0, 150},
        {"SILENT", SEARCH_PROBE, ExchangeCause::NoReply, 777, 0, SHORT_WAIT_MS + 30},
        {"SILENT", SEARCH_PROBE, ExchangeCause::NoReply, 777, 60, 400},
        {"EXCEPTION", READ_MEASUREMENT, ExchangeCause::Exception, 777, 0, SHORT_WAIT_MS + 30},
        {"ECHO_WRITES", ZERO, ExchangeCause::EchoNoReply, 777, 0, SHORT_WAIT_MS + 30},
        {"ECHO", READ_MEASUREMENT, ExchangeCause::Accepted, 123, 0, 150},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.role);
        OPEN_SENSOR(row.role);
        LinkState link;
        link.port = handle;
        link.baud = 9600;
        link.lastReadWord = 777;
        const size_t logged = sensor.LogLines().size();
        const auto start = Clock::now();
        const ExchangeRecord record = TransactOn(link, 1, row.row.function, row.row.reg, 1,
                                                 REPLY_LENGTH, SHORT_WAIT_MS, row.firstByteMs);
        const double ms = MsSince(start);
        EXPECT_EQ(record.cause, row.cause) << DescribeCause(record);
        EXPECT_EQ(link.lastReadWord, row.word);
        EXPECT_LT(ms, row.maxMs);
        if (row.cause == ExchangeCause::NoReply) {
            EXPECT_GE(ms, row.firstByteMs ? row.firstByteMs : SHORT_WAIT_MS);
        }
        ClosePort(link.port);
        EXPECT_EQ(sensor.LogLines().size(), logged + 1) << "the simulator saw one request";
    }
}

#ifdef _WIN32
// Only Windows: a file held without sharing is busy, and the system names its COM ports, those
// above COM9 too (the run maps SILENT there).
TEST(SerialPort, WindowsNamesAndHeldFiles) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string held = folder + std::string("tessaly-held");
    HANDLE file = CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    EXPECT_EQ(OpenPortPath(held, 9600).error, OpenError::Busy);
    CloseHandle(file);
    const Sensor healthy("HEALTHY"), silent("SILENT");
    EXPECT_EQ(ComPortPath(healthy.portNumber), "\\\\.\\" + healthy.comName());
    PortOpening named = OpenPortPath(healthy.comName(), 9600);
    EXPECT_EQ(named.path, "\\\\.\\" + healthy.comName());
    ClosePort(named.handle);
    EXPECT_FALSE(PortFriendlyName(healthy.portNumber).empty());
    EXPECT_EQ(ComPortPath(77) + PortFriendlyName(77), "");
    ASSERT_GE(silent.portNumber, 10);
    PortHandle handle = OpenComPort(silent.portNumber, 9600);
    EXPECT_TRUE(handle);
    ClosePort(handle);
}
#endif

}  // namespace
