// SPDX-License-Identifier: GPL-3.0-or-later
#include "current_trend.h"

#include <QDateTime>
#include <QString>
#include <algorithm>

qint64 TrendMs(TrendClock::time_point time) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

void CurrentTrend::Add(TrendClock::time_point time, std::optional<double> amperes) {
    samples_.push_back({time, amperes});
    while (samples_.front().time < time - kSpan)
        samples_.pop_front();
}

TrendStats CurrentTrend::Stats() const {
    TrendStats stats;
    double sum = 0;
    for (const TrendSample& sample : samples_) {
        if (!sample.amperes) {
            ++stats.failures;
            continue;
        }
        const double value = *sample.amperes;
        stats.min = stats.readings ? std::min(stats.min, value) : value;
        stats.max = stats.readings ? std::max(stats.max, value) : value;
        sum += value;
        ++stats.readings;
    }
    if (stats.readings)
        stats.mean = sum / stats.readings;
    return stats;
}

QByteArray CurrentTrend::ToCsv() const {
    QByteArray csv = "time,current_a\n";
    for (const TrendSample& sample : samples_) {
        csv += QDateTime::fromMSecsSinceEpoch(TrendMs(sample.time))
                   .toString(Qt::ISODateWithMs)
                   .toLatin1();
        csv += ',';
        if (sample.amperes)
            csv += QByteArray::number(*sample.amperes, 'g', 10);
        csv += '\n';
    }
    return csv;
}
