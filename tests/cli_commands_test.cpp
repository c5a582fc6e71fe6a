// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl's one-exchange commands, ports and provision against the simulated sensor: text and
// JSON output, every exit status, bad values refused unsent, --verify, --trace, the environment;
// and every JSON object printed, checked against the shipped schema.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>
#include <cstring>

#include <map>
#include <nlohmann/json.hpp>
#include <regex>

#include "support/harness.h"

namespace {

using nlohmann::json;

// Command lines and their exit status, standard output and a part of standard error. COM1 leads,
// through an echoing adapter, to a sensor carrying 12.3 A with 5 turns that acknowledges writes
// without taking them, so every row meets it as it was and --verify fails; COM2 to a sensor at
// 3@4800 slower than a fast probe (read before it is searched: a read of address 0 takes a late
// answer from any address), COM3 to one that refuses, COM4 to a port another tessalyctl holds.
TEST(Cli, CommandLines) {
    SimOnCom sensor(
        {"--address", "0", "--current", "12.3", "--turns", "5", "--ignore-writes", "--echo"});
    SimOnCom late({"--address", "3", "--baud", "4800", "--turnaround-ms", "110"}, 2);
    SimOnCom refusing({"--exception"}, 3), held({}, 4);
    ScopedComPort com5(5, "/dev/null");
    CtlProcess holder({"-p", "4", "-a", "1", "monitor", "--period", "50"});
    ASSERT_TRUE(AwaitRequests(held, 1));  // it has the port now
    const auto done = [](const std::string& rest) {
        return R"({"ok":true,"port":"COM1","baud":9600,"address":0,"command":)" + rest + "}\n";
    };
    // A failed read's object, for scripts: not ok, the error in words and its cause as a code.
    const auto failed = [](const std::string& port, const std::string& error, const char* cause) {
        return R"({"ok":false,"port":")" + port.substr(0, 4) +
               R"(","baud":9600,"address":0,"command":"read","error":")" + port + ": " + error +
               R"(","cause":")" + cause + "\"}\n";
    };
    // clang-format off
    const struct { std::vector<std::string> args; int status; std::string out, err = ""; } rows[] = {
        {{"read"}, 0, "12.3 A\n", ""},
        {{"--json", "read"}, 0, done(R"("read","current_a":12.3)"), ""},
        {{"read", "turns"}, 0, "5 turns\n", ""},
        {{"--json", "read", "turns"}, 0, done(R"("read turns","turns":5)"), ""},
        {{"--json", "set", "address", "010"}, 0, done(R"("set address","value":10)"), ""},
        {{"--json", "calibrate"}, 0, done(R"("calibrate")"), ""},
        // --trace: after the time, the rate, the direction and the bytes; what came back as the
        // request itself on its own line; a reply line ends with its cause. Checks worked by hand.
        {{"--trace", "read"}, 0, "12.3 A\n", "Z  9600 = 00 04 00 00 00 01 30 1B  echo\n"},
        {{"--trace", "read"}, 0, "12.3 A\n", "Z  9600 < 00 04 02 00 7B C4 D3  accepted\n"},
        {{"--timeout-ms", "100", "set", "address", "9", "--verify"}, 1, "", "did not take"},
        {{"--timeout-ms", "100", "set", "baud", "2400", "--verify"}, 1, "", "did not take"},
        {{"set", "turns", "4", "--verify"}, 1, "", "was acknowledged but did not take"},
        {{"-p", "2", "--timeout-ms", "100", "read"}, 1, "", "address 0 at 9600 baud: no reply"},
        {{"-p", "2", "--json", "--timeout-ms", "100", "read"}, 1,
         failed("COM2 (" + late.ptyPath() + ")", "address 0 at 9600 baud: no reply", "no_reply")},
        // The late sensor answers during the next probe, from its own address: no sensor there.
        {{"-p", "2", "search", "--fast", "--rates", "4800", "--to", "5"}, 1, "", "answered late"},
        // ... and within a probe's 500 ms, but not the 20 ms asked for: the port is shut by then.
        {{"-p", "2", "--timeout-ms", "20", "search", "--rates", "4800", "--from", "3", "--to",
          "3"}, 1, "", "no sensor answered at addresses 3-3"},
        // A Modbus exception is named by its code and the protocol's name for it.
        {{"-p", "3", "-a", "1", "--timeout-ms", "100", "zero"}, 1, "",
         "exception 4 (server device failure)"},
        {{"-p", "4", "read"}, 3, "", "COM4 (" + held.ptyPath() + "): busy"},
        {{"-p", "5", "read"}, 3, "", "COM5 (/dev/null): not a serial device"},
        {{"-p", "5", "--json", "read"}, 3,
         failed("COM5 (/dev/null)", "not a serial device", "not_serial")},
        {{"-a", "3x", "read"}, 2, "", "'3x' is not a whole number in 0-255"},
        {{"-p", "COM11", "read"}, 2, "", "'COM11' is not COM1-COM10"},
        {{"set", "turns", "５"}, 2, "", "is not a whole number in 1-10"},
        {{"search", "--rates", "4800,1200,4800"}, 2, "", "names 4800 twice"},
        {{"read", "current"}, 2, "", "Try 'tessalyctl read --help'."},
        {{}, 2, "", "Try 'tessalyctl --help'."},
        // What people type without thinking: the last of a repeated option wins; an option the
        // command would not use is refused, and the hint names the help that describes it.
        {{"-a", "5", "read", "-a", "0"}, 0, "12.3 A\n", ""},
        {{"-a", "0,1", "set", "turns", "3"}, 2, "", "set turns takes one address, not a list"},
        {{"-a", "0,0", "read"}, 2, "", "--address: '0,0' names 0 twice\nTry 'tessalyctl --help'."},
        {{"search", "-b", "9600"}, 2, "", "--baud is not used with search, except through a raw "
                                          "TCP port (its rate)\nTry 'tessalyctl search"},
        {{"-a", "3", "provision", "--turns", "2"}, 2, "", "--address is not used with provision"},
        {{"-p", "2", "ports"}, 2, "", "--port is not used with ports"},
        {{"--json", "monitor", "--format", "csv"}, 2, "", "'csv' is not used with --json"},
        {{"monitor", "--format", "xml"}, 2, "", "--format: 'xml' is not one of text, csv, json"},
        {{"read", "-a", "x"}, 2, "", "Try 'tessalyctl --help'."},
        {{"serch"}, 2, "", "unknown command 'serch'; did you mean 'search'?"},
        {{"set", "adress", "3"}, 2, "", "did you mean 'address'?\nTry 'tessalyctl set --help'."},
        {{"help", "zer"}, 2, "", "unknown command 'zer'; did you mean 'zero'?"},
    };
    // clang-format on
    for (const auto& [args, status, out, err] : rows) {
        const size_t seen = sensor.LogLines().size();
        const auto start = Clock::now();
        const CtlResult r = RunCtl(args);
        EXPECT_EQ(r.status, status) << r.err;
        EXPECT_EQ(r.out, out);
        EXPECT_NE(r.err.find(err), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("answered late") != std::string::npos, err == "answered late");
        EXPECT_LT(MsSince(start), 3000) << "waited the whole 4 s for a reply";
        EXPECT_TRUE(status != 2 || sensor.LogLines().size() == seen) << "a refused value was sent";
    }
    // The simulators keep their ends open too; only tessalyctl locks a port.
    const std::regex listed(
        R"((COM\d  /\S+ +free \(open in tessaly-sim \d+\)\n){3})"
        R"(COM4  /\S+ +busy \(held by .*tessalyctl \d+.*\)\n)"
        R"(COM5  /dev/null       not a serial device .*\n)"
        R"((COM\d  -               absent\n){4}COM10 -               absent\n)");
    const std::string ports = RunCtl({"ports"}).out;
    EXPECT_TRUE(std::regex_match(ports, listed)) << ports;
    RunCtl({"--json", "ports"});  // for the check against the schema
    // The exception's code for scripts; help COMMAND is the command's own help; -V the version.
    json exception =
        json::parse(RunCtl({"-p", "3", "-a", "1", "--json", "--timeout-ms", "100", "read"}).out);
    EXPECT_EQ(exception["cause"], "exception");
    EXPECT_EQ(exception["exception_code"], 4);
    EXPECT_EQ(RunCtl({"help", "set", "baud"}).out, RunCtl({"set", "baud", "--help"}).out);
    EXPECT_EQ(RunCtl({"help"}).out, RunCtl({"--help"}).out);
    EXPECT_EQ(RunCtl({"-V"}).out, RunCtl({"--version"}).out);
    holder.Signal(SIGINT);
    EXPECT_EQ(holder.Finish().status, 128 + SIGINT);
}

