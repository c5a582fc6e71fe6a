// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl monitor against the simulated sensor: its three formats and summary, Ctrl-C and the
// other stops, a reader that goes away, and a line that hangs up and comes back.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <nlohmann/json.hpp>
#include <regex>

#include "cli_run.h"
#include "serial_port.h"
#include "support/sim_process.h"

namespace {

using nlohmann::json;

const std::string kTime = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)";

class CliMonitor : public ::testing::Test {
protected:
    void SetUp() override { IsolateComPorts(); }
};

TEST_F(CliMonitor, FormatsAndSummary) {
    // Every second request goes unanswered: a reading, then a failure (after the 4 s wait).
    SimProcess sim({"--address", "3", "--current", "12.3", "--drop-every", "2"});
    ScopedComPort com(1, sim.ptyPath());
    const struct {
        std::string format;
        std::string good;
        std::string failed;
    } rows[] = {
        {"text", kTime + "  12\\.3 A", kTime + "  failed: no reply"},
        {"csv", kTime + ",COM1,9600,3,true,12\\.3,", kTime + ",COM1,9600,3,false,,no reply"},
        {"json",
         R"(\{"time":")" + kTime +
             R"(","port":"COM1","baud":9600,"address":3,"ok":true,"current_a":12\.3,"cause":null\})",
         R"(\{"time":")" + kTime +
             R"(","port":"COM1","baud":9600,"address":3,"ok":false,"current_a":null,"cause":"no reply","error":"no reading"\})"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.format);
        const CtlResult r = RunCtl(
            {"-a", "3", "monitor", "--count", "2", "--period", "10", "--format", row.format});
        EXPECT_EQ(r.status, 0);
        auto lines = Lines(r.out);
        if (row.format == "csv") {
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines.front(), "time,port,baud,address,ok,current_a,cause");
            lines.erase(lines.begin());
        }
        ASSERT_EQ(lines.size(), 2u) << r.out;
        EXPECT_TRUE(std::regex_match(lines[0], std::regex(row.good))) << lines[0];
        EXPECT_TRUE(std::regex_match(lines[1], std::regex(row.failed))) << lines[1];
        EXPECT_EQ(
            r.err,
            "2 readings, 1 good, 1 failed (no reply: 1); min 12.3 A, mean 12.30 A, max 12.3 A\n");
    }
}

TEST_F(CliMonitor, CtrlCEndsWithTheSummary) {
    SimProcess sim({"--current", "-1.5"});
    ScopedComPort com(1, sim.ptyPath());
    CtlProcess monitor({"-a", "1", "--json", "monitor", "--period", "50"});
    ASSERT_TRUE(AwaitRequests(sim, 3));
    monitor.Signal(SIGINT);
    const CtlResult r = monitor.Finish();
    EXPECT_EQ(r.status, 0);
    const auto lines = Lines(r.out);
    ASSERT_GE(lines.size(), 3u);
    for (const auto& line : lines)
        EXPECT_EQ(json::parse(line)["current_a"], -1.5);
    EXPECT_EQ(r.err, std::to_string(lines.size()) + " readings, " + std::to_string(lines.size()) +
                         " good, 0 failed; min -1.5 A, mean -1.50 A, max -1.5 A\n");
}

// However the program is stopped mid-exchange (a signal, a reader that went away), it closes the
// port first: the port is free, and not left exclusive, for the next program.
TEST_F(CliMonitor, AStopNeverLeavesThePortHeld) {
    SimProcess sim({"--address", "3"});
    ScopedComPort com(1, sim.ptyPath());
    const auto portIsFree = [] {
        PortHandle again = OpenComPort(1, 9600);
        const bool free = static_cast<bool>(again);
        ClosePort(again);
        return free;
    };
    CtlProcess silent({"-a", "7", "read"});  // nobody answers address 7: 4 s of waiting
    ASSERT_TRUE(AwaitRequests(sim, 1));
    silent.Signal(SIGTERM);
    EXPECT_EQ(silent.Finish().status, -1) << "ended by the signal, after closing";
    EXPECT_TRUE(portIsFree());
    CtlProcess monitor({"-a", "3", "monitor", "--period", "20"});
    ASSERT_TRUE(AwaitRequests(sim, 4));
    monitor.CloseOutput();  // the reader goes away
    EXPECT_EQ(monitor.Finish().status, 0);
    EXPECT_TRUE(portIsFree());
    // Every signal whose default ends a program is a stop, as Ctrl-C is.
    for (int signal : {SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM}) {
        SCOPED_TRACE(strsignal(signal));
        CtlProcess stopped({"-a", "3", "monitor", "--period", "20"});
        ASSERT_TRUE(AwaitRequests(sim, sim.LogLines().size() + 2));
        stopped.Signal(signal);
        EXPECT_EQ(stopped.Finish().status, 0);
        EXPECT_TRUE(portIsFree());
    }
}

// A reader of either stream that goes away stops the work at once: not at the next find (there
// may be none), nor never (the trace's failed writes went unnoticed).
TEST_F(CliMonitor, AReaderThatGoesAwayStopsTheWork) {
    SimProcess sim({"--address", "0"});
    ScopedComPort com(1, sim.ptyPath());
    const struct {
        std::vector<std::string> args;
        bool errors;  // the reader of stderr goes, not stdout's
    } rows[] = {
        {{"search", "--all", "--rates", "9600", "--probe-ms", "100"}, false},
        {{"-a", "0", "--trace", "monitor", "--period", "20"}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args[row.errors ? 2 : 0]);
        CtlProcess ctl(row.args);
        ASSERT_TRUE(AwaitRequests(sim, sim.LogLines().size() + 2));
        row.errors ? ctl.CloseErrors() : ctl.CloseOutput();
        const size_t seen = sim.LogLines().size();
        EXPECT_EQ(ctl.Finish(10).status, 0);
        EXPECT_LE(sim.LogLines().size(), seen + 2) << "more than the exchange under way";
    }
}

TEST_F(CliMonitor, RecoversWhenTheLineComesBack) {
    const std::string link = testing::TempDir() + "/tessalyctl-monitor-link";
    auto sim =
        std::make_unique<SimProcess>(std::vector<std::string>{"--link", link, "--current", "2"});
    ScopedComPort com(1, link);
    CtlProcess monitor({"-a", "1", "monitor", "--period", "50", "--format", "csv"});
    ASSERT_TRUE(AwaitRequests(*sim, 3));
    sim->Stop();  // the pseudo-terminal's other end closes: the line hangs up
    usleep(400000);
    sim = std::make_unique<SimProcess>(std::vector<std::string>{"--link", link, "--current", "3"});
    ASSERT_TRUE(AwaitRequests(*sim, 3));
    monitor.Signal(SIGINT);
    const CtlResult r = monitor.Finish();
    EXPECT_EQ(r.status, 0);
    // Good readings, then failures at the period while the line is down, then good ones again.
    std::string story;
    for (const auto& line : Lines(r.out)) {
        const char state = line.find(",true,2.0,") != std::string::npos        ? 'a'
                           : line.find(",false,,hung up") != std::string::npos ? 'x'
                           : line.find(",true,3.0,") != std::string::npos      ? 'b'
                                                                               : '?';
        if (story.empty() || story.back() != state)
            story += state;
    }
    EXPECT_EQ(story, "?axb") << r.out;  // the header first
    const auto hungUp = r.err.find("the line hung up");
    ASSERT_NE(hungUp, std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("the line hung up", hungUp + 1), std::string::npos) << "said once";
    EXPECT_NE(r.err.find(": open again"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("hung up: "), std::string::npos) << r.err;
}

}  // namespace
