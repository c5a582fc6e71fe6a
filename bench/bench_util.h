// SPDX-License-Identifier: GPL-3.0-or-later
// Small helpers shared by the benchmarks: timing, medians, CPU time, resident memory.
#pragma once

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

using BenchClock = std::chrono::steady_clock;

inline double MsBetween(BenchClock::time_point a, BenchClock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

inline double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// CPU seconds this process has used, user and system.
inline double CpuSeconds(int who = RUSAGE_SELF) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
}

// This process's resident memory in KiB (VmRSS), 0 where the system does not say.
inline long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}
