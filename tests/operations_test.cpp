// SPDX-License-Identifier: GPL-3.0-or-later
// The sensor operations without a window, against the simulated sensor on a pseudo-terminal: each
// operation's request, range checks at their edges, the purge before a reading, the search's order,
// budgets and stop, CSV fields. Requests are frames worked by hand (01 04 00 00 00 01 | 31 CA).
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "csv_field.h"
#include "registers.h"
#include "search.h"
#include "sensor_line.h"
#include "support/harness.h"

namespace {

TEST(Operations, EachOperationReachesTheSensor) {
    SimOnCom sim({"--address", "1", "--current", "-0.5", "--turns", "515"});  // 0x0203
    LinkState link;
    {
        SensorLine sensor(link, LineSettings{});
        ASSERT_TRUE(sensor.open());
        EXPECT_EQ(link.portLabel, "COM1 (" + sim.ptyPath() + ")");
        EXPECT_EQ(sensor.ReadMeasurement(1).word, 0x8005) << "sign and magnitude: -0.5 A";
        EXPECT_EQ(TurnsValue(sensor.ReadTurns(1).word), 3);
        for (const Result& r : {sensor.SetTurns(1, 10), sensor.Zero(1), sensor.Calibrate(1),
                                sensor.SetBaud(1, 19200)})
            EXPECT_TRUE(r.done());
    }
    std::vector<std::string> requests;  // the request hex of each exchange, without its check
    for (const std::string& line : sim.LogLines())
        requests.push_back(LoggedRequest(line).substr(0, 12));
    EXPECT_EQ(requests, (std::vector<std::string>{"010400000001", "010400020001", "01060002000a",
                                                  "010600080000", "0106000a3c96", "010600064b00"}));
    EXPECT_FALSE(link.port) << "the line closes with the object";
    // The sensor now talks at 19200 only; then it moves to address 12.
    LineSettings fast;
    fast.baud = 19200;
    EXPECT_TRUE(WithLine(link, fast, [](SensorLine& s) { return s.SetAddress(1, 12); }).done());
    EXPECT_EQ(WithLine(link, fast, [](SensorLine& s) { return s.ReadTurns(12); }).word, 10);
}

// Values at and just past the edges of their ranges: refused ones send nothing; the sensor is
// moved so that each accepted edge is answered at once.
TEST(Operations, RangesAreCheckedAtTheirEdges) {
    SimOnCom sim({"--address", "1"});
    LinkState link;
    SensorLine sensor(link, LineSettings{});
    for (int refused : {256, -1, INT_MIN})
        EXPECT_EQ(sensor.SetAddress(1, refused).outcome, Outcome::BadValue) << refused;
    for (int refused : {0, 11, INT_MIN})
        EXPECT_EQ(sensor.SetTurns(1, refused).outcome, Outcome::BadValue) << refused;
    EXPECT_EQ(sensor.SetBaud(1, 9601).outcome, Outcome::BadValue);
    for (int device : {256, -1, 300, INT_MIN}) {  // 300 would reach device 44
        EXPECT_EQ(sensor.Zero(device).outcome, Outcome::BadAddress) << device;
        EXPECT_EQ(sensor.ReadMeasurement(device).outcome, Outcome::BadAddress) << device;
    }
    EXPECT_TRUE(sim.LogLines().empty());
    for (const Result& r :
         {sensor.SetTurns(1, 1), sensor.SetTurns(1, 10), sensor.SetAddress(1, 255),
          sensor.Zero(255), sensor.SetAddress(255, 0), sensor.ReadMeasurement(0)})
        EXPECT_TRUE(r.done());
}

// An absent port beats a bad value: the open is every operation's first step and a line not open
// makes no exchange, so diagnostics show the failed open with its reason, never a request not sent.
// A busy port's failed open names who holds it, as far as the system says.
TEST(Operations, PortFailureComesFirstWithItsReason) {
    IsolateComPorts();
    std::vector<ExchangeRecord> recorded;
    ExchangeWatch watch;
    watch.Set([&](const ExchangeRecord& record) { recorded.push_back(record); });
    LinkState link(&watch);
    const Result result =
        WithLine(link, LineSettings{}, [](SensorLine& s) { return s.SetTurns(1, 0); });
    EXPECT_EQ(result.outcome, Outcome::PortFailed);
    EXPECT_EQ(result.opening.error, OpenError::NoDevice);
    EXPECT_FALSE(link.port);
    SensorLine absent(link, LineSettings{});
    EXPECT_EQ(absent.Zero(1).outcome, Outcome::PortFailed);
    ASSERT_EQ(recorded.size(), 2u);
    for (const ExchangeRecord& record : recorded)
        EXPECT_EQ(std::tuple(record.event, record.openError, record.portLabel),
                  std::tuple(PortEvent::OpenFailed, OpenError::NoDevice,
                             std::string("COM1 (/nonexistent/tessaly-com1)")));
    const SearchResult search = Search(link, SearchPlan{}, nullptr, nullptr);
    EXPECT_EQ(search.end, SearchEnd::PortFailed);
    EXPECT_EQ(search.opening.error, OpenError::NoDevice);
    EXPECT_EQ(search.probes, 0);

    SimOnCom sim({});
    CtlProcess holder({"-a", "0", "monitor", "--period", "50"});
    ASSERT_TRUE(AwaitRequests(sim, 1));
    recorded.clear();
    EXPECT_FALSE(SensorLine(link, LineSettings{}).open());
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_EQ(recorded[0].openError, OpenError::Busy);
    EXPECT_NE(recorded[0].detail.find("tessalyctl "), std::string::npos) << recorded[0].detail;
    holder.Signal(SIGINT);
}

// A reply too late for the previous reading waits in the queue; the next reading must not take it
// for its own. We play the sensor by hand.
TEST(Operations, AReadingIgnoresALateReplyToTheLastOne) {
    PtyPair pty;
    ScopedComPort com(1, pty.path);
    LinkState link;
    SensorLine sensor(link, LineSettings{});
    ASSERT_TRUE(sensor.open());
    const uint8_t late[] = {0x01, 0x04, 0x02, 0x03, 0xE7, 0xF9, 0x8A};  // 99.9 A
    ASSERT_EQ(write(pty.master, late, 7), 7);
    usleep(20000);  // the stale bytes are queued before the request goes out
    std::thread peer([&] {
        uint8_t request[8];
        for (int got = 0; got < 8;)
            got += std::max<ssize_t>(0, read(pty.master, request + got, 8 - got));
        const uint8_t reply[] = {0x01, 0x04, 0x02, 0x00, 0x7B, 0xF9, 0x13};  // 12.3 A
        (void)!write(pty.master, reply, 7);
    });
    const Result reading = sensor.ReadMeasurement(1);
    peer.join();
    EXPECT_EQ(reading.word, 123) << "the late reply was taken for this reading";
}

// Addresses outer, rates inner; a find ends the search unless all are wanted; a stop is seen
// before each probe; a find is confirmed by a read of its own. The fast budgets: request and
// reply, 15 bytes of 10 bits, plus the turnaround (15.625 ms at 9600, 125 at 1200), plus a margin
// of 3 ms and a tenth of the turnaround (8 ms for 50); the first byte, 9 bytes.
TEST(Search, ProbesInOrderWithinTheirBudgets) {
    const struct {
        int first, last;
        bool valid;
    } ranges[] = {{0, 255, true}, {5, 5, true},    {255, 255, true},   {6, 5, false},
                  {-1, 3, false}, {0, 256, false}, {INT_MIN, 5, false}};
    for (const auto& r : ranges)
        EXPECT_EQ(SearchRangeValid(r.first, r.last), r.valid) << r.first << ".." << r.last;
    EXPECT_EQ(FastProbeBudgetMs(9600, 50), 74);
    EXPECT_EQ(FastProbeBudgetMs(1200, 50), 183);
    EXPECT_EQ(FastProbeBudgetMs(19200, 0), 11);
    EXPECT_EQ(FastFirstByteMs(9600, 50), 68);
    EXPECT_EQ(FastFirstByteMs(1200, 50), 133);

    SimOnCom sim({"--address", "3", "--baud", "4800"});
    LinkState link;
    SearchPlan plan;
    plan.first = 2;
    plan.last = 4;
    plan.probeBudgetMs = [](int) { return 100; };
    int reported = 0;
    const SearchResult first = Search(link, plan, nullptr, [&](const Probe&) { ++reported; });
    EXPECT_EQ(first.end, SearchEnd::Found);
    EXPECT_EQ(Probes(sim), (std::vector<std::string>{"2@1200", "2@2400", "2@4800", "2@9600",
                                                     "3@1200", "3@2400", "3@4800", "3@4800"}));
    EXPECT_EQ(reported, 7);
    EXPECT_FALSE(link.port) << "each probe closes its port";
    plan.stopAtFirst = false;
    plan.rates = {4800};
    const SearchResult all = Search(link, plan, nullptr, nullptr);
    EXPECT_EQ(all.end, SearchEnd::Exhausted);
    EXPECT_EQ(all.probes, 3);
    ASSERT_EQ(all.found.size(), 1u);
    EXPECT_EQ(all.found[0].address, 3);
    int polls = 0;
    const SearchResult stopped = Search(
        link, plan, [&] { return ++polls > 2; }, nullptr);
    EXPECT_EQ(stopped.end, SearchEnd::Stopped);
    EXPECT_EQ(stopped.probes, 2);
}

// RFC 4180, section 2: a field holding a comma, a double quote, CR or LF is quoted, a quote inside
// it doubled. A port name may hold any of them, or be no UTF-8.
TEST(CsvField, QuotedAsRfc4180Wants) {
    const struct {
        std::string text, field;
    } rows[] = {
        {"COM1 (/dev/ttyUSB0)", "COM1 (/dev/ttyUSB0)"},
        {"/tmp/a,b", "\"/tmp/a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"/tmp/a\rb", "\"/tmp/a\rb\""},
        {"/tmp/a\nb", "\"/tmp/a\nb\""},
        {"/tmp/\xff\xc3", "/tmp/\uFFFD\uFFFD"},
        {"/tmp/\u00e9\u4e32", "/tmp/\u00e9\u4e32"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CsvField(row.text), row.field) << row.text;
}

}  // namespace

// The reading has a decimal point whatever the process's locale: a German one, made for the test,
// writes 1,5 itself.
TEST(Operations, ReadingIgnoresTheLocale) {
    const std::string dir = testing::TempDir() + "locales";
    if (std::system(("mkdir -p " + dir + " && localedef -i de_DE -f UTF-8 " + dir +
                     "/de_DE.UTF-8 2>/dev/null")
                        .c_str()) != 0 ||
        setenv("LOCPATH", dir.c_str(), 1) != 0 || !std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no German locale could be made here";
    char probe[8];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1,5");
    EXPECT_EQ(MeasurementText(123), "12.3");
    std::setlocale(LC_ALL, "C");
}
