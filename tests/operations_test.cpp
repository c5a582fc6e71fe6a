// SPDX-License-Identifier: GPL-3.0-or-later
// The sensor operations without a window, against the simulated sensor on a pseudo-terminal:
// every operation's result, the range checks at their edges, the purge before a reading, and the
// search's order, budgets, stop and failures. Requests are checked against the protocol's frames
// worked out by hand (01 04 00 00 00 01 | 31 CA reads the measurement of device 1).
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <thread>

#include "csv_field.h"
#include "registers.h"
#include "search.h"
#include "sensor_line.h"
#include "support/sim_process.h"

namespace {

class Operations : public ::testing::Test {
protected:
    void Start(std::vector<std::string> options) {
        sim_ = std::make_unique<SimProcess>(options);
        com_ = std::make_unique<ScopedComPort>(1, sim_->ptyPath());
    }
    // The request hex of the last exchange the simulator saw, without its check.
    std::string LastRequest() const {
        const auto lines = sim_->LogLines();
        return lines.empty() ? "" : LoggedRequest(lines.back()).substr(0, 12);
    }
    size_t Requests() const { return sim_->LogLines().size(); }

    LinkState link_;
    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<ScopedComPort> com_;
};

LineSettings Com1(int baud = 9600) {
    LineSettings line;
    line.baud = baud;
    return line;
}

TEST_F(Operations, EachOperationReachesTheSensor) {
    Start({"--address", "1", "--current", "-0.5", "--turns", "515"});  // 0x0203
    {
        SensorLine sensor(link_, Com1());
        ASSERT_TRUE(sensor.open());
        EXPECT_EQ(link_.portLabel, "COM1 (" + sim_->ptyPath() + ")");
        const Result reading = sensor.ReadMeasurement(1);
        ASSERT_TRUE(reading.done());
        EXPECT_EQ(reading.word, 0x8005) << "sign and magnitude: -0.5 A";
        EXPECT_EQ(LastRequest(), "010400000001");
        EXPECT_EQ(TurnsValue(sensor.ReadTurns(1).word), 3);
        const struct {
            Result result;
            const char* request;
        } writes[] = {
            {sensor.SetTurns(1, 10), "01060002000a"},
            {sensor.Zero(1), "010600080000"},
            {sensor.Calibrate(1), "0106000a3c96"},
            {sensor.SetBaud(1, 19200), "010600064b00"},
        };
        for (const auto& w : writes) {
            EXPECT_TRUE(w.result.done()) << w.request;
            EXPECT_EQ(LoggedRequest(sim_->LogLines()[&w - writes + 2]).substr(0, 12), w.request);
        }
    }
    EXPECT_FALSE(link_.port) << "the line closes with the object";
    // The sensor now talks at 19200 only; then it moves to address 12.
    const auto setAddress = [](SensorLine& s) { return s.SetAddress(1, 12); };
    EXPECT_TRUE(WithLine(link_, Com1(19200), setAddress).done());
    const auto read12 = [](SensorLine& s) { return s.ReadTurns(12); };
    EXPECT_EQ(WithLine(link_, Com1(19200), read12).word, 10);
}

// Values at and just past the edges of their ranges: refused ones send nothing. The sensor is moved
// so that each accepted edge is answered at once.
TEST_F(Operations, RangesAreCheckedAtTheirEdges) {
    Start({"--address", "1"});
    SensorLine sensor(link_, Com1());
    const size_t before = Requests();
    for (int refused : {256, -1, INT_MIN})
        EXPECT_EQ(sensor.SetAddress(1, refused).outcome, Outcome::BadValue) << refused;
    for (int refused : {0, 11, INT_MIN})
        EXPECT_EQ(sensor.SetTurns(1, refused).outcome, Outcome::BadValue) << refused;
    EXPECT_EQ(sensor.SetBaud(1, 9601).outcome, Outcome::BadValue);
    for (int device : {256, -1, 300, INT_MIN}) {
        SCOPED_TRACE(device);
        EXPECT_EQ(sensor.Zero(device).outcome, Outcome::BadAddress) << "300 would reach 44";
        EXPECT_EQ(sensor.ReadMeasurement(device).outcome, Outcome::BadAddress);
        EXPECT_EQ(sensor.SetTurns(device, 5).outcome, Outcome::BadAddress);
    }
    EXPECT_EQ(Requests(), before);
    const struct {
        const char* step;
        Result result;
    } accepted[] = {
        {"turns 1", sensor.SetTurns(1, 1)},     {"turns 10", sensor.SetTurns(1, 10)},
        {"to 255", sensor.SetAddress(1, 255)},  {"at 255", sensor.Zero(255)},
        {"to 0", sensor.SetAddress(255, 0)},    {"at 0", sensor.ReadMeasurement(0)},
        {"back to 1", sensor.SetAddress(0, 1)},
    };
    for (const auto& a : accepted)
        EXPECT_TRUE(a.result.done()) << a.step;
}

// An absent port beats a bad value: the open is the first step of every operation. A line that is
// not open makes no exchange, so diagnostics never show a request that was not sent.
TEST_F(Operations, PortFailureComesFirstWithItsReason) {
    IsolateComPorts();
    const Result result = WithLine(link_, Com1(), [](SensorLine& s) { return s.SetTurns(1, 0); });
    EXPECT_EQ(result.outcome, Outcome::PortFailed);
    EXPECT_EQ(result.opening.error, OpenError::NoDevice);
    EXPECT_FALSE(link_.port);
    int recorded = 0;
    ExchangeWatch watch;
    watch.Set([&](const ExchangeRecord&) { ++recorded; });
    link_.watch = &watch;
    SensorLine absent(link_, Com1());
    EXPECT_EQ(absent.Zero(1).outcome, Outcome::PortFailed);
    EXPECT_EQ(absent.ReadMeasurement(1).opening.error, OpenError::NoDevice);
    link_.watch = nullptr;
    EXPECT_EQ(recorded, 0);
}

// A reply that came too late for the previous reading waits in the queue; the next reading must
// not take it for its own. We play the sensor by hand on a bare pseudo-terminal.
TEST_F(Operations, AReadingIgnoresALateReplyToTheLastOne) {
    int master = -1, slave = -1;
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    ScopedComPort com(2, name);
    LineSettings line;
    line.portNumber = 2;
    SensorLine sensor(link_, line);
    ASSERT_TRUE(sensor.open());
    const uint8_t stale[] = {0x01, 0x04, 0x02, 0x03, 0xE7, 0x00, 0x00};  // 99.9 A
    uint8_t late[7];
    std::copy(std::begin(stale), std::end(stale), late);
    const uint16_t check = Crc16(late, 5);
    late[5] = check >> 8;
    late[6] = check & 0xFF;
    ASSERT_EQ(write(master, late, 7), 7);
    usleep(20000);  // the stale bytes are in the queue before the request goes out
    std::thread peer([&] {
        uint8_t request[8];
        for (int got = 0; got < 8;)
            got += std::max<ssize_t>(0, read(master, request + got, 8 - got));
        const uint8_t reply[] = {0x01, 0x04, 0x02, 0x00, 0x7B, 0xF9, 0x13};  // 12.3 A
        (void)!write(master, reply, 7);
    });
    const Result reading = sensor.ReadMeasurement(1);
    peer.join();
    EXPECT_TRUE(reading.done());
    EXPECT_EQ(reading.word, 123) << "the late reply was taken for this reading";
    sensor.Close();
    close(slave);
    close(master);
}

// "address@baud" of each probe the simulator saw.
std::vector<std::string> Probes(const SimProcess& sim) {
    std::vector<std::string> probes;
    for (const std::string& line : sim.LogLines())
        probes.push_back(std::to_string(std::stoi(LoggedRequest(line).substr(0, 2), nullptr, 16)) +
                         "@" + std::to_string(LoggedBaud(line)));
    return probes;
}

// RFC 4180, section 2: a field holding a comma, a double quote, CR or LF is enclosed in double
// quotes, and a quote inside it is doubled. A port name may hold any of them.
TEST(CsvField, QuotedAsRfc4180Wants) {
    const struct {
        std::string text, field;
    } rows[] = {
        {"COM1 (/dev/ttyUSB0)", "COM1 (/dev/ttyUSB0)"},
        {"/tmp/a,b", "\"/tmp/a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"/tmp/a\rb", "\"/tmp/a\rb\""},
        {"/tmp/a\nb", "\"/tmp/a\nb\""},
        {"/tmp/\xff\xc3", "/tmp/\uFFFD\uFFFD"},  // not UTF-8
        {"/tmp/\u00e9\u4e32", "/tmp/\u00e9\u4e32"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CsvField(row.text), row.field) << row.text;
}

TEST(SearchRange, EdgesOfTheRange) {
    const struct {
        int first, last;
        bool valid;
    } cases[] = {{0, 255, true}, {5, 5, true},    {255, 255, true},   {6, 5, false},
                 {-1, 3, false}, {0, 256, false}, {INT_MIN, 5, false}};
    for (const auto& c : cases)
        EXPECT_EQ(SearchRangeValid(c.first, c.last), c.valid) << c.first << ".." << c.last;
    // Request and reply, 15 bytes of 10 bits, plus the turnaround: 15.625 ms at 9600, 125 at 1200.
    EXPECT_EQ(FastProbeBudgetMs(9600, 50), 66);
    EXPECT_EQ(FastProbeBudgetMs(1200, 50), 175);
    EXPECT_EQ(FastProbeBudgetMs(19200, 0), 8);
    // The request and one byte: 9 bytes, 9.375 ms at 9600, 75 ms at 1200.
    EXPECT_EQ(FastFirstByteMs(9600, 50), 60);
    EXPECT_EQ(FastFirstByteMs(1200, 50), 125);
}

TEST_F(Operations, SearchProbesAddressesOuterRatesInner) {
    Start({"--address", "3", "--baud", "4800"});
    SearchPlan plan;
    plan.first = 2;
    plan.last = 4;
    plan.probeBudgetMs = [](int) { return 100; };
    int reported = 0;
    const SearchResult first = Search(link_, plan, nullptr, [&](const Probe&) { ++reported; });
    EXPECT_EQ(first.end, SearchEnd::Found);
    EXPECT_EQ(Probes(*sim_), (std::vector<std::string>{"2@1200", "2@2400", "2@4800", "2@9600",
                                                       "3@1200", "3@2400", "3@4800"}));
    EXPECT_EQ(reported, 7);
    ASSERT_EQ(first.found.size(), 1u);
    EXPECT_FALSE(link_.port) << "each probe closes its port";

    plan.stopAtFirst = false;
    plan.rates = {4800};
    const SearchResult all = Search(link_, plan, nullptr, nullptr);
    EXPECT_EQ(all.end, SearchEnd::Exhausted);
    EXPECT_EQ(all.probes, 3);
    ASSERT_EQ(all.found.size(), 1u);
    EXPECT_EQ(all.found[0].address, 3);

    int polls = 0;
    const SearchResult stopped = Search(
        link_, plan, [&] { return ++polls > 2; }, nullptr);
    EXPECT_EQ(stopped.end, SearchEnd::Stopped);
    EXPECT_EQ(stopped.probes, 2);
}

TEST_F(Operations, SearchSaysWhenThePortFails) {
    IsolateComPorts();
    const SearchResult result = Search(link_, SearchPlan{}, nullptr, nullptr);
    EXPECT_EQ(result.end, SearchEnd::PortFailed);
    EXPECT_EQ(result.opening.error, OpenError::NoDevice);
    EXPECT_EQ(result.probes, 0);
}

// The observer may be set and cleared while another thread exchanges; once cleared it is not
// called again.
TEST_F(Operations, ObserverFollowsExchangesOfEveryThread) {
    Start({"--address", "1"});
    std::atomic<int> seen{0};
    std::atomic<bool> done{false};
    ExchangeWatch watch;
    std::thread worker([&] {
        LinkState own(&watch);
        SensorLine sensor(own, Com1());
        for (int i = 0; i < 40; ++i)
            sensor.ReadMeasurement(1);
        done = true;
    });
    while (!done) {
        watch.Set([&](const ExchangeRecord& record) {
            if (record.accepted())
                ++seen;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        watch.Set(nullptr);
        const int after = seen;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_EQ(seen, after) << "a cleared observer was called";
    }
    worker.join();
    EXPECT_GT(seen, 0);
}

}  // namespace
