// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 backend's figures under Wine. One read of register 0 through the exchange against a
// minimal Win32 loop on the same line (WriteFile, then WaitCommEvent on EV_RXCHAR until
// ClearCommError shows the whole reply queued, then ReadFile), alternating, at 9600 and 19200
// with wire timing, with the CPU each uses while it waits for the reply; then the CPU a 500 ms
// search probe on a silent line costs. The simulators come from scripts/test-windows --bench
// (TESSALY_SIM_WIRE_9600, _WIRE_19200, _SILENT).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "exchange.h"
#include "link_state.h"
#include "registers.h"
#include "serial_port.h"
#include "support/wine_sims.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kReads = 200;
constexpr int kTurnaroundMs = 1;  // the simulators' --turnaround-ms
constexpr int kProbes = 10;

double MsBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// CPU seconds this process has used, every thread, user and kernel.
double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](FILETIME t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// The peer's port: the same line settings and time-outs, with EV_RXCHAR armed.
HANDLE OpenMinimal(int portNumber, int baud) {
    const std::string path = "\\\\.\\COM" + std::to_string(portNumber);
    const HANDLE port = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    DCB settings{};
    settings.DCBlength = sizeof settings;
    GetCommState(port, &settings);
    settings.BaudRate = static_cast<DWORD>(baud);
    settings.ByteSize = 8;
    settings.Parity = NOPARITY;
    settings.StopBits = ONESTOPBIT;
    settings.fDtrControl = DTR_CONTROL_DISABLE;
    SetCommState(port, &settings);
    COMMTIMEOUTS timeouts{100, 5, 5, 50, 100};
    SetCommTimeouts(port, &timeouts);
    SetCommMask(port, EV_RXCHAR);
    PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR);
    return port;
}

// The peer: the fewest Win32 calls that make the same exchange. Its WaitCommEvent ends either
// way before the next call, so the one OVERLAPPED serves every call in turn.
bool MinimalExchange(HANDLE port, const uint8_t* request, uint8_t* reply) {
    OVERLAPPED op{};
    op.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD count = 0;
    if (WriteFile(port, request, REQUEST_LENGTH, nullptr, &op) ||
        GetLastError() == ERROR_IO_PENDING)
        GetOverlappedResult(port, &op, &count, TRUE);
    bool queued = false;
    bool waiting = count == REQUEST_LENGTH;
    while (waiting) {
        COMSTAT status{};
        DWORD errors = 0;
        queued = ClearCommError(port, &errors, &status) && status.cbInQue >= REPLY_LENGTH;
        DWORD events = 0;
        if (queued)
            break;
        if (WaitCommEvent(port, &events, &op))
            continue;
        waiting = GetLastError() == ERROR_IO_PENDING &&
                  WaitForSingleObject(op.hEvent, LONG_WAIT_MS) == WAIT_OBJECT_0;
        if (!waiting)
            SetCommMask(port, EV_RXCHAR);  // ends the pending wait
        GetOverlappedResult(port, &op, &count, TRUE);
    }
    count = 0;
    if (queued &&
        (ReadFile(port, reply, REPLY_LENGTH, nullptr, &op) || GetLastError() == ERROR_IO_PENDING))
        GetOverlappedResult(port, &op, &count, TRUE);
    CloseHandle(op.hEvent);
    return count == REPLY_LENGTH;
}