// Only the device's group may open it: the message and `ports` name that group. Root runs the
// program as nobody, who is not in it.
TEST(Cli, PermissionDeniedNamesTheGroup) {
    SimOnCom sim({});
    ASSERT_EQ(chmod(sim.ptyPath().c_str(), geteuid() == 0 ? 0660 : 060), 0);
    struct stat info {};
    ASSERT_EQ(stat(sim.ptyPath().c_str(), &info), 0);
    const std::string group = getgrgid(info.st_gid)->gr_name;
    const CtlResult r = RunCtl({"read"}, RunAs::Nobody);
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(r.err, "tessalyctl: COM1 (" + sim.ptyPath() +
                         "): permission denied; add yourself to the group " + group +
                         " and log in again\n");
    const json port = json::parse(Lines(RunCtl({"--json", "ports"}, RunAs::Nobody).out).at(0));
    EXPECT_EQ(port["state"], "no_permission");
    EXPECT_EQ(port["group"], group);
}

// TESSALY_PORT, TESSALY_BAUD and TESSALY_ADDRESS stand in for -p, -b and -a; the command line
// wins; a bad value names its variable. A device path need not be UTF-8, the JSON about it must.
TEST(Cli, EnvironmentAndPaths) {
    SimOnCom sim({"--address", "3", "--baud", "4800", "--current", "1.5"}, 2);
    setenv("TESSALY_PORT", "COM2", 1);
    setenv("TESSALY_BAUD", "4800", 1);
    setenv("TESSALY_ADDRESS", "4", 1);
    EXPECT_EQ(RunCtl({"-a", "3", "read"}).out, "1.5 A\n");
    setenv("TESSALY_ADDRESS", "3", 1);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"-p", "COM2", "read"},
                                                 {"-b", "4800", "read"},
                                                 {"--timeout-ms", "900", "read"}})
        EXPECT_EQ(RunCtl(args).out, "1.5 A\n") << args[0];
    setenv("TESSALY_ADDRESS", "300", 1);
    const CtlResult bad = RunCtl({"read"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("TESSALY_ADDRESS: --address: '300' is out of range 0-255"),
              std::string::npos);
    for (const char* name : {"TESSALY_PORT", "TESSALY_BAUD", "TESSALY_ADDRESS"})
        unsetenv(name);
    const std::string link = testing::TempDir() + "tessaly-port-\xff";
    ASSERT_EQ(symlink(sim.ptyPath().c_str(), link.c_str()), 0);
    const CtlResult r = RunCtl({"-p", link, "-a", "3", "-b", "4800", "--json", "read"});
    unlink(link.c_str());
    EXPECT_EQ(json::parse(r.out)["port"], link.substr(0, link.size() - 1) + "\uFFFD");
}

