// SPDX-License-Identifier: GPL-3.0-or-later
// The acquisition's ticks of the last ten minutes, for the current trend: each a reading or a
// failure, with the statistics and the CSV the trend window shows and saves.
#pragma once

#include <QByteArray>
#include <chrono>
#include <deque>
#include <optional>

using TrendClock = std::chrono::system_clock;

struct TrendSample {
    TrendClock::time_point time;
    std::optional<double> amperes;  // none: the tick failed
};

struct TrendStats {
    int readings = 0;
    int failures = 0;
    double min = 0;  // min, mean and max are meaningful only with readings
    double mean = 0;
    double max = 0;
};

class CurrentTrend {
public:
    static constexpr std::chrono::minutes kSpan{10};

    // Ticks come in time order; those more than kSpan before the newest are dropped.
    void Add(TrendClock::time_point time, std::optional<double> amperes);
    void Clear() { samples_.clear(); }
    const std::deque<TrendSample>& samples() const { return samples_; }
    TrendStats Stats() const;
    // "time,current_a", then one line per tick: local time with milliseconds, the reading in
    // amperes, empty for a failure.
    QByteArray ToCsv() const;

private:
    std::deque<TrendSample> samples_;
};

// Milliseconds since the epoch, from which the CSV's times and the chart's time axis are made.
qint64 TrendMs(TrendClock::time_point time);
