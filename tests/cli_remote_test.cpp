// SPDX-License-Identifier: GPL-3.0-or-later
// tessalyctl through Debian's ser2net serving the simulator's pseudo-terminal on loopback, as
// RFC 2217 and as raw TCP. The environment in cli_commands_test.cpp isolates the COM ports.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <set>
#include <thread>

#include "serial_port.h"
#include "support/harness.h"

namespace {

using json = nlohmann::json;

// ser2net lets the device go a moment after a client of one of its ports leaves, and refuses the
// other port's client meanwhile as busy: the tests let it go before they change ports.
const auto LetTheServerSettle = [] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); };

// Everything a local port does, through RFC 2217: read, a search that walks every rate (the
// simulator sees the line's rate change under it), a set checked by reading back; through raw TCP
// the server's rate, and a search at that rate alone that says so.
TEST(CliRemote, CommandsThroughSer2net) {
    // Replies timed as on the wire come to ser2net a byte or two at a time: split over segments.
    SimProcess sim({"--address", "3", "--current", "12.5", "--turns", "2", "--wire-timing"});
    Ser2net server(sim.ptyPath());
    const std::string rfc = server.Rfc2217Url(), tcp = server.TcpUrl();
    EXPECT_EQ(RunCtl({"-p", rfc, "-a", "3", "read"}).out, "12.5 A\n");
    LetTheServerSettle();
    EXPECT_EQ(RunCtl({"-p", tcp, "-a", "3", "read"}).out, "12.5 A\n");
    LetTheServerSettle();

    const size_t before = sim.LogLines().size();
    const CtlResult found = RunCtl({"-p", rfc, "--json", "search", "--fast", "--to", "3"});
    EXPECT_EQ(json::parse(found.out)["baud"], 9600) << found.out << found.err;
    std::set<std::string> seen;
    const std::vector<std::string> probes = Probes(sim);
    for (size_t i = before; i < probes.size(); ++i)
        seen.insert(probes[i].substr(probes[i].find('@') + 1));
    EXPECT_EQ(seen, (std::set<std::string>{"1200", "2400", "4800", "9600", "19200"}));

    EXPECT_EQ(RunCtl({"-p", rfc, "-a", "3", "set", "turns", "7", "--verify"}).status, 0);
    EXPECT_EQ(RunCtl({"-p", rfc, "-a", "3", "read", "turns"}).out, "7 turns\n");
    LetTheServerSettle();

    const CtlResult raw = RunCtl({"-p", tcp, "search", "--fast", "--to", "3"});
    EXPECT_EQ(raw.out, "address 3, 9600 baud\n");
    EXPECT_NE(raw.err.find("searching at 9600 baud only"), std::string::npos) << raw.err;
}

// Each way a server can fail the client is its own reason and code, with nothing sent: a second
// client while one holds the line (ser2net writes its refusal and hangs up), a port nobody listens
// on, a server that does not speak RFC 2217, a name that does not resolve, a malformed URL.
TEST(CliRemote, EachFailureItsReason) {
    SimProcess sim({"--address", "3"});
    Ser2net server(sim.ptyPath());
    CtlProcess holder({"-p", server.Rfc2217Url(), "-a", "3", "monitor", "--period", "50"});
    ASSERT_TRUE(AwaitRequests(sim, 1));
    const std::string nobody = "rfc2217://127.0.0.1:" + std::to_string(FreeTcpPort());
    // clang-format off
    const struct { std::string port; int status; std::string cause, error; } rows[] = {
        {server.Rfc2217Url(), 3, "busy", "busy"},
        {server.TcpUrl(), 3, "busy", "busy"},
        {nobody, 3, "refused", "connection refused"},
        {"rfc2217://no-such-host.invalid:2000", 3, "unknown_host", "unknown host"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.port);
        const CtlResult r = RunCtl({"-p", row.port, "--json", "read"});
        EXPECT_EQ(r.status, row.status);
        const json object = json::parse(r.out);
        EXPECT_EQ(object["cause"], row.cause);
        EXPECT_NE(object["error"].get<std::string>().find(row.error), std::string::npos) << r.out;
    }
    holder.Signal(SIGINT);
    holder.Finish();
    LetTheServerSettle();
    // A raw TCP server asked for RFC 2217 answers nothing of it.
    const CtlResult plain = RunCtl({"-p", "rfc2217" + server.TcpUrl().substr(3), "read"});
    EXPECT_EQ(plain.status, 3);
    EXPECT_NE(plain.err.find("does not speak RFC 2217"), std::string::npos) << plain.err;

    const size_t requests = sim.LogLines().size();
    for (const char* bad :
         {"rfc2217://127.0.0.1", "tcp://:2000", "rfc2217://host:0", "rfc2217://host:65536",
          "socket://127.0.0.1:2000", "tcp://[::1:2000", "tcp://host:20x0"}) {
        SCOPED_TRACE(bad);
        const CtlResult r = RunCtl({"-p", bad, "read"});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("is not a remote port"), std::string::npos) << r.err;
    }
    setenv("TESSALY_PORT", "tcp://127.0.0.1:", 1);
    EXPECT_EQ(RunCtl({"read"}).status, 2);
    unsetenv("TESSALY_PORT");
    EXPECT_EQ(sim.LogLines().size(), requests);
}

// A server that goes away mid-run is a hung-up line: the readings fail while it is gone and come
// back by themselves once it listens again.
TEST(CliRemote, MonitorOutlivesARestartOfTheServer) {
    SimProcess sim({"--address", "3", "--current", "2"});
    Ser2net server(sim.ptyPath());
    CtlProcess monitor(
        {"-p", server.Rfc2217Url(), "-a", "3", "--timeout-ms", "100", "monitor", "--period", "20"});
    ASSERT_TRUE(AwaitRequests(sim, 3));
    server.Stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    server.Start();
    const size_t after = sim.LogLines().size();
    EXPECT_TRUE(AwaitRequests(sim, after + 3));
    monitor.Signal(SIGINT);
    const CtlResult r = monitor.Finish();
    EXPECT_NE(r.out.find("failed"), std::string::npos) << r.out;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("  2.0 A"), std::string::npos) << r.out;
}

// ports shows what COMn leads to when it is a server's, with whether the server takes a client.
TEST(CliRemote, PortsListsRemoteLines) {
    SimProcess sim({});
    Ser2net server(sim.ptyPath());
    ScopedComPort com7(7, server.Rfc2217Url());
    ScopedComPort com8(8, "tcp://127.0.0.1:" + std::to_string(FreeTcpPort()));
    const CtlResult r = RunCtl({"--json", "ports"});
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 10u) << r.out;
    EXPECT_EQ(json::parse(lines[6])["device"], server.Rfc2217Url());
    EXPECT_EQ(json::parse(lines[6])["state"], "free");
    EXPECT_EQ(json::parse(lines[7])["state"], "refused");
    EXPECT_TRUE(json::parse(lines[7])["holders"].is_null());
}

}  // namespace
