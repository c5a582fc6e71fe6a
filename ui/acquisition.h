// SPDX-License-Identifier: GPL-3.0-or-later
// What a running acquisition holds: the line, open from start to stop in the window's link, and
// the window timer that drives the ticks. The window's handlers decide what the operator sees.
#pragma once

#include <optional>

#include "sensor_line.h"
#include "window_timers.h"

inline constexpr int ACQUIRE_TIMER_ID = 1;

class Acquisition {
public:
    explicit Acquisition(WindowTimers& timers) : timers_(timers) {}
    ~Acquisition() { Stop(); }

    // Opens the line and keeps it; false, keeping nothing, when the port cannot be opened.
    bool Open(LinkState& link, const LineSettings& line);
    void StartTicks(int periodMs) { timers_.Set(ACQUIRE_TIMER_ID, periodMs); }
    // Kills the timer and releases the port.
    void Stop();
    bool running() const { return line_.has_value(); }

    // One reading. A line that hung up is opened again first, so that acquisition resumes by
    // itself once the device is back; meanwhile the reading fails.
    Result Read(int address);

private:
    WindowTimers& timers_;
    std::optional<SensorLine> line_;
};