// One sensor at an unknown address and rate is found and reconfigured; an empty line and a line
// with two sensors are refused with nothing written.
TEST(Cli, ProvisionSetsOneSensorAndRefusesNoneOrTwo) {
    // requests: the search's probes, 10 addresses at 5 rates, and a read per find.
    // clang-format off
    const struct { std::vector<std::string> options; std::string err; size_t requests; } rows[] = {
        {{"--address", "7", "--baud", "2400", "--turns", "1"}, "", 0},
        {{"--silent"}, "no sensor answered at addresses 0-9; nothing written", 50},
        {{"--address", "5", "--baud", "4800", "--sensor", "9@1200"}, "2 sensors answered "
         "(address 5 at 4800 baud, address 9 at 1200 baud); nothing written", 52},
    };
    // clang-format on
    for (const auto& [options, err, requests] : rows) {
        SimOnCom sim(options);
        const CtlResult r = RunCtl({"--json", "provision", "--from", "0", "--to", "9", "--address",
                                    "3", "--baud", "19200", "--turns", "4"});
        EXPECT_EQ(r.status, err.empty() ? 0 : 1) << r.err;
        EXPECT_EQ(Lines(r.out).size(), 1u) << r.out;
        EXPECT_NE(r.err.find(err), std::string::npos) << r.err;
        if (err.empty())
            EXPECT_EQ(RunCtl({"-b", "19200", "-a", "3", "read", "turns"}).out, "4 turns\n");
        else  // nothing but the search
            EXPECT_EQ(sim.LogLines().size(), requests);
    }
}

