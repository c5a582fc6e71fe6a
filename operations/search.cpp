// SPDX-License-Identifier: GPL-3.0-or-later
#include "search.h"

#include <optional>

#include "port_url.h"
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

// Makes `held` a line at the rate for the next probe. A local port is opened for each probe: the
// rate changes from probe to probe, and the port is free for everyone else between them. A remote
// line stays connected and has its rate changed in place: connecting anew would cost more than
// the probe. False when the line cannot be had, with why in `failure`.
bool LineFor(LinkState& link, const LineSettings& line, int baud, std::optional<SensorLine>& held,
             PortOpening& failure) {
    if (held && LineIsRemote(line)) {
        if (held->Recover() == LineHealth::Down) {
            failure = held->opening();
            return false;
        }
        if (link.baud == baud) {
            PurgePort(link.port);  // as an open would
        } else if (!SetRemoteRate(link.port, baud)) {
            failure.error = LineHungUp(link.port) ? OpenError::Busy : OpenError::RateRefused;
            failure.path = held->opening().path;
            return false;
        }
        link.baud = baud;
        return true;
    }
    LineSettings at = line;
    at.baud = baud;
    held.emplace(link, at);
    failure = held->opening();
    return held->open();
}

}  // namespace

bool LineIsRemote(const LineSettings& line) {
    return KindOfPort(line.path.empty() ? ComPortPath(line.portNumber) : line.path) !=
           PortKind::Local;
}

bool LineSetsRate(const LineSettings& line) {
    return KindOfPort(line.path.empty() ? ComPortPath(line.portNumber) : line.path) !=
           PortKind::RawTcp;
}

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
    // Through a raw TCP port the rate is the server's: only that one can be searched.
    const std::vector<int> rates =
        LineSetsRate(plan.line) ? plan.rates : std::vector<int>{plan.line.baud};
    const bool remote = LineIsRemote(plan.line);
    std::optional<SensorLine> held;
    for (int address = plan.first; address <= plan.last; ++address) {
        for (int baud : rates) {
            if (stopRequested && stopRequested()) {
                result.end = SearchEnd::Stopped;
                return result;
            }
            if (!LineFor(link, plan.line, baud, held, result.opening)) {
                result.end = SearchEnd::PortFailed;
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
            if (!remote)
                held.reset();
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
