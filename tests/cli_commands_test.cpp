// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl's one-exchange commands and ports against the simulated sensor: their output in text
// and JSON, every exit status, and every bad value refused before anything reaches the line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <grp.h>

#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>

#include "cli_run.h"
#include "support/sim_process.h"

namespace {

using nlohmann::json;

class CliCommands : public ::testing::Test {
protected:
    void SetUp() override { IsolateComPorts(); }
};

TEST_F(CliCommands, OutputInTextAndJson) {
    // The sensor at 3 and 4800 baud carrying 12.3 A with 5 turns; -0.5 A is the word 0x8005.
    const struct {
        std::vector<std::string> sim;
        std::vector<std::string> args;
        std::string text;
        json object;
    } rows[] = {
        {{}, {"read"}, "12.3 A\n", {{"command", "read"}, {"current_a", 12.3}}},
        {{"--current", "-0.5"}, {"read"}, "-0.5 A\n", {{"command", "read"}, {"current_a", -0.5}}},
        {{}, {"read", "turns"}, "5 turns\n", {{"command", "read turns"}, {"turns", 5}}},
        {{},
         {"set", "address", "9"},
         "address set to 9\n",
         {{"command", "set address"}, {"value", 9}}},
        {{},
         {"set", "address", "010"},  // not octal
         "address set to 10\n",
         {{"command", "set address"}, {"value", 10}}},
        {{},
         {"set", "baud", "1200"},
         "baud rate set to 1200\n",
         {{"command", "set baud"}, {"value", 1200}}},
        {{},
         {"set", "turns", "10"},
         "turns set to 10\n",
         {{"command", "set turns"}, {"value", 10}}},
        {{}, {"zero"}, "zeroed\n", {{"command", "zero"}}},
        {{}, {"calibrate"}, "calibrated\n", {{"command", "calibrate"}}},
    };
    for (const auto& row : rows) {
        for (bool asJson : {false, true}) {
            SCOPED_TRACE(row.args.front() + (row.args.size() > 1 ? " " + row.args[1] : "") +
                         (asJson ? " --json" : ""));
            std::vector<std::string> sim{"--address", "3",    "--baud",  "4800",
                                         "--current", "12.3", "--turns", "5"};
            sim.insert(sim.end(), row.sim.begin(), row.sim.end());
            SimProcess simulator(sim);
            ScopedComPort com(1, simulator.ptyPath());
            std::vector<std::string> args{"-a", "3", "-b", "4800"};
            if (asJson)
                args.push_back("--json");
            args.insert(args.end(), row.args.begin(), row.args.end());
            const CtlResult r = RunCtl(args);
            EXPECT_EQ(r.status, 0) << r.err;
            json expected{{"ok", true}, {"port", "COM1"}, {"baud", 4800}, {"address", 3}};
            expected.update(row.object);
            if (asJson)
                EXPECT_EQ(json::parse(r.out), expected);
            else
                EXPECT_EQ(r.out, row.text);
        }
    }
}

TEST_F(CliCommands, ExitStatusesAndPorts) {
    SimProcess silent({"--silent"});
    SimProcess refusing({"--exception"});
    SimProcess answering({});
    ScopedComPort com1(1, answering.ptyPath());
    ScopedComPort com2(2, silent.ptyPath());
    ScopedComPort com3(3, refusing.ptyPath());
    // A long path: `ports` must keep it whole and apart from the state.
    const std::string file = testing::TempDir() + "tessalyctl-not-a-tty-" + std::string(100, 'x');
    std::ofstream(file) << "x";
    ScopedComPort com5(5, file);
    CtlProcess holder({"-p", "1", "-a", "1", "monitor", "--period", "50"});
    ASSERT_TRUE(AwaitRequests(answering, 1));  // it has the port now
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } rows[] = {
        {{"-p", "COM2", "-a", "1", "read"},
         1,
         "COM2 (" + silent.ptyPath() + "): address 1 at 9600 baud: no reply"},
        {{"-p", "3", "-a", "1", "zero"}, 1, "short, 5 bytes"},
        {{"-p", "COM1", "read"}, 3, "COM1 (" + answering.ptyPath() + "): busy"},
        {{"-p", "COM4", "read"}, 3, "COM4 (/nonexistent/tessaly-com4): no such device"},
        {{"-p", file, "read"}, 3, file + ": not a serial device"},
        {{"read", "current"}, 2, "Try 'tessalyctl read --help'."},
        {{}, 2, "Try 'tessalyctl --help'."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.err);
        const CtlResult r = RunCtl(row.args);
        EXPECT_EQ(r.status, row.status);
        EXPECT_NE(r.err.find(row.err), std::string::npos) << r.err;
    }
    const auto ports = Lines(RunCtl({"--json", "ports"}).out);
    ASSERT_EQ(ports.size(), 10u);
    const struct {
        const char* state;
        bool heldByCtl;  // the simulator keeps its end open too; only tessalyctl locks the port
    } states[] = {{"busy", true}, {"free", false}, {"free", false}, {"absent", false}};
    for (int n = 0; n < 4; ++n) {
        SCOPED_TRACE(ports[n]);
        const json port = json::parse(ports[n]);
        EXPECT_EQ(port["port"], "COM" + std::to_string(n + 1));
        EXPECT_EQ(port["state"], states[n].state);
        bool heldByCtl = false;
        for (const json& h : port["holders"])
            heldByCtl |= h["command"] == "tessalyctl";
        EXPECT_EQ(heldByCtl, states[n].heldByCtl);
    }
    const auto text = Lines(RunCtl({"ports"}).out);
    EXPECT_EQ(text.at(3), "COM4  -               absent");
    EXPECT_EQ(text.at(4), "COM5  " + file + " not a serial device");
    holder.Signal(SIGINT);
    EXPECT_EQ(holder.Finish().status, 0);
    std::remove(file.c_str());
}

