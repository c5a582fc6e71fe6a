#include "search.h"

#include "registers.h"

bool SearchRangeValid(int first, int last) {
    return AddressInRange(first) && AddressInRange(last) && first <= last;
}

int FastProbeBudgetMs(int baud, int turnaroundMs) {
    constexpr int kBitsPerByte = 10;  // start, 8 data, stop
    const long bits = kBitsPerByte * (REQUEST_LENGTH + REPLY_LENGTH);
    return static_cast<int>((bits * 1000 + baud - 1) / baud) + turnaroundMs;
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
            const Probe probe{address, baud,
                              TransactOn(link, address, SEARCH_PROBE.function, SEARCH_PROBE.reg,
                                         SEARCH_PROBE.value, REPLY_LENGTH, budget)};
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
