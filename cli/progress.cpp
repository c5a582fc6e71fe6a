// SPDX-License-Identifier: GPL-3.0-or-later
#include "progress.h"

#include <cstdio>

ProgressLine::ProgressLine(bool wanted) : shown_(wanted && StderrColumns() > 0) {}

void ProgressLine::Show(const std::string& text) {
    if (!shown_)
        return;
    // The last column left free: a terminal that wraps at it would start a new line.
    const size_t width = static_cast<size_t>(StderrColumns()) - 1;
    std::fprintf(stderr, "\r\033[K%s", text.substr(0, width).c_str());
    std::fflush(stderr);
}

void ProgressLine::Clear() {
    if (shown_)
        std::fputs("\r\033[K", stderr);
}

namespace {

std::string MinutesSeconds(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

}  // namespace

std::string ProbesText(const Probe& probe, int done, int total,
                       std::chrono::steady_clock::time_point start) {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double left = elapsed / done * (total - done);
    return std::to_string(done) + "/" + std::to_string(total) + " probes, " +
           std::to_string(probe.baud) + " baud, address " + std::to_string(probe.address) + ", " +
           MinutesSeconds(elapsed) + " elapsed, " + MinutesSeconds(left) + " left";
}