TEST_F(CliCommands, PermissionDeniedNamesTheGroup) {
    SimProcess sim({});
    // Only the device's group may open it: the message and `ports` name that group. Root runs
    // the program as nobody, who is not in it.
    const bool root = geteuid() == 0;
    const group* dialout = getgrnam("dialout");
    if (root && dialout) {
        ASSERT_EQ(chown(sim.ptyPath().c_str(), 0, dialout->gr_gid), 0);
    }
    ASSERT_EQ(chmod(sim.ptyPath().c_str(), root ? 0660 : 060), 0);
    struct stat info {};
    ASSERT_EQ(stat(sim.ptyPath().c_str(), &info), 0);
    const std::string group = getgrgid(info.st_gid)->gr_name;
    ScopedComPort com(1, sim.ptyPath());
    const CtlResult r = RunCtlAsNobody({"read"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "tessalyctl: COM1 (" + sim.ptyPath() +
                         "): permission denied; add yourself to the group " + group +
                         " and log in again\n");
    const json port = json::parse(Lines(RunCtlAsNobody({"--json", "ports"}).out).at(0));
    EXPECT_EQ(port["state"], "no permission");
    EXPECT_EQ(port["group"], group);
}

// A device path need not be UTF-8; the JSON written about it must be.
TEST_F(CliCommands, JsonStaysValidForAPathThatIsNotUtf8) {
    SimProcess sim({"--address", "0"});
    const std::string link = testing::TempDir() + "tessaly-port-\xff";
    ASSERT_EQ(symlink(sim.ptyPath().c_str(), link.c_str()), 0);
    const CtlResult r = RunCtl({"-p", link, "--json", "monitor", "--count", "1"});
    unlink(link.c_str());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(json::parse(Lines(r.out).at(0))["port"], link.substr(0, link.size() - 1) + "\uFFFD");
}

// TESSALY_PORT, TESSALY_BAUD and TESSALY_ADDRESS stand in for -p, -b and -a; the command line
// wins; a bad value names its variable. --timeout-ms shortens the window's 4 s wait for a reply.
TEST_F(CliCommands, EnvironmentDefaultsAndTimeout) {
    SimProcess sim({"--address", "3", "--baud", "4800", "--current", "1.5"});
    ScopedComPort com(2, sim.ptyPath());
    setenv("TESSALY_PORT", "COM2", 1);
    setenv("TESSALY_BAUD", "4800", 1);
    setenv("TESSALY_ADDRESS", "3", 1);
    EXPECT_EQ(RunCtl({"read"}).out, "1.5 A\n");
    const auto start = std::chrono::steady_clock::now();
    const CtlResult absent = RunCtl({"-a", "4", "--json", "--timeout-ms", "100", "read"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(absent.status, 1);
    const json failed = json::parse(absent.out);
    EXPECT_EQ(failed["address"], 4);
    EXPECT_EQ(failed["cause"], "no reply");
    setenv("TESSALY_ADDRESS", "300", 1);
    const CtlResult bad = RunCtl({"read"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("TESSALY_ADDRESS: --address: 300 out of range 0-255"), std::string::npos)
        << bad.err;
    for (const char* name : {"TESSALY_PORT", "TESSALY_BAUD", "TESSALY_ADDRESS"})
        unsetenv(name);
    EXPECT_EQ(sim.LogLines().size(), 2u) << "a bad variable reached the line";
}

TEST_F(CliCommands, BadValuesRefusedBeforeTheLine) {
    SimProcess sim({"--address", "0"});
    ScopedComPort com(1, sim.ptyPath());
    const struct {
        std::vector<std::string> args;
        std::string err;
    } rows[] = {
        {{"-a", "256", "read"}, "256 out of range 0-255"},
        {{"-a", "-1", "zero"}, "-1 out of range 0-255"},
        {{"-a", "3x", "read"}, "'3x' is not a whole number in 0-255"},
        {{"-b", "14400", "read"}, "'14400' is not one of 1200, 2400, 4800, 9600, 19200"},
        {{"-p", "COM11", "read"}, "'COM11' is not COM1-COM10"},
        {{"set", "address", "300"}, "300 out of range 0-255"},
        {{"set", "baud", "115200"}, "'115200' is not one of"},
        {{"set", "turns", "0"}, "0 out of range 1-10"},
        {{"set", "turns", "11"}, "11 out of range 1-10"},
        {{"set", "turns", "５"}, "is not a whole number in 1-10"},
        {{"search", "--to", "256"}, "256 out of range 0-255"},
        {{"search", "--from", "9", "--to", "3"}, "search range 9-3 is empty"},
        {{"search", "--rates", "1200,600"}, "'600' is not one of"},
        {{"search", "--rates", "9600,,4800"}, "'9600,,4800' has an empty item"},
        {{"search", "--rates", "9600,"}, "'9600,' has an empty item"},
        {{"search", "--rates", ",4800"}, "',4800' has an empty item"},
        {{"search", "--rates", "4800,4800,4800"}, "names 4800 twice"},
        {{"search", "--fast", "--probe-ms", "20"}, "excludes"},
        {{"monitor", "--period", "0"}, "0 out of range 1-86400000"},
        {{"monitor", "--format", "xml"}, "xml not in {text,csv,json}"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.err);
        const CtlResult r = RunCtl(row.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(row.err), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_TRUE(sim.LogLines().empty()) << "a refused value reached the line";
}

}  // namespace
