// SPDX-License-Identifier: GPL-3.0-or-later
// The current trend: its context menu entry, its window (made on first use and kept with its
// ticks until the main window goes) and the acquisition's ticks that it draws.
#include <QMenu>

#include "current_trend_dlg.h"
#include "message_box.h"
#include "registers.h"
#include "sensor_dlg.h"
#include "texts.h"

void CSensorDlg::AddCurrentTrendEntry(QMenu& menu) {
    connect(menu.addAction(ResText(kCurrentTrendMenu)), &QAction::triggered, this,
            &CSensorDlg::OnCurrentTrend);
}

void CSensorDlg::OnCurrentTrend() {
    if (!currentTrend_)
        currentTrend_ = new CCurrentTrendDlg(this, AfxMessageBox);
    currentTrend_->Present();
}

void CSensorDlg::AddTrendTick(const Result& reading) {
    if (!currentTrend_)
        return;
    currentTrend_->AddTick(TrendClock::now(), reading.done()
                                                  ? std::optional(MeasurementValue(reading.word))
                                                  : std::nullopt);
}
