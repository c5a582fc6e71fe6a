// SPDX-License-Identifier: GPL-3.0-or-later
// Transact against the simulated sensor on a pseudo-terminal, healthy and with each line fault.
#include <gtest/gtest.h>

#include <chrono>

#include "exchange.h"
#include "link_state.h"
#include "registers.h"
#include "support/sim_process.h"

namespace {

using Clock = std::chrono::steady_clock;

class TransactTest : public ::testing::Test {
protected:
    // Starts a sensor at address 1, 9600 baud, reading 12.3 A, with extra options, and opens it.
    void Start(std::vector<std::string> options) {
        options.insert(options.end(), {"--address", "1", "--current", "12.3"});
        sim_ = std::make_unique<SimProcess>(options);
        com_ = std::make_unique<ScopedComPort>(1, sim_->ptyPath());
        link_.port = OpenComPort(1, 9600);
        link_.baud = 9600;
        ASSERT_TRUE(link_.port);
        link_.lastReadWord = 777;
    }
    void TearDown() override {
        ClosePort(link_.port);
        com_.reset();
        sim_.reset();
    }

    LinkState link_;
    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<ScopedComPort> com_;
};

TEST_F(TransactTest, SevenByteWriteReplyIsAcceptedAndLeavesTheWord) {
    Start({});
    EXPECT_TRUE(TransactRowOn(link_, WRITE_TURNS, 1, 10).accepted());
    EXPECT_EQ(link_.lastReadWord, 777);
    EXPECT_TRUE(TransactRowOn(link_, READ_TURNS, 1, READ_TURNS.value).accepted());
    EXPECT_EQ(link_.lastReadWord, 10);
}

TEST_F(TransactTest, AReplyFromAnotherAddressIsStillAccepted) {
    Start({"--other-address"});
    const ExchangeRecord record =
        TransactOn(link_, 1, FUNCTION_READ, 0, 1, REPLY_LENGTH, SHORT_WAIT_MS);
    EXPECT_EQ(record.cause, ExchangeCause::OtherSender);
    EXPECT_TRUE(record.accepted());
    EXPECT_EQ(record.reply[0], 2);
    EXPECT_EQ(link_.lastReadWord, 123);
}

// Through an adapter that echoes, at the wire's timing: the echo is set apart, the reply accepted.
TEST_F(TransactTest, AnEchoingAdapterIsHeardThrough) {
    Start({"--echo", "--wire-timing"});
    const ExchangeRecord record =
        TransactOn(link_, 1, FUNCTION_READ, 0, 1, REPLY_LENGTH, SHORT_WAIT_MS);
    EXPECT_EQ(record.cause, ExchangeCause::Accepted) << DescribeCause(record);
    EXPECT_TRUE(std::equal(record.echo.begin(), record.echo.end(), record.request.begin()));
    EXPECT_EQ(record.echo.size(), 8u);
    EXPECT_EQ(link_.lastReadWord, 123);
}

// Every fault of the sensor gives its own cause within the budget; the word is left alone. A
// device that answers a write with the request itself looks like an echoing adapter.
TEST_F(TransactTest, EachReplyFaultHasItsCause) {
    const struct {
        const char* fault;
        RegisterRow row;
        ExchangeCause cause;
        size_t bytes;  // what was queued
    } cases[] = {
        {"--bad-crc", READ_MEASUREMENT, ExchangeCause::BadCheck, 7},
        {"--extra-byte", READ_MEASUREMENT, ExchangeCause::TooLong, 8},
        {"--exception", READ_MEASUREMENT, ExchangeCause::Short, 5},
        {"--echo-writes", ZERO, ExchangeCause::EchoNoReply, 0},
        {"--silent", READ_MEASUREMENT, ExchangeCause::NoReply, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        Start({c.fault});
        const auto start = Clock::now();
        const ExchangeRecord record = TransactOn(link_, 1, c.row.function, c.row.reg, c.row.value,
                                                 REPLY_LENGTH, SHORT_WAIT_MS);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        EXPECT_LT(ms, SHORT_WAIT_MS + 50);
        EXPECT_EQ(record.cause, c.cause) << DescribeCause(record);
        EXPECT_FALSE(record.accepted());
        EXPECT_EQ(static_cast<size_t>(record.queued), c.bytes);
        EXPECT_EQ(link_.lastReadWord, 777);
        TearDown();
    }
}

TEST_F(TransactTest, SilenceCostsTheBudget) {
    Start({"--silent"});
    for (int budget : {SHORT_WAIT_MS, LONG_WAIT_MS}) {
        const auto start = Clock::now();
        EXPECT_FALSE(TransactOn(link_, 1, FUNCTION_READ, 0, 1, REPLY_LENGTH, budget).accepted());
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        EXPECT_GE(ms, budget);
        EXPECT_LT(ms, budget + 30) << "no read time-out on top of a short wait, budget " << budget;
    }
    EXPECT_EQ(link_.lastReadWord, 777);
}

// A reply whose first byte is overdue ends the wait early; one that has begun gets the budget.
TEST_F(TransactTest, AnOverdueFirstByteEndsTheWait) {
    Start({"--silent"});
    auto start = Clock::now();
    EXPECT_FALSE(TransactOn(link_, 1, FUNCTION_READ, 0, 1, REPLY_LENGTH, 500, 60).accepted());
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    EXPECT_GE(ms, 60);
    EXPECT_LT(ms, 400);
    TearDown();
    Start({"--wire-timing", "--baud", "1200", "--turnaround-ms", "20"});
    ClosePort(link_.port);
    link_.port = OpenComPort(1, 1200);
    // At 1200 baud the reply's first byte comes 95 ms after the request is written, its last
    // 145 ms after: within 100 ms and 200 ms.
    EXPECT_TRUE(TransactOn(link_, 1, FUNCTION_READ, 0, 1, REPLY_LENGTH, 200, 100).accepted());
}

TEST_F(TransactTest, ObserverSeesEachExchange) {
    Start({"--bad-crc"});
    std::vector<ExchangeRecord> seen;
    ExchangeWatch watch;
    watch.Set([&](const ExchangeRecord& r) { seen.push_back(r); });
    link_.watch = &watch;
    TransactOn(link_, 1, FUNCTION_READ, 0, 1, REPLY_LENGTH, SHORT_WAIT_MS);
    TransactOn(link_, 9, FUNCTION_READ, 0, 1, REPLY_LENGTH, 50);
    link_.watch = nullptr;
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].cause, ExchangeCause::BadCheck);
    EXPECT_EQ(seen[0].reply.size(), 7u);
    EXPECT_EQ(seen[1].cause, ExchangeCause::NoReply);
    EXPECT_EQ(seen[1].request[0], 9);
}

}  // namespace
