// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's diagnostics: the traffic log and the current trend (sensor_dlg_trend.cpp),
// opened from its context menu. Each window is made on first use and kept (with its ticks) until
// the window goes; the log's rows are recorded from the window's start.
#include "message_box.h"
#include "sensor_dlg.h"
#include "traffic_log_dlg.h"

void CSensorDlg::OnTrafficLog() {
    if (!trafficLog_)
        trafficLog_ = new CTrafficLogDlg(traffic_, this, AfxMessageBox);
    trafficLog_->Present();
}

void CSensorDlg::CloseToolWindows() {
    for (CToolWindow* window : findChildren<CToolWindow*>(Qt::FindDirectChildrenOnly))
        window->close();
}
