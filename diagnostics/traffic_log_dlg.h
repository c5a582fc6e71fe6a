// SPDX-License-Identifier: GPL-3.0-or-later
// 通讯记录: a tool window beside the main window that lists every exchange the program makes
// (acquisition ticks, commands, search probes) with what became of it, and the port's own events
// (an open that failed and why, the line hung up, the line back), so that an operator can tell a
// silent sensor from a wrong rate, another address, a noisy line, an echoing adapter or a pulled
// one. It shows the window's TrafficLog, which records from the window's start until paused.
#pragma once

#include "tool_window.h"
#include "traffic_log.h"

class QLabel;
class QPushButton;
class QTableView;

class CTrafficLogDlg : public CToolWindow {
    Q_OBJECT

public:
    explicit CTrafficLogDlg(TrafficLog& log, QWidget* parent = nullptr, Tell tell = {});

    const TrafficLogModel& model() const { return log_.model(); }
    bool paused() const { return log_.paused(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnClickedPause();
    void OnClickedClear() override;
    QByteArray ToCsv() override;
    void ShowCount();

    TrafficLog& log_;
    bool following_ = true;  // the view showed the last row before the latest batch came
    QTableView* view_ = nullptr;
    QLabel* count_ = nullptr;
    QPushButton* pause_ = nullptr;
};
