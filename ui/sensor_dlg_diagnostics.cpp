// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's diagnostics: the traffic log and the current trend, opened from its context
// menu. Each is made on first use and kept (with its rows and ticks) until the window goes.
#include "current_trend_dlg.h"
#include "message_box.h"
#include "registers.h"
#include "sensor_dlg.h"
#include "traffic_log_dlg.h"

namespace {

void ShowToolWindow(QDialog* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

void CSensorDlg::OnTrafficLog() {
    if (!trafficLog_)
        trafficLog_ = new CTrafficLogDlg(exchangeWatch_, this, AfxMessageBox);
    ShowToolWindow(trafficLog_);
}

void CSensorDlg::OnCurrentTrend() {
    if (!currentTrend_)
        currentTrend_ = new CCurrentTrendDlg(this, AfxMessageBox);
    ShowToolWindow(currentTrend_);
}

void CSensorDlg::AddTrendTick(const Result& reading) {
    if (!currentTrend_)
        return;
    currentTrend_->AddTick(TrendClock::now(), reading.done()
                                                  ? std::optional(MeasurementValue(reading.word))
                                                  : std::nullopt);
}

void CSensorDlg::CloseToolWindows() {
    for (QDialog* window :
         {static_cast<QDialog*>(trafficLog_), static_cast<QDialog*>(currentTrend_)})
        if (window)
            window->close();
}
