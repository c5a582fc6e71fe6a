// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl's one-exchange commands, ports and provision against the simulated sensor: their
// output in text and JSON, every exit status, bad values refused before anything reaches the line,
// --trace and --verify; and every JSON object printed, checked against the shipped schema.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <regex>

#include "support/harness.h"

namespace {

using nlohmann::json;

// The sensor at 3 and 4800 baud carrying 12.3 A with 5 turns; it acknowledges writes without
// taking them, so every row meets it as it was.
TEST(Cli, OutputInTextAndJson) {
    SimOnCom sim({"--address", "3", "--baud", "4800", "--current", "12.3", "--turns", "5",
                  "--ignore-writes"});
    const struct {
        std::vector<std::string> args;
        std::string text;
        json object;
    } rows[] = {
        {{"read"}, "12.3 A", {{"command", "read"}, {"current_a", 12.3}}},
        {{"read", "turns"}, "5 turns", {{"command", "read turns"}, {"turns", 5}}},
        {{"set", "address", "010"},
         "address set to 10",  // not octal
         {{"command", "set address"}, {"value", 10}}},
        {{"calibrate"}, "calibrated", {{"command", "calibrate"}}},
    };
    for (const auto& [args, text, object] : rows) {
        std::vector<std::string> line{"-a", "3", "-b", "4800", "-q"};
        line.insert(line.end(), args.begin(), args.end());
        EXPECT_EQ(RunCtl(line).out, text + "\n");
        line[4] = "--json";
        json expected{{"ok", true}, {"port", "COM1"}, {"baud", 4800}, {"address", 3}};
        expected.update(object);
        EXPECT_EQ(json::parse(RunCtl(line).out), expected);
    }
}

// A failed exchange is 1, a port that cannot be had is 3; --timeout-ms shortens the 4 s wait for
// a reply. The simulator keeps its end open too; only tessalyctl locks the port.
TEST(Cli, ExitStatusesAndPorts) {
    SimOnCom answering({}), silent({"--silent"}, 2), refusing({"--exception"}, 3);
    ScopedComPort com5(5, "/dev/null");
    CtlProcess holder({"-p", "1", "-a", "1", "monitor", "--period", "50"});
    ASSERT_TRUE(AwaitRequests(answering, 1));  // it has the port now
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } rows[] = {
        {{"-p", "COM2", "-a", "1", "--timeout-ms", "100", "read"},
         1,
         "COM2 (" + silent.ptyPath() + "): address 1 at 9600 baud: no reply"},
        {{"-p", "3", "-a", "1", "--timeout-ms", "100", "zero"}, 1, "short, 5 bytes"},
        {{"-p", "COM1", "read"}, 3, "COM1 (" + answering.ptyPath() + "): busy"},
        {{"-p", "COM5", "read"}, 3, "COM5 (/dev/null): not a serial device"},
    };
    const auto start = Clock::now();
    for (const auto& row : rows) {
        const CtlResult r = RunCtl(row.args);
        EXPECT_EQ(r.status, row.status) << row.err;
        EXPECT_NE(r.err.find(row.err), std::string::npos) << r.err;
    }
    EXPECT_LT(MsSince(start), 3000) << "--timeout-ms did not shorten the wait";
    const std::string pty = R"(COM\d  /\S+ +)";
    const CtlResult ports = RunCtl({"ports"});
    EXPECT_TRUE(
        std::regex_match(ports.out, std::regex(pty + R"(busy \(held by .*tessalyctl \d+.*\)\n)" +
                                               pty + R"(free \(open in tessaly-sim \d+\)\n)" + pty +
                                               R"(free \(open in tessaly-sim \d+\)\n)"
                                               R"(COM4  -               absent\n)"
                                               R"(COM5  /dev/null       not a serial device .*\n)"
                                               R"((COM\d+ +- +absent\n){5})")))
        << ports.out;
    RunCtl({"--json", "ports"});  // for the check against the schema
    holder.Signal(SIGINT);
    EXPECT_EQ(holder.Finish().status, 0);
}

// Only the device's group may open it: the message and `ports` name that group. Root runs the
// program as nobody, who is not in it.
TEST(Cli, PermissionDeniedNamesTheGroup) {
    SimOnCom sim({});
    const bool root = geteuid() == 0;
    if (const group* dialout = getgrnam("dialout"); root && dialout) {
        ASSERT_EQ(chown(sim.ptyPath().c_str(), 0, dialout->gr_gid), 0);
    }
    ASSERT_EQ(chmod(sim.ptyPath().c_str(), root ? 0660 : 060), 0);
    struct stat info {};
    ASSERT_EQ(stat(sim.ptyPath().c_str(), &info), 0);
    const std::string group = getgrgid(info.st_gid)->gr_name;
    const CtlResult r = RunCtl({"read"}, true);
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(r.err, "tessalyctl: COM1 (" + sim.ptyPath() +
                         "): permission denied; add yourself to the group " + group +
                         " and log in again\n");
    const json port = json::parse(Lines(RunCtl({"--json", "ports"}, true).out).at(0));
    EXPECT_EQ(port["state"], "no permission");
    EXPECT_EQ(port["group"], group);
}

