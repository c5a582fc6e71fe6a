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

}  // namespace

int FastProbeBudgetMs(int baud, int turnaroundMs) {
    return WireMs(REQUEST_LENGTH + REPLY_LENGTH, baud) + turnaroundMs;
}

int FastFirstByteMs(int baud, int turnaroundMs) {
    return WireMs(REQUEST_LENGTH + 1, baud) + turnaroundMs;
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
            const Probe probe{address, baud,
                              TransactOn(link, address, SEARCH_PROBE.function, SEARCH_PROBE.reg,
                                         SEARCH_PROBE.value, REPLY_LENGTH, budget, firstByte,
                                         ReplyFrom::RequestedOnly)};
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
