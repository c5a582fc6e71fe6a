// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 serial backend against simulated sensors (Linux programs on pseudo-terminals that
// Wine maps to COM ports): the open and its reasons, the time-outs, the silent budget and the
// cause of each exchange.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>

#include "exchange.h"
#include "link_state.h"
#include "port_names.h"
#include "registers.h"
#include "serial_port.h"
#include "support/wine_sims.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool UnderWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// A COM number that no run maps.
constexpr int kAbsentPort = 77;

// Address 1's read of register 0, and the sensor's reply carrying 123 (12.3 A), as worked out in
// the protocol's example.
constexpr uint8_t kProbe[8] = {0x01, 0x04, 0x00, 0x00, 0x00, 0x01, 0x31, 0xCA};
constexpr uint8_t kReply123[7] = {0x01, 0x04, 0x02, 0x00, 0x7B, 0xF9, 0x13};

TEST(OpenPortPath, TakesBothSpellingsAndClosingReleases) {
    REQUIRE_SIM(sim, "HEALTHY");
    PortOpening shortName = OpenPortPath(sim.comName(), 9600);
    ASSERT_TRUE(shortName) << DescribeOpenError(shortName);
    EXPECT_EQ(shortName.path, "\\\\.\\" + sim.comName());
    ClosePort(shortName.handle);
    EXPECT_FALSE(shortName.handle) << "closing empties the handle";
    ClosePort(shortName.handle);  // closing an empty handle does nothing

    PortOpening longName = OpenPortPath("\\\\.\\" + sim.comName(), 19200);
    EXPECT_TRUE(longName) << DescribeOpenError(longName);
    ClosePort(longName.handle);
    PortHandle byNumber = OpenComPort(sim.portNumber, 4800);
    EXPECT_TRUE(byNumber);
    ClosePort(byNumber);
}

TEST(OpenComPort, IsExclusive) {
    if (UnderWine())
        GTEST_SKIP() << "Wine does not enforce CreateFile's share mode on a COM port: a second "
                        "open succeeds there. Windows refuses it; the Linux tests cover the rule.";
    REQUIRE_SIM(sim, "HEALTHY");
    PortHandle first = OpenComPort(sim.portNumber, 9600);
    ASSERT_TRUE(first);
    const PortOpening second = OpenComPortWithReason(sim.portNumber, 9600);
    EXPECT_FALSE(second);
    EXPECT_EQ(second.error, OpenError::Busy);
    ClosePort(first);
}

