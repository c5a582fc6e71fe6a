// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl's long runs against the simulated line: monitor in its three formats with its
// summary, stopped every way; search over a line with several sensors. The COM ports are isolated
// by the environment in cli_commands_test.cpp.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "serial_port.h"
#include "support/harness.h"

namespace {

const std::string kTime = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)";

TEST(CliRun, MonitorFormatsAndSummary) {
    // Every second request goes unanswered: a reading, then a failure.
    SimOnCom sim({"--address", "3", "--current", "12.3", "--drop-every", "2"});
    const std::string jsonHead =
        R"(\{"time":")" + kTime + R"(","port":"COM1","baud":9600,"address":3,)";
    const struct {
        std::string format, header, good, failed;
    } rows[] = {
        {"text", "", kTime + "  12\\.3 A", kTime + "  failed: no reply"},
        {"csv", "time,port,baud,address,ok,current_a,cause\n", kTime + ",COM1,9600,3,true,12\\.3,",
         kTime + ",COM1,9600,3,false,,no reply"},
        {"json", "", jsonHead + R"("ok":true,"current_a":12\.3,"cause":null\})",
         jsonHead + R"("ok":false,"current_a":null,"cause":"no reply","error":"no reading"\})"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.format);
        const CtlResult r = RunCtl({"-a", "3", "--timeout-ms", "100", "monitor", "--count", "2",
                                    "--period", "10", "--format", row.format});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(
            std::regex_match(r.out, std::regex(row.header + row.good + "\n" + row.failed + "\n")))
            << r.out;
        EXPECT_EQ(
            r.err,
            "2 readings, 1 good, 1 failed (no reply: 1); min 12.3 A, mean 12.30 A, max 12.3 A\n");
    }
}

// However the program is stopped (Ctrl-C, or any signal whose default ends a program), it ends
// the work at once with its summary and closes the port first: the port is free, and not left
// exclusive, for the next program.
TEST(CliRun, EveryStopEndsTheWorkAndFreesThePort) {
    SimOnCom sim({"--address", "3", "--current", "-1.5"});
    for (int signal : {SIGINT, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM}) {
        SCOPED_TRACE(strsignal(signal));
        CtlProcess monitor({"-a", "3", "monitor", "--period", "20"});
        ASSERT_TRUE(AwaitRequests(sim, sim.LogLines().size() + 1));
        monitor.Signal(signal);
        const CtlResult r = monitor.Finish();
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.err.ends_with(" 0 failed; min -1.5 A, mean -1.50 A, max -1.5 A\n")) << r.err;
        EXPECT_EQ(ProbePortPath(sim.ptyPath()).error, OpenError::None);
    }
    // Nobody answers address 7: the stop ends a long wait at once, and no failure is reported.
    for (const char* command : {"read", "monitor"}) {
        SCOPED_TRACE(command);
        CtlProcess silent({"-a", "7", "--timeout-ms", "20000", command});
        ASSERT_TRUE(AwaitRequests(sim, sim.LogLines().size() + 1));
        const auto stopped = Clock::now();
        silent.Signal(SIGTERM);
        const CtlResult r = silent.Finish();
        EXPECT_LT(MsSince(stopped), 2000);
        EXPECT_EQ(r.err.find("no reply"), std::string::npos) << r.err;
        if (command == std::string("read"))
            EXPECT_EQ(r.status, -1) << "ended by the signal, after closing";
        EXPECT_EQ(ProbePortPath(sim.ptyPath()).error, OpenError::None);
    }
}

// Every sensor of the range at every rate of the sensor, 19200 too, once each: 16 x 5 probes, and
// a read that confirms each of the 4 finds.
TEST(CliRun, SearchAllListsEverySensorOfTheLine) {
    SimOnCom sim({"--address", "5", "--baud", "4800", "--sensor", "9@1200:1.5", "--sensor",
                  "12@9600:-3", "--sensor", "14@19200:2"});
    const CtlResult r =
        RunCtl({"--json", "search", "--all", "--fast", "--from", "0", "--to", "15"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> expected;
    for (auto [address, baud] : {std::pair{5, 4800}, {9, 1200}, {12, 9600}, {14, 19200}})
        expected.push_back(R"({"ok":true,"port":"COM1","baud":)" + std::to_string(baud) +
                           R"(,"address":)" + std::to_string(address) + R"(,"command":"search"})");
    EXPECT_EQ(Lines(r.out), expected);
    EXPECT_EQ(sim.LogLines().size(), 84u);
}

// A find is a find. A sensor at 3@4800 that answers 110 ms after a request is heard during the
// 9600 probe of its address, the 4800 probe having given up: the read that confirms a find gets
// no answer at 9600, so it is a late answer, not a sensor at 9600. A sensor that takes exactly the
// allowance, its reply's bytes coming at the wire's pace, is always found.
TEST(CliRun, SearchReportsOnlyWhatAConfirmingReadFinds) {
    {
        SimOnCom sim({"--address", "3", "--baud", "4800", "--turnaround-ms", "110"});
        const CtlResult r = RunCtl(
            {"search", "--fast", "--all", "--rates", "4800,9600", "--from", "3", "--to", "3"});
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("a sensor answered late"), std::string::npos) << r.err;
    }
    SimOnCom sim({"--address", "3", "--turnaround-ms", "50", "--wire-timing"});
    int found = 0;
    for (int run = 0; run < 16; ++run)
        found +=
            RunCtl({"search", "--fast", "--rates", "9600", "--from", "3", "--to", "3"}).status == 0;
    EXPECT_EQ(found, 16);
}

}  // namespace