// Ours and the peer's exchanges alternate, each on a port opened for it (Windows lets only one
// handle hold a COM port); the opening is not timed.
void Exchanges(const char* role, int baud) {
    const WineSim sim = FindSim(role);
    if (!sim) {
        std::printf("%6d  no simulator (TESSALY_SIM_%s): run scripts/test-windows --bench\n", baud,
                    role);
        return;
    }
    const auto request = BuildRequest(1, FUNCTION_READ, REGISTER_MEASUREMENT, 1);
    std::vector<double> ours, minimal;
    int ourFailures = 0, minimalFailures = 0;
    double ourCpu = 0, minimalCpu = 0;
    for (int i = 0; i < kReads; ++i) {
        LinkState link;
        link.port = OpenComPort(sim.portNumber, baud);
        auto start = Clock::now();
        double cpu = CpuSeconds();
        ourFailures += !TransactRowOn(link, READ_MEASUREMENT, 1, 1).accepted();
        ourCpu += CpuSeconds() - cpu;
        ours.push_back(MsBetween(start, Clock::now()));
        ClosePort(link.port);

        const HANDLE port = OpenMinimal(sim.portNumber, baud);
        uint8_t reply[REPLY_LENGTH];
        start = Clock::now();
        cpu = CpuSeconds();
        minimalFailures += !MinimalExchange(port, request.data(), reply);
        minimalCpu += CpuSeconds() - cpu;
        minimal.push_back(MsBetween(start, Clock::now()));
        CloseHandle(port);
    }
    const double wire = (REQUEST_LENGTH + REPLY_LENGTH) * 10 * 1000.0 / baud;
    const double ourMedian = Median(ours), minimalMedian = Median(minimal);
    std::printf("%6d %9.3f %9.3f %12.3f %7.3f %+13.3f %+13.3f %5.0f%% %5.0f%%%s\n", baud, wire,
                ourMedian, minimalMedian, minimalMedian > 0 ? ourMedian / minimalMedian : 0.0,
                ourMedian - wire - kTurnaroundMs, minimalMedian - wire - kTurnaroundMs,
                100 * ourCpu * 1000 / (ourMedian * kReads),
                100 * minimalCpu * 1000 / (minimalMedian * kReads),
                ourFailures || minimalFailures ? "  (failures!)" : "");
    if (ourFailures || minimalFailures)
        std::printf("       failures: ours %d, minimal loop %d\n", ourFailures, minimalFailures);
}

void SilentProbes() {
    const WineSim sim = FindSim("SILENT");
    if (!sim) {
        std::printf("probe: no simulator (TESSALY_SIM_SILENT)\n");
        return;
    }
    LinkState link;
    std::vector<double> costs;
    double waitingS = 0, waitingCpuS = 0;
    for (int i = 0; i < kProbes; ++i) {
        const auto start = Clock::now();
        link.port = OpenComPort(sim.portNumber, 9600);
        const auto waitStart = Clock::now();
        const double cpuBefore = CpuSeconds();
        TransactRowOn(link, SEARCH_PROBE, 1, SEARCH_PROBE.value);
        waitingCpuS += CpuSeconds() - cpuBefore;
        waitingS += MsBetween(waitStart, Clock::now()) / 1000;
        ClosePort(link.port);
        costs.push_back(MsBetween(start, Clock::now()));
    }
    std::printf("probe: %d probes on a silent line\n", kProbes);
    std::printf("  median cost with open and close %.3f ms = %.4f x %d ms\n", Median(costs),
                Median(costs) / SHORT_WAIT_MS, SHORT_WAIT_MS);
    std::printf("  CPU %.4f s over %.2f s of waiting = %.2f %% of a core (goal <= 1 %%)\n",
                waitingCpuS, waitingS, 100 * waitingCpuS / waitingS);
}

}  // namespace

int main() {
    std::printf(
        "exchange: %d reads of register 0 per rate, ours and a minimal Win32 loop "
        "alternating, medians in ms\n",
        kReads);
    std::printf("%6s %9s %9s %12s %7s %13s %13s %6s %6s\n", "baud", "wire", "ours", "minimal",
                "ratio", "ours-wire-ta", "min-wire-ta", "CPU", "minCPU");
    Exchanges("WIRE_9600", 9600);
    Exchanges("WIRE_19200", 19200);
    std::printf("goal: ratio <= 1.05 (ta: the simulator's %d ms turnaround)\n", kTurnaroundMs);
    SilentProbes();
    return 0;
}
