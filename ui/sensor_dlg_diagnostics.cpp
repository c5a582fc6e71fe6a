// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's diagnostics: the traffic log and the current trend (sensor_dlg_trend.cpp),
// opened from its context menu. Each is made on first use and kept (with its rows and ticks) until
// the window goes.
#include "message_box.h"
#include "sensor_dlg.h"
#include "traffic_log_dlg.h"

void CSensorDlg::OnTrafficLog() {
    if (!trafficLog_)
        trafficLog_ = new CTrafficLogDlg(exchangeWatch_, this, AfxMessageBox);
    trafficLog_->Present();
}

void CSensorDlg::CloseToolWindows() {
    for (CToolWindow* window : findChildren<CToolWindow*>(Qt::FindDirectChildrenOnly))
        window->close();
}
