// SPDX-License-Identifier: GPL-3.0-or-later
// What tessalyctl tells a person diagnosing a line: the cause of each fault in --trace, and
// --verify catching a write that the sensor acknowledged but did not take.
#include <gtest/gtest.h>

#include <regex>

#include "cli_run.h"
#include "support/sim_process.h"

namespace {

class CliTrace : public ::testing::Test {
protected:
    void SetUp() override { IsolateComPorts(); }
};

TEST_F(CliTrace, EveryFaultHasItsCause) {
    const struct {
        std::string fault;
        std::string command;
        std::string cause;
        int status;
    } rows[] = {
        {"", "read", "accepted", 0},
        {"--silent", "read", "no reply", 1},
        {"--bad-crc", "read", "bad check", 1},
        {"--extra-byte", "read", "too long, 8 bytes", 1},
        {"--exception", "read", "short, 5 bytes", 1},
        {"--echo-writes", "zero", "echo, no reply", 1},
        {"--echo", "read", "accepted", 0},
        {"--other-address", "read", "accepted from another address or function", 0},
    };
    // Time, rate, direction, bytes; a reply line ends with its cause.
    const std::regex request(
        R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z  9600 > ([0-9A-F]{2} ?){8}$)");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault + " " + row.command);
        SimProcess sim(row.fault.empty() ? std::vector<std::string>{}
                                         : std::vector<std::string>{row.fault});
        ScopedComPort com(1, sim.ptyPath());
        const CtlResult r = RunCtl({"-a", "1", "--trace", row.command});
        EXPECT_EQ(r.status, row.status);
        const auto lines = Lines(r.err);
        ASSERT_GE(lines.size(), 2u) << r.err;
        EXPECT_TRUE(std::regex_match(lines[0], request)) << lines[0];
        if (row.command == "read") {  // the published frame: read input register 0 of device 1
            EXPECT_NE(lines[0].find("> 01 04 00 00 00 01 31 CA"), std::string::npos);
        }
        // What came back as the request itself stands on its own line, before the reply.
        const bool echo = row.fault.starts_with("--echo");
        ASSERT_GE(lines.size(), echo ? 3u : 2u) << r.err;
        if (echo) {
            EXPECT_NE(
                lines[1].find("  9600 = " + lines[0].substr(lines[0].find('>') + 2) + "  echo"),
                std::string::npos)
                << lines[1];
        }
        const std::string& reply = lines[echo ? 2 : 1];
        EXPECT_NE(reply.find("  9600 < "), std::string::npos) << reply;
        EXPECT_EQ(reply.substr(reply.size() - row.cause.size()), row.cause) << reply;
    }
}

TEST_F(CliTrace, VerifyCatchesAWriteNotTaken) {
    const std::vector<std::string> writes[] = {
        {"set", "address", "9", "--verify"},
        {"set", "baud", "2400", "--verify"},
        {"set", "turns", "4", "--verify"},
    };
    for (const auto& write : writes) {
        for (bool ignored : {false, true}) {
            SCOPED_TRACE(write[1] + (ignored ? " ignored" : " taken"));
            std::vector<std::string> options{"--address", "3"};
            if (ignored)
                options.push_back("--ignore-writes");
            SimProcess sim(options);
            ScopedComPort com(1, sim.ptyPath());
            std::vector<std::string> args{"-a", "3"};
            args.insert(args.end(), write.begin(), write.end());
            const CtlResult r = RunCtl(args);
            EXPECT_EQ(r.status, ignored ? 1 : 0) << r.err;
            EXPECT_EQ(r.err.find("was acknowledged but did not take") != std::string::npos, ignored)
                << r.err;
            EXPECT_EQ(r.out.find("verified") != std::string::npos, !ignored) << r.out;
        }
    }
}

}  // namespace
