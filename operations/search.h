// SPDX-License-Identifier: GPL-3.0-or-later
// The device search: every address of a range at every chosen rate, one probe each (the port
// opened, one read of the measurement with a short budget, the port closed), until a sensor
// answers or the range is done. The window runs it on its worker thread; tessalyctl in its main.
#pragma once

#include <functional>
#include <vector>

#include "exchange.h"
#include "link_state.h"
#include "registers.h"
#include "sensor_line.h"

// The rates a search tries by default, in this order: every rate of the sensor but the fastest,
// as the window's scan boxes offer them.
inline const std::vector<int> SEARCH_RATES(SENSOR_RATES.begin(), SENSOR_RATES.end() - 1);

struct SearchPlan {
    LineSettings line;                      // the port; its rate is used only where LineSetsRate
                                            // is false
    std::vector<int> rates = SEARCH_RATES;  // tried in this order at each address
    int first = 0;                          // addresses, inclusive
    int last = 255;
    // The wait of one probe at a rate; null: SHORT_WAIT_MS at every rate, as the window waits.
    std::function<int(int baud)> probeBudgetMs;
    // How long a probe waits for the reply's first byte at a rate before giving up; null: the
    // whole budget.
    std::function<int(int baud)> firstByteMs;
    bool stopAtFirst = true;  // false: go on and list every sensor of the line
};

// Whether the line ends in a serial device server (rfc2217:// or tcp://, given or behind COMn).
bool LineIsRemote(const LineSettings& line);

// Whether the client sets the line's rate: false through a raw TCP port, whose rate is the
// server's; a search there tries the line's own rate only.
bool LineSetsRate(const LineSettings& line);

// A valid range: both ends within 0..255 and the first not above the last.
bool SearchRangeValid(int first, int last);

// The shortest wait in which a reply could come at this rate: the request's and the reply's
// bytes on the wire (10 bits a byte) plus the sensor's turnaround, rounded up to a millisecond,
// and a margin of 3 ms and a tenth of the turnaround.
int FastProbeBudgetMs(int baud, int turnaroundMs);

// The latest a reply's first byte can come at this rate: the request's bytes and one byte of the
// reply on the wire, plus the turnaround, rounded up to a millisecond, and the same margin. A
// sensor that has not begun answering by then will not have answered within FastProbeBudgetMs
// either.
int FastFirstByteMs(int baud, int turnaroundMs);

// A fast search: each probe waits only as long as a reply could take at its rate, and gives up as
// soon as the reply's first byte is overdue.
void UseFastProbes(SearchPlan& plan, int turnaroundMs);

// A find is a reply from the probed address with the probed function, nothing else, confirmed by
// a read at that address and rate with a command's full wait: a sensor slower than the probe's
// budget answers during the next probe, and taking that reply would name an address where nobody
// is, or the same address at the wrong rate. Such a late answer is reported as late.
struct Probe {
    int address = 0;
    int baud = 0;
    ExchangeRecord exchange;
    bool found() const { return exchange.cause == ExchangeCause::Accepted; }
    // Some sensor answered an earlier probe after that probe had given up.
    bool late() const { return exchange.cause == ExchangeCause::LateAnswer; }
};

enum class SearchEnd {
    Stopped,     // the stop flag was seen before a probe
    Found,       // stopAtFirst and a sensor answered: the last probe
    Exhausted,   // the whole range was tried (with stopAtFirst: nothing answered)
    PortFailed,  // the port could not be opened for a probe: see `opening`
};

struct SearchResult {
    SearchEnd end = SearchEnd::Exhausted;
    std::vector<Probe> found;  // every probe that answered, in order
    PortOpening opening;       // PortFailed: why
    int probes = 0;            // probes made
};

// Runs the plan. `stopRequested` is polled before each probe (from this thread; it may read a
// flag another thread sets). `progress` gets every probe after its port is closed again.
SearchResult Search(LinkState& link, const SearchPlan& plan,
                    const std::function<bool()>& stopRequested,
                    const std::function<void(const Probe&)>& progress);
