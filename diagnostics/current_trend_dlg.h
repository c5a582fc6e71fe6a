// SPDX-License-Identifier: GPL-3.0-or-later
// 电流曲线: a tool window with the running acquisition's readings of the last ten minutes against
// time, each failed tick marked on the time axis, and their statistics beneath, so that an
// operator can tell drift from noise after zeroing or calibrating. It records only while open.
#pragma once

#include <QTimer>

#include "current_trend.h"
#include "tool_window.h"

class QCPGraph;
class QCustomPlot;
class QLabel;

class CCurrentTrendDlg : public CToolWindow {
    Q_OBJECT

public:
    explicit CCurrentTrendDlg(QWidget* parent = nullptr, Tell tell = {});

    // One acquisition tick: its reading in amperes, or none when it failed.
    void AddTick(TrendClock::time_point time, std::optional<double> amperes);
    const CurrentTrend& trend() const { return trend_; }
    // Redraws the chart and the statistics from the ticks kept, now. Ticks arriving close
    // together share one redraw; this is what each of them waits for.
    void Redraw();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ScheduleRedraw();
    void OnClickedClear() override;
    QByteArray ToCsv() override;

    CurrentTrend trend_;
    QTimer redrawTimer_;
    QCustomPlot* plot_ = nullptr;
    QCPGraph* readings_ = nullptr;  // a failed tick leaves a gap in its line
    QCPGraph* failures_ = nullptr;  // marks at the foot of the current axis
    QLabel* stats_ = nullptr;
};
