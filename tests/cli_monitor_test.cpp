// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl's long runs on the simulated line: monitor's formats and summary, every stop; search
// over several sensors. The environment in cli_commands_test.cpp isolates the COM ports.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

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
         jsonHead + R"("ok":false,"current_a":null,"cause":"no_reply","error":"no reply"\})"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.format);
        const CtlResult r = RunCtl({"-a", "3", "--timeout-ms", "100", "monitor", "--count", "2",
                                    "--period", "10", "--format", row.format});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(
            std::regex_match(r.out, std::regex(row.header + row.good + "\n" + row.failed + "\n")))
            << r.out;
        EXPECT_EQ(r.err,
                  "2 readings, 1 good, 1 failed (no reply: 1); min 12.3 A, mean 12.30 A, "
                  "max 12.3 A\n");
    }
}

// Output that cannot be written (a full disk) stops the work at once, frees the port and says why,
// with a status of its own; a reader that went away is a quiet end. However the program is stopped
// (Ctrl-C, or any signal whose default ends a program), it ends the work at once with its summary
// and closes the port first, not left exclusive; it exits as shells report a signal: 128 + N.
TEST(CliRun, EveryStopEndsTheWorkAndFreesThePort) {
    SimOnCom sim({"--address", "3", "--current", "-1.5"});
    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    const struct {
        std::vector<std::string> args;
        size_t requests;  // what the sensor heard before the work stopped
    } rows[] = {
        {{"-a", "3", "read"}, 1},
        {{"-a", "3", "--json", "read"}, 1},
        {{"-a", "3", "monitor", "--count", "5"}, 1},
        {{"-a", "3", "monitor", "--format", "csv"}, 0},  // its header is the first thing written
        {{"search", "--fast", "--to", "5", "--rates", "9600"}, 5},  // 4 probes, the confirming read
        {{"ports"}, 0},
        {{"--help"}, 0},
    };
    for (const auto& [args, requests] : rows) {
        SCOPED_TRACE(args[args.size() > 2 ? 2 : 0]);
        const size_t seen = sim.LogLines().size();
        const CtlResult r = CtlProcess(args, RunAs::Me, full).Finish();
        EXPECT_EQ(r.status, 4);
        EXPECT_EQ(r.err, "tessalyctl: the output could not be written: No space left on device\n");
        EXPECT_EQ(sim.LogLines().size(), seen + requests) << "the work went on";
        EXPECT_EQ(ProbePortPath(sim.ptyPath()).error, OpenError::None);
    }
    close(full);
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    close(pipeEnds[0]);  // as | head does once it has its lines
    const CtlResult gone =
        CtlProcess({"-a", "3", "monitor", "-q"}, RunAs::Me, pipeEnds[1]).Finish();
    EXPECT_EQ(gone.status, 0);
    EXPECT_EQ(gone.err, "");
    // Work that writes nothing until it ends hears it from the pipe, as it hears a stop.
    const CtlResult search = CtlProcess({"search"}, RunAs::Me, pipeEnds[1]).Finish();
    close(pipeEnds[1]);
    EXPECT_EQ(search.err, "tessalyctl: search stopped after 0 of 1280 probes\n");
    for (int signal : {SIGINT, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM}) {
        SCOPED_TRACE(strsignal(signal));
        CtlProcess monitor({"-a", "3", "monitor", "--period", "20"});
        ASSERT_TRUE(AwaitRequests(sim, sim.LogLines().size() + 1));
        monitor.Signal(signal);
        const CtlResult r = monitor.Finish();
        EXPECT_EQ(r.status, 128 + signal);
        EXPECT_TRUE(r.err.ends_with(" 0 failed; min -1.5 A, mean -1.50 A, max -1.5 A\n")) << r.err;
        EXPECT_EQ(ProbePortPath(sim.ptyPath()).error, OpenError::None);
    }
    // Nobody answers address 7: the stop ends a long wait at once, and no failure is reported.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--timeout-ms", "20000", "-a", "7", "read"},
          {"--timeout-ms", "20000", "-a", "7", "monitor"},
          {"--timeout-ms", "20000", "search", "--from", "7", "--to", "7"}}) {
        SCOPED_TRACE(args.back());
        CtlProcess silent(args);
        ASSERT_TRUE(AwaitRequests(sim, sim.LogLines().size() + 1));
        const auto stopped = Clock::now();
        silent.Signal(SIGTERM);
        const CtlResult r = silent.Finish();
        EXPECT_LT(MsSince(stopped), 2000);
        EXPECT_EQ(r.err.find("no reply"), std::string::npos) << r.err;
        EXPECT_EQ(r.status, 128 + SIGTERM);
        EXPECT_EQ(ProbePortPath(sim.ptyPath()).error, OpenError::None);
    }
}

