// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl provision against the simulated line: one sensor at an unknown address and rate is
// found and reconfigured; an empty line and a line with two sensors are refused with nothing
// written.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli_run.h"
#include "support/sim_process.h"

namespace {

// Whether any request the simulator saw was a write (function 6).
bool AnyWrite(const SimProcess& sim) {
    for (const std::string& line : sim.LogLines())
        if (nlohmann::json::parse(line)["request"].get<std::string>().substr(2, 2) == "06")
            return true;
    return false;
}

TEST(CliProvision, OneSensorIsSetAndNoneOrTwoAreRefused) {
    IsolateComPorts();
    const struct {
        std::vector<std::string> sim;
        int status;
        std::string err;
    } rows[] = {
        {{"--address", "7", "--baud", "2400", "--turns", "1"}, 0, ""},
        {{"--silent"}, 1, "no sensor answered at addresses 0-9; nothing written"},
        {{"--address", "5", "--baud", "4800", "--sensor", "9@1200"},
         1,
         "2 sensors answered (address 5 at 4800 baud, address 9 at 1200 baud); nothing written"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.err);
        SimProcess sim(row.sim);
        ScopedComPort com(1, sim.ptyPath());
        const CtlResult r = RunCtl({"--json", "provision", "--from", "0", "--to", "9", "--address",
                                    "3", "--baud", "19200", "--turns", "4"});
        EXPECT_EQ(r.status, row.status) << r.err;
        EXPECT_EQ(Lines(r.out).size(), 1u) << r.out;
        if (row.status != 0) {
            EXPECT_NE(r.err.find(row.err), std::string::npos) << r.err;
            EXPECT_FALSE(AnyWrite(sim)) << "a refused provision wrote";
            continue;
        }
        // The sensor answers where it was sent, with its new turns.
        EXPECT_EQ(RunCtl({"-b", "19200", "-a", "3", "read", "turns"}).out, "4 turns\n");
    }
}

}  // namespace
