// SPDX-License-Identifier: GPL-3.0-or-later
// 电流曲线: a tool window with the running acquisition's readings of the last ten minutes against
// time, each failed tick marked on the time axis, and their statistics beneath, so that an
// operator can tell drift from noise after zeroing or calibrating. It records only while open.
#pragma once

#include <QTimer>
#include <vector>

#include "current_trend.h"
#include "tool_window.h"

class QChart;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

class CCurrentTrendDlg : public CToolWindow {
    Q_OBJECT

public:
    explicit CCurrentTrendDlg(QWidget* parent = nullptr, Tell tell = {});

    // One acquisition tick: its reading in amperes, or none when it failed.
    void AddTick(TrendClock::time_point time, std::optional<double> amperes);
    const CurrentTrend& trend() const { return trend_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Redraws the chart and the statistics from the ticks kept; ticks arriving close together
    // share one redraw.
    void Refresh();
    void ScheduleRefresh();
    // The line's segment `index`, made (in the readings' colour, without a legend entry of its
    // own) when there are fewer.
    QLineSeries* Segment(size_t index);
    void OnClickedClear() override;
    QByteArray ToCsv() override;

    CurrentTrend trend_;
    QTimer refreshTimer_;
    QChart* chart_ = nullptr;
    std::vector<QLineSeries*> readings_;  // the line's segments, made as they are needed
    QScatterSeries* failures_ = nullptr;
    QDateTimeAxis* timeAxis_ = nullptr;
    QValueAxis* currentAxis_ = nullptr;
    QLabel* stats_ = nullptr;
};