// A line that loses every Nth request to the sensor at 7@2400: a lost read-back is asked again, so
// only a lost write fails, and the failure says where the sensor answers. The sensor counts the
// requests it hears: 1 the probe, 2 the read that confirms it, then a write and its read-back per
// step. N = 3 loses the turns' write, 5 the address's, 4 and 7 the rate's; N = 6 only a read-back.
TEST(Cli, ProvisionOnALossyLineSaysWhereTheSensorIs) {
    const std::map<int, std::string> failsAt = {
        {3, "turns 7@2400"}, {4, "baud 3@2400"}, {5, "address 7@2400"}, {7, "baud 3@2400"}};
    for (int every = 3; every <= 7; ++every) {
        SimOnCom sim({"--address", "7", "--baud", "2400", "--drop-every", std::to_string(every)});
        const CtlResult r =
            RunCtl({"--json", "--timeout-ms", "300", "provision", "--from", "7", "--to", "7",
                    "--rates", "2400", "--turns", "4", "--address", "3", "--baud", "19200"});
        json result = json::parse(r.out);  // not const: a missing key reads as null
        const auto fails = failsAt.find(every);
        EXPECT_EQ(r.status, fails == failsAt.end() ? 0 : 1) << every << ": " << r.err;
        if (fails == failsAt.end())
            continue;
        const json at = result["at"].is_array() ? result["at"].at(0) : json::object();
        const std::string where =
            std::to_string(at.value("address", -1)) + "@" + std::to_string(at.value("baud", -1));
        EXPECT_EQ(result.value("failed_step", "") + " " + where, fails->second) << r.out;
        EXPECT_EQ(result["cause"], "not_taken");
    }
}

// A stop during the writes ends provision after the step under way: the port is free, the sensor
// is where the report says, and the report names what was written and what was not.
TEST(Cli, ProvisionStoppedDuringItsWritesSaysWhatItWrote) {
    for (int signal : {SIGINT, SIGUSR1}) {
        SimOnCom sim({"--address", "7", "--baud", "2400", "--turnaround-ms", "300"});
        CtlProcess ctl({"--json", "provision", "--from", "7", "--to", "7", "--rates", "2400",
                        "--turnaround-ms", "400", "--turns", "4", "--address", "3", "--baud",
                        "19200"});
        for (int waited = 0; waited < 1000; ++waited) {  // the first write (function 06) is out
            const auto lines = sim.LogLines();
            if (!lines.empty() && LoggedRequest(lines.back()).substr(2, 2) == "06")
                break;
            usleep(10'000);
        }
        ctl.Signal(signal);
        const CtlResult r = ctl.Finish();
        EXPECT_EQ(r.status, 128 + signal) << strsignal(signal) << r.err;
        json result = json::parse(r.out);  // not const: a missing key reads as null
        EXPECT_EQ(result["cause"], "stopped");
        EXPECT_EQ(result["set"], json({{"turns", 4}}));
        EXPECT_EQ(result["not_written"], json({"address", "baud"}));
        EXPECT_EQ(result["at"], json::parse(R"([{"address":7,"baud":2400}])"));
        EXPECT_NE(r.err.find("provision stopped; done: turns 4; not written: address 3, rate "
                             "19200; the sensor answers at address 7 at 2400 baud"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(RunCtl({"-b", "2400", "-a", "7", "read", "turns"}).out, "4 turns\n");
    }
}

// Around every test of test_cli: the COM ports lead only where the test points them; at the end,
// every JSON object printed is checked against the shipped schema by python3-jsonschema.
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