// TESSALY_PORT, TESSALY_BAUD and TESSALY_ADDRESS stand in for -p, -b and -a; the command line
// wins; a bad value names its variable. A device path need not be UTF-8; the JSON written about it
// must be.
TEST(Cli, EnvironmentAndPaths) {
    SimOnCom sim({"--address", "3", "--baud", "4800", "--current", "1.5"}, 2);
    setenv("TESSALY_PORT", "COM2", 1);
    setenv("TESSALY_BAUD", "4800", 1);
    setenv("TESSALY_ADDRESS", "4", 1);
    EXPECT_EQ(RunCtl({"-a", "3", "read"}).out, "1.5 A\n");
    setenv("TESSALY_ADDRESS", "300", 1);
    const CtlResult bad = RunCtl({"read"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("TESSALY_ADDRESS: --address: 300 out of range 0-255"),
              std::string::npos);
    for (const char* name : {"TESSALY_PORT", "TESSALY_BAUD", "TESSALY_ADDRESS"})
        unsetenv(name);
    const std::string link = testing::TempDir() + "tessaly-port-\xff";
    ASSERT_EQ(symlink(sim.ptyPath().c_str(), link.c_str()), 0);
    const CtlResult r = RunCtl({"-p", link, "-a", "3", "-b", "4800", "--json", "read"});
    unlink(link.c_str());
    EXPECT_EQ(json::parse(r.out)["port"], link.substr(0, link.size() - 1) + "\uFFFD");
}

TEST(Cli, BadValuesRefusedBeforeTheLine) {
    SimOnCom sim({"--address", "0"});
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"-a", "3x", "read"}, "'3x' is not a whole number in 0-255"},
        {{"-p", "COM11", "read"}, "'COM11' is not COM1-COM10"},
        {{"set", "turns", "５"}, "is not a whole number in 1-10"},
        {{"search", "--rates", "4800,4800"}, "names 4800 twice"},
        {{"read", "current"}, "Try 'tessalyctl read --help'."},
        {{}, "Try 'tessalyctl --help'."},
    };
    for (const auto& [args, err] : rows) {
        const CtlResult r = RunCtl(args);
        EXPECT_EQ(r.status, 2) << err;
        EXPECT_NE(r.err.find(err), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_TRUE(sim.LogLines().empty()) << "a refused value reached the line";
}

// --trace: time, rate, direction, bytes; what came back as the request itself stands on its own
// line before the reply; a reply line ends with its cause.
TEST(Cli, TraceShowsEachFrameAndItsCause) {
    SimOnCom sim({"--echo"});
    const std::string time = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z  9600 )";
    const std::string request = "01 04 00 00 00 01 31 CA";
    const CtlResult r = RunCtl({"-a", "1", "--trace", "read"});
    EXPECT_TRUE(std::regex_search(
        r.err, std::regex(time + "> " + request + "\n" + time + "= " + request + "  echo\n" + time +
                          "< 01 04 02 00 00 B9 30  accepted\n")))
        << r.err;
}

// --verify catches a write that the sensor acknowledged but did not take. The read-backs that
// find the write taken are provision's too, tested there.
TEST(Cli, VerifyCatchesAWriteNotTaken) {
    SimOnCom sim({"--address", "3", "--ignore-writes"});
    for (auto [setting, value] : {std::pair{"address", "9"}, {"baud", "2400"}, {"turns", "4"}}) {
        const CtlResult r =
            RunCtl({"-a", "3", "--timeout-ms", "100", "set", setting, value, "--verify"});
        EXPECT_EQ(r.status, 1) << setting;
        EXPECT_NE(r.err.find("was acknowledged but did not take"), std::string::npos) << r.err;
    }
}

// One sensor at an unknown address and rate is found and reconfigured; an empty line and a line
// with two sensors are refused with nothing written.
TEST(Cli, ProvisionSetsOneSensorAndRefusesNoneOrTwo) {
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"--address", "7", "--baud", "2400", "--turns", "1"}, ""},
        {{"--silent"}, "no sensor answered at addresses 0-9; nothing written"},
        {{"--address", "5", "--baud", "4800", "--sensor", "9@1200"},
         "2 sensors answered (address 5 at 4800 baud, address 9 at 1200 baud); nothing written"},
    };
    for (const auto& [options, err] : rows) {
        SimOnCom sim(options);
        const CtlResult r = RunCtl({"--json", "provision", "--from", "0", "--to", "9", "--address",
                                    "3", "--baud", "19200", "--turns", "4"});
        EXPECT_EQ(r.status, err.empty() ? 0 : 1) << r.err;
        EXPECT_EQ(Lines(r.out).size(), 1u) << r.out;
        EXPECT_NE(r.err.find(err), std::string::npos) << r.err;
        if (err.empty())
            EXPECT_EQ(RunCtl({"-b", "19200", "-a", "3", "read", "turns"}).out, "4 turns\n");
        else
            for (const std::string& line : sim.LogLines())
                EXPECT_NE(LoggedRequest(line).substr(2, 2), "06") << "it wrote";
    }
}

// Around every test of test_cli: the COM ports lead only where the test points them; and once it
// has run, every JSON object tessalyctl printed is checked against the schema that ships with the
// program, by an independent validator (python3-jsonschema) that names each object that fails.
class CliEnvironment : public ::testing::Environment {
    void SetUp() override { IsolateComPorts(); }
    void TearDown() override {
        FILE* check = popen("python3 " VALIDATE_JSON " " TESSALYCTL_SCHEMA, "w");
        for (const std::string& object : PrintedJson())
            fprintf(check, "%s\n", object.c_str());
        EXPECT_EQ(pclose(check), 0) << PrintedJson().size() << " objects checked";
    }
};
const auto* const kCliEnvironment = ::testing::AddGlobalTestEnvironment(new CliEnvironment);

}  // namespace
