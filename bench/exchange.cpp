// SPDX-License-Identifier: GPL-3.0-or-later
// One read of register 0 through Transact against libmodbus's modbus_read_input_registers on the
// same simulated line with wire timing, alternating, at 9600 and 19200 baud; then the same read
// through an adapter that echoes the request, against the plain line's figures.
#include <modbus.h>

#include <cstdio>
#include <map>
#include <string>

#include "bench_util.h"
#include "exchange.h"
#include "link_state.h"
#include "registers.h"
#include "support/harness.h"

namespace {

constexpr int kReads = 200;
constexpr int kTurnaroundMs = 1;

double WireMs(int bytes, int baud) {
    return bytes * 10 * 1000.0 / baud;
}

// The median exchange through an echoing adapter: the request comes back as it goes out, then the
// reply follows as on a plain line.
double EchoingLineMs(int baud, int& failures) {
    SimProcess sim({"--address", "1", "--baud", std::to_string(baud), "--current", "12.3",
                    "--wire-timing", "--turnaround-ms", std::to_string(kTurnaroundMs), "--echo"});
    LinkState link;
    link.baud = baud;
    std::vector<double> times;
    for (int i = 0; i < kReads; ++i) {
        link.port = OpenPortPath(sim.ptyPath(), baud).handle;
        const auto start = BenchClock::now();
        failures += !TransactOn(link, 1, READ_MEASUREMENT.function, READ_MEASUREMENT.reg,
                                READ_MEASUREMENT.value, REPLY_LENGTH, READ_MEASUREMENT.budgetMs)
                         .accepted();
        times.push_back(MsBetween(start, BenchClock::now()));
        ClosePort(link.port);
    }
    return Median(times);
}

}  // namespace

int main() {
    std::printf("exchange: %d reads of register 0 per rate, ours and libmodbus alternating\n",
                kReads);
    std::printf("%6s %10s %12s %16s %8s %s\n", "baud", "wire ms", "ours ms", "libmodbus ms",
                "ratio", "ours - (wire + turnaround)");
    std::map<int, double> plainMs;
    for (int baud : {9600, 19200}) {
        SimProcess sim({"--address", "1", "--baud", std::to_string(baud), "--current", "12.3",
                        "--wire-timing", "--turnaround-ms", std::to_string(kTurnaroundMs)});
        ScopedComPort com(1, sim.ptyPath());
        std::vector<double> ours, theirs;
        int ourFailures = 0, theirFailures = 0;
        LinkState link;
        for (int i = 0; i < kReads; ++i) {
            link.port = OpenComPort(1, baud);
            auto start = BenchClock::now();
            ourFailures += !TransactRowOn(link, READ_MEASUREMENT, 1, 1).accepted();
            ours.push_back(MsBetween(start, BenchClock::now()));
            ClosePort(link.port);

            modbus_t* peer = modbus_new_rtu(sim.ptyPath().c_str(), baud, 'N', 8, 1);
            modbus_set_slave(peer, 1);
            uint16_t word = 0;
            if (modbus_connect(peer) == 0) {
                start = BenchClock::now();
                theirFailures += modbus_read_input_registers(peer, 0, 1, &word) != 1;
                theirs.push_back(MsBetween(start, BenchClock::now()));
                modbus_close(peer);
            } else {
                ++theirFailures;
            }
            modbus_free(peer);
        }
        const double wire = 15 * 10 * 1000.0 / baud;
        const double ourMedian = Median(ours), theirMedian = Median(theirs);
        plainMs[baud] = ourMedian;
        std::printf("%6d %10.3f %12.3f %16.3f %8.3f %+.3f ms%s\n", baud, wire, ourMedian,
                    theirMedian, theirMedian > 0 ? ourMedian / theirMedian : 0.0,
                    ourMedian - wire - kTurnaroundMs,
                    ourFailures || theirFailures ? "  (failures!)" : "");
        if (ourFailures || theirFailures)
            std::printf("       failures: ours %d, libmodbus %d\n", ourFailures, theirFailures);
    }
    std::printf("goals: ratio <= 1.02; ours within 0.5 ms of wire + turnaround (%d ms)\n",
                kTurnaroundMs);

    // The echo overlaps the request on the wire, as a transceiver hears each byte it sends; the
    // goal still grants it its own time, so the floor counts request, echo and reply.
    std::printf("\nechoing adapter (tessaly-sim --echo): %d reads per rate\n", kReads);
    std::printf("%6s %10s %12s %12s %16s %s\n", "baud", "floor ms", "plain ms", "echoing ms",
                "echoing - floor", "echoing - plain");
    for (int baud : {9600, 19200}) {
        int failures = 0;
        const double echoing = EchoingLineMs(baud, failures);
        const double floor = WireMs(2 * REQUEST_LENGTH + REPLY_LENGTH, baud) + kTurnaroundMs;
        std::printf("%6d %10.3f %12.3f %12.3f %+13.3f ms %+12.3f ms%s\n", baud, floor,
                    plainMs[baud], echoing, echoing - floor, echoing - plainMs[baud],
                    failures ? "  (failures!)" : "");
    }
    std::printf(
        "goal: echoing <= floor (request + echo + reply on the wire + turnaround) + 0.5 ms\n");
    return 0;
}
