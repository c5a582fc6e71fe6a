// SPDX-License-Identifier: GPL-3.0-or-later
#include "search.h"

#include "registers.h"

bool SearchRangeValid(int first, int last) {
    return AddressInRange(first) && AddressInRange(last) && first <= last;
}

namespace {

// Milliseconds that `bytes` take on the wire at `baud`, rounded up.
int WireMs(int bytes, int baud) {
    constexpr long kBitsPerByte = 10;  // start, 8 data, stop
    return static_cast<int>((kBitsPerByte * bytes * 1000 + baud - 1) / baud);
}

// A sensor answers a little after its stated turnaround at times (the scheduler on either side, an
// adapter's buffering): a fast probe waits this much longer, so that a sensor at exactly the
// allowance is always found.
int FastMarginMs(int turnaroundMs) {
    return 3 + turnaroundMs / 10;
}

// A probe's reply could also be an earlier probe's late answer (the same address at the rate
// before) that arrived during this one. One read at the same address and rate with a command's
// full wait tells them apart: only a sensor at this rate answers it.
bool Confirmed(LinkState& link, const SearchPlan& plan, int address) {
    PurgePort(link.port);
    const int budget = plan.line.budgetMs > 0 ? plan.line.budgetMs : READ_MEASUREMENT.budgetMs;
    return TransactOn(link, address, READ_MEASUREMENT.function, READ_MEASUREMENT.reg,
                      READ_MEASUREMENT.value, REPLY_LENGTH, budget, 0, ReplyFrom::RequestedOnly)
               .cause == ExchangeCause::Accepted;
}

}  // namespace

int FastProbeBudgetMs(int baud, int turnaroundMs) {
    return WireMs(REQUEST_LENGTH + REPLY_LENGTH, baud) + turnaroundMs + FastMarginMs(turnaroundMs);
}

int FastFirstByteMs(int baud, int turnaroundMs) {
    return WireMs(REQUEST_LENGTH + 1, baud) + turnaroundMs + FastMarginMs(turnaroundMs);
}

void UseFastProbes(SearchPlan& plan, int turnaroundMs) {
    plan.probeBudgetMs = [turnaroundMs](int baud) { return FastProbeBudgetMs(baud, turnaroundMs); };
    plan.firstByteMs = [turnaroundMs](int baud) { return FastFirstByteMs(baud, turnaroundMs); };
}

SearchResult Search(LinkState& link, const SearchPlan& plan,
                    const std::function<bool()>& stopRequested,
                    const std::function<void(const Probe&)>& progress) {
    SearchResult result;
    for (int address = plan.first; address <= plan.last; ++address) {
        for (int baud : plan.rates) {
            if (stopRequested && stopRequested()) {
                result.end = SearchEnd::Stopped;
                return result;
            }
            // A port of its own per probe: the rate changes from probe to probe, and the port is
            // free for everyone else between them.
            LineSettings line = plan.line;
            line.baud = baud;
            SensorLine sensor(link, line);
            if (!sensor.open()) {
                result.end = SearchEnd::PortFailed;
                result.opening = sensor.opening();
                return result;
            }
            const int budget = plan.probeBudgetMs ? plan.probeBudgetMs(baud) : SHORT_WAIT_MS;
            const int firstByte = plan.firstByteMs ? plan.firstByteMs(baud) : 0;
            Probe probe{address, baud,
                        TransactOn(link, address, SEARCH_PROBE.function, SEARCH_PROBE.reg,
                                   SEARCH_PROBE.value, REPLY_LENGTH, budget, firstByte,
                                   ReplyFrom::RequestedOnly)};
            if (probe.found() && !Confirmed(link, plan, address))
                probe.exchange.cause = ExchangeCause::LateAnswer;
            sensor.Close();
            ++result.probes;
            if (probe.found())
                result.found.push_back(probe);
            if (progress)
                progress(probe);
            if (probe.found() && plan.stopAtFirst) {
                result.end = SearchEnd::Found;
                return result;
            }
        }
    }
    result.end = SearchEnd::Exhausted;
    return result;
}
