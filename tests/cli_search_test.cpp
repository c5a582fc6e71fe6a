// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl search against the simulated line: every sensor of a line with several, a sensor
// that answers late found by --fast at every rate, one slower than the probe named nowhere, and a
// line where nobody answers.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_run.h"
#include "support/sim_process.h"

namespace {

using nlohmann::json;

// A find as --json writes it.
std::string Found(int address, int baud) {
    return R"({"ok":true,"port":"COM1","baud":)" + std::to_string(baud) + R"(,"address":)" +
           std::to_string(address) + R"(,"command":"search"})";
}

class CliSearch : public ::testing::Test {
protected:
    void SetUp() override { IsolateComPorts(); }
};

TEST_F(CliSearch, AllListsEverySensorOfTheLine) {
    SimProcess sim({"--address", "5", "--baud", "4800", "--sensor", "9@1200:1.5", "--sensor",
                    "12@9600:-3", "--sensor", "14@19200:2"});
    ScopedComPort com(1, sim.ptyPath());
    const CtlResult r =
        RunCtl({"--json", "search", "--all", "--fast", "--from", "0", "--to", "15"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> expected{Found(5, 4800), Found(9, 1200), Found(12, 9600),
                                            Found(14, 19200)};
    EXPECT_EQ(Lines(r.out), expected);
    // Every address of the range at every rate of the sensor, 19200 too, once each: 16 x 5.
    EXPECT_EQ(sim.LogLines().size(), 80u);
}

TEST_F(CliSearch, FastFindsALateSensorAtEveryRate) {
    for (int rate : {1200, 2400, 4800, 9600, 19200}) {
        SCOPED_TRACE(rate);
        SimProcess sim({"--address", "7", "--baud", std::to_string(rate), "--wire-timing",
                        "--turnaround-ms", "20"});
        ScopedComPort com(1, sim.ptyPath());
        const CtlResult r = RunCtl({"-q", "search", "--fast", "--rates", std::to_string(rate),
                                    "--from", "6", "--to", "8"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "address 7, " + std::to_string(rate) + " baud\n");
    }
}

// A sensor slower than the probe answers during the next probe, from its own address: that is no
// sensor at the next address, and the search says how to catch the slow one.
TEST_F(CliSearch, ALateAnswerIsNoFind) {
    SimProcess sim({"--address", "3", "--baud", "4800", "--turnaround-ms", "75"});
    ScopedComPort com(1, sim.ptyPath());
    const CtlResult r =
        RunCtl({"search", "--fast", "--rates", "4800", "--from", "2", "--to", "5", "--all"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "tessalyctl: a sensor answered late; a longer --turnaround-ms would catch it\n"
              "tessalyctl: COM1 (" +
                  sim.ptyPath() + "): no sensor answered at addresses 2-5\n");
}

TEST_F(CliSearch, NobodyAnswers) {
    SimProcess sim({"--silent"});
    ScopedComPort com(1, sim.ptyPath());
    const CtlResult r = RunCtl({"search", "--probe-ms", "5", "--from", "0", "--to", "2"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    // Only the reason: stderr is not a terminal, so no progress line.
    EXPECT_EQ(r.err,
              "tessalyctl: COM1 (" + sim.ptyPath() + "): no sensor answered at addresses 0-2\n");
    EXPECT_EQ(sim.LogLines().size(), 15u);  // 3 addresses x all five rates
}

}  // namespace
