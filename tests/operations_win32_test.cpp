// SPDX-License-Identifier: GPL-3.0-or-later
// The sensor operations on Windows against a simulated sensor at address 3, 4800 baud, reading
// -4.5 A (a Linux program that Wine maps to a COM port): read, set the address and back, search.
#include <gtest/gtest.h>

#include "registers.h"
#include "search.h"
#include "sensor_line.h"
#include "support/wine_sims.h"

namespace {

constexpr int kAddress = 3;
constexpr int kBaud = 4800;

LineSettings Line(const WineSim& sim, int baud = kBaud) {
    LineSettings line;
    line.portNumber = sim.portNumber;
    line.baud = baud;
    return line;
}

TEST(SensorLine, ReadsTheMeasurement) {
    REQUIRE_SIM(sim, "OPS");
    LinkState link;
    SensorLine sensor(link, Line(sim));
    ASSERT_TRUE(sensor.open()) << DescribeOpenError(sensor.opening());
    const Result read = sensor.ReadMeasurement(kAddress);
    ASSERT_EQ(read.outcome, Outcome::Done) << DescribeCause(read.exchange);
    EXPECT_EQ(MeasurementText(read.word), "-4.5");
    EXPECT_EQ(read.exchange.portLabel.rfind(sim.comName(), 0), 0u) << read.exchange.portLabel;
}

TEST(SensorLine, SetsTheAddressAndBack) {
    REQUIRE_SIM(sim, "OPS");
    LinkState link;
    SensorLine sensor(link, Line(sim));
    ASSERT_TRUE(sensor.open());
    ASSERT_TRUE(sensor.SetAddress(kAddress, 9).done());
    EXPECT_TRUE(sensor.ReadMeasurement(9).done()) << "the sensor answers at its new address";
    EXPECT_EQ(sensor.ReadTurns(kAddress).outcome, Outcome::Failed) << "and no longer at the old";
    ASSERT_TRUE(sensor.SetAddress(9, kAddress).done());
    EXPECT_TRUE(sensor.ReadMeasurement(kAddress).done());
    EXPECT_EQ(sensor.SetAddress(kAddress, 256).outcome, Outcome::BadValue);
}

TEST(SensorLine, AnAbsentPortSaysSo) {
    LinkState link;
    LineSettings line;
    line.portNumber = 77;
    const Result result = WithLine(link, line, [](SensorLine& s) { return s.Zero(kAddress); });
    EXPECT_EQ(result.outcome, Outcome::PortFailed);
    EXPECT_EQ(result.opening.error, OpenError::NoDevice);
    EXPECT_FALSE(link.port) << "nothing is left open";
}

TEST(Search, FindsTheSensorAtItsAddressAndRate) {
    REQUIRE_SIM(sim, "OPS");
    SearchPlan plan;
    plan.line = Line(sim);
    plan.rates = {9600, kBaud};
    plan.first = 2;
    plan.last = 4;
    plan.probeBudgetMs = [](int) { return 150; };
    std::vector<Probe> seen;
    LinkState link;
    const SearchResult result = Search(
        link, plan, [] { return false; }, [&](const Probe& p) { seen.push_back(p); });
    EXPECT_EQ(result.end, SearchEnd::Found);
    ASSERT_EQ(result.found.size(), 1u);
    EXPECT_EQ(result.found[0].address, kAddress);
    EXPECT_EQ(result.found[0].baud, kBaud);
    EXPECT_EQ(result.probes, 4) << "2 at both rates, then 3 at 9600 and 4800";
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_FALSE(link.port) << "each probe closes the port again";
}

}  // namespace