// A temporary file, held open without sharing while the object lives.
struct HeldFile {
    std::string path;
    HANDLE handle = INVALID_HANDLE_VALUE;
    HeldFile() {
        char folder[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        path = std::string(folder) + "tessaly-not-a-port-" + std::to_string(GetCurrentProcessId());
        handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    }
    ~HeldFile() { CloseHandle(handle); }
};

TEST(OpenPortPath, SaysWhyItFailed) {
    REQUIRE_SIM(sim, "HEALTHY");
    const std::string absent = "COM" + std::to_string(kAbsentPort);
    HeldFile held;
    ASSERT_NE(held.handle, INVALID_HANDLE_VALUE);
    const struct {
        std::string path;
        int baud;
        OpenError error;
    } cases[] = {
        {absent, 9600, OpenError::NoDevice},
        {"\\\\.\\" + absent, 9600, OpenError::NoDevice},
        {"NUL", 9600, OpenError::NotSerial},
        {held.path, 9600, OpenError::Busy},  // another handle holds it without sharing
        {sim.comName(), 12345, OpenError::RateRefused},
        {sim.comName(), 0, OpenError::RateRefused},
        {sim.comName(), -9600, OpenError::RateRefused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + " at " + std::to_string(c.baud));
        PortOpening opening = OpenPortPath(c.path, c.baud);
        EXPECT_FALSE(opening);
        EXPECT_EQ(opening.error, c.error) << DescribeOpenError(opening);
        EXPECT_FALSE(DescribeOpenError(opening).empty());
        ClosePort(opening.handle);
    }
    PortHandle after = OpenComPort(sim.portNumber, 4800);
    EXPECT_TRUE(after) << "a refused rate did not leave the port held";
    ClosePort(after);

    const PortOpening byNumber = OpenComPortWithReason(kAbsentPort, 9600);
    EXPECT_EQ(byNumber.error, OpenError::NoDevice);
    EXPECT_EQ(byNumber.path, "") << "nothing stands behind an absent COM number";
}

TEST(OpenPortPath, OtherErrorsInTheSystemsWords) {
    PortOpening opening;
    opening.error = OpenError::Other;
    opening.osError = ERROR_NOT_ENOUGH_MEMORY;
    const std::string text = DescribeOpenError(opening);
    EXPECT_NE(text.find("memory"), std::string::npos) << text;
}

TEST(ComPortPath, NamesThePortsThatExist) {
    REQUIRE_SIM(sim, "HEALTHY");
    EXPECT_EQ(ComPortPath(sim.portNumber), "\\\\.\\" + sim.comName());
    EXPECT_FALSE(PortFriendlyName(sim.portNumber).empty()) << "the system knows a mapped port";
    EXPECT_EQ(ComPortPath(kAbsentPort), "");
    EXPECT_EQ(PortFriendlyName(kAbsentPort), "");
    EXPECT_EQ(ComPortPath(0), "");
}

TEST(ComPortPath, ReachesTwoDigitPorts) {
    REQUIRE_SIM(sim, "SILENT");
    ASSERT_GE(sim.portNumber, 10) << "the run maps this one above COM9";
    PortHandle handle = OpenComPort(sim.portNumber, 9600);
    EXPECT_TRUE(handle);
    ClosePort(handle);
}

TEST(WaitForInput, NoticesTheReplyAtOnceAndPurgeDropsIt) {
    REQUIRE_SIM(sim, "HEALTHY");
    PortHandle handle = OpenComPort(sim.portNumber, 9600);
    ASSERT_TRUE(handle);
    ASSERT_EQ(WritePort(handle, kProbe, 8), 8);
    const auto start = Clock::now();
    EXPECT_EQ(WaitForInput(handle, 7, LONG_WAIT_MS), 7);
    EXPECT_LT(MsSince(start), 100);
    uint8_t reply[7] = {};
    EXPECT_EQ(ReadPort(handle, reply, 7), 7);
    EXPECT_EQ(std::vector<uint8_t>(reply, reply + 7),
              std::vector<uint8_t>(kReply123, kReply123 + 7));

    ASSERT_EQ(WritePort(handle, kProbe, 8), 8);
    ASSERT_EQ(WaitForInput(handle, 7, LONG_WAIT_MS), 7);
    PurgePort(handle);
    EXPECT_EQ(WaitForInput(handle, 1, 0), 0) << "the queued reply is gone";
    EXPECT_FALSE(LineHungUp(handle));
    ClosePort(handle);
}

TEST(WaitForInput, SilenceGivesZeroAfterTheBudget) {
    REQUIRE_SIM(sim, "SILENT");
    PortHandle handle = OpenComPort(sim.portNumber, 9600);
    ASSERT_TRUE(handle);
    const auto start = Clock::now();
    EXPECT_EQ(WaitForInput(handle, 7, 300), 0);
    EXPECT_GE(MsSince(start), 299);
    EXPECT_LT(MsSince(start), 400);
    ClosePort(handle);
}

// Part of a reply already queued when the wait begins: the wait is for the whole count.
TEST(WaitForInput, BytesAlreadyQueuedDoNotEndTheWaitEarly) {
    REQUIRE_SIM(sim, "EXCEPTION");
    PortHandle handle = OpenComPort(sim.portNumber, 9600);
    ASSERT_TRUE(handle);
    ASSERT_EQ(WritePort(handle, kProbe, 8), 8);
    Sleep(100);  // the 5-byte exception reply is queued by now
    const auto start = Clock::now();
    EXPECT_EQ(WaitForInput(handle, 7, 300), 5);
    EXPECT_GE(MsSince(start), 299);
    uint8_t reply[7] = {};
    EXPECT_EQ(ReadPort(handle, reply, 7), 5);
    EXPECT_EQ(reply[1], 0x84) << "the exception reply to function 4";
    ClosePort(handle);
}

TEST(ReadPort, GivesUpAfterTheTotalTimeOut) {
    REQUIRE_SIM(sim, "SILENT");
    PortHandle handle = OpenComPort(sim.portNumber, 9600);
    ASSERT_TRUE(handle);
    uint8_t bytes[7];
    const auto start = Clock::now();
    EXPECT_EQ(ReadPort(handle, bytes, 7), 0);
    // 5 ms per byte + 5 ms: 40 ms for seven bytes.
    EXPECT_GE(MsSince(start), 35);
    EXPECT_LT(MsSince(start), 200);
    ClosePort(handle);
}

// Each simulator role gives one cause; the request on the wire is the one worked out by hand.
TEST(Transact, EachFaultHasItsCause) {
    const struct {
        const char* role;
        RegisterRow row;
        ExchangeCause cause;
    } cases[] = {
        {"HEALTHY", READ_MEASUREMENT, ExchangeCause::Accepted},
        {"SILENT", SEARCH_PROBE, ExchangeCause::NoReply},
        {"BAD_CRC", READ_MEASUREMENT, ExchangeCause::BadCheck},
        {"EXTRA_BYTE", READ_MEASUREMENT, ExchangeCause::TooLong},
        {"EXCEPTION", READ_MEASUREMENT, ExchangeCause::Short},  // 5 bytes
        {"ECHO_WRITES", ZERO, ExchangeCause::EchoNoReply},      // 8 bytes: the request itself
        {"ECHO", READ_MEASUREMENT, ExchangeCause::Accepted},    // an adapter that echoes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.role);
        REQUIRE_SIM(sim, c.role);
        LinkState link;
        link.lastReadWord = 777;
        link.port = OpenComPort(sim.portNumber, 9600);
        ASSERT_TRUE(link.port);
        const size_t logged = sim.LogLines().size();
        const ExchangeRecord record = TransactOn(link, 1, c.row.function, c.row.reg, c.row.value,
                                                 REPLY_LENGTH, SHORT_WAIT_MS);
        EXPECT_EQ(record.cause, c.cause) << DescribeCause(record);
        EXPECT_EQ(link.lastReadWord, c.cause == ExchangeCause::Accepted ? 123 : 777);
        ClosePort(link.port);
        const auto lines = sim.LogLines();
        ASSERT_EQ(lines.size(), logged + 1) << "the simulator saw one request";
        if (c.row.function == FUNCTION_READ && c.row.reg == REGISTER_MEASUREMENT) {
            EXPECT_NE(lines.back().find("01040000000131ca"), std::string::npos) << lines.back();
        }
    }
}

TEST(Transact, SilenceCostsTheBudget) {
    REQUIRE_SIM(sim, "SILENT");
    LinkState link;
    link.port = OpenComPort(sim.portNumber, 9600);
    ASSERT_TRUE(link.port);
    const auto start = Clock::now();
    EXPECT_FALSE(TransactRowOn(link, SEARCH_PROBE, 1, SEARCH_PROBE.value).accepted());
    const double ms = MsSince(start);
    EXPECT_GE(ms, SHORT_WAIT_MS);
    EXPECT_LT(ms, SHORT_WAIT_MS + 30) << "no read time-out on top of a short wait";
    ClosePort(link.port);
}

}  // namespace