// Several sensors of one line in one monitor: each address in turn every period, each row with
// its address, a summary each; an address that never answers makes the run a failure. read takes
// the list too.
TEST(CliRun, MonitorReadsEveryAddressOfTheList) {
    SimOnCom sim({"--address", "3", "--current", "2.5", "--sensor", "7@9600:-1.5"});
    const CtlResult r = RunCtl({"-a", "3,7,9", "--timeout-ms", "100", "monitor", "--count", "2",
                                "--period", "10", "--format", "csv"});
    EXPECT_EQ(r.status, 1);
    std::string row;
    for (const char* reading :
         {",COM1,9600,3,true,2\\.5,", ",COM1,9600,7,true,-1\\.5,", ",COM1,9600,9,false,,no reply"})
        row += kTime + reading + "\n";
    EXPECT_TRUE(std::regex_match(
        r.out, std::regex("time,port,baud,address,ok,current_a,cause\n" + row + row)))
        << r.out;
    EXPECT_EQ(r.err,
              "address 3: 2 readings, 2 good, 0 failed; min 2.5 A, mean 2.50 A, max 2.5 A\n"
              "address 7: 2 readings, 2 good, 0 failed; min -1.5 A, mean -1.50 A, max -1.5 A\n"
              "address 9: 2 readings, 0 good, 2 failed (no reply: 2)\n");
    EXPECT_EQ(RunCtl({"-a", "7,3", "read"}).out, "address 7: -1.5 A\naddress 3: 2.5 A\n");
    setenv("TESSALY_ADDRESS", "3,7", 1);
    EXPECT_EQ(Lines(RunCtl({"--json", "monitor", "--count", "1"}).out).size(), 2u);
    unsetenv("TESSALY_ADDRESS");
}

// On a terminal search and provision say what they are doing on one line rewritten in place, never
// wider than the terminal (50 columns here); on a pipe they say nothing of it.
TEST(CliRun, ProgressFitsTheTerminalAndOnlyATerminal) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"search", "--fast", "--to", "9", "--rates", "2400"},
          {"provision", "--to", "9", "--rates", "2400", "--turns", "4"}}) {
        SCOPED_TRACE(args.front());
        SimOnCom sim({"--address", "9", "--baud", "2400"});
        PtyPair terminal;
        const winsize size{24, 50, 0, 0};
        ASSERT_EQ(ioctl(terminal.master, TIOCSWINSZ, &size), 0);
        EXPECT_EQ(CtlProcess(args, RunAs::Me, -1, terminal.slave).Finish().status, 0);
        std::string shown;
        char buffer[4096];
        fcntl(terminal.master, F_SETFL, O_NONBLOCK);
        for (ssize_t n; (n = read(terminal.master, buffer, sizeof buffer)) > 0;)
            shown.append(buffer, static_cast<size_t>(n));
        std::vector<std::string> updates;
        for (size_t at = 0; (at = shown.find("\r\033[K", at)) != std::string::npos; at += 4)
            updates.push_back(shown.substr(at + 4, shown.find('\r', at + 1) - at - 4));
        ASSERT_GE(updates.size(), 10u) << shown;
        for (const std::string& update : updates)
            EXPECT_LE(update.size(), 49u) << update;
        EXPECT_NE(shown.find(args.front() + ": "), std::string::npos) << shown;
        EXPECT_TRUE(args.front() == "search" ||
                    shown.find("provision: writing turns 4 to address 9") != std::string::npos)
            << shown;
        EXPECT_EQ(RunCtl(args).err.find('\r'), std::string::npos);
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

// A find is a find. A sensor at 3@4800 answering 110 ms after a request is heard during the 9600
// probe of its address, the 4800 probe having given up; the confirming read gets no answer at 9600,
// so it is a late answer, not a sensor at 9600. One that takes exactly the allowance, its reply's
// bytes coming at the wire's pace, is always found.
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
