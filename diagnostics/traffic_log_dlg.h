// SPDX-License-Identifier: GPL-3.0-or-later
// 通讯记录: a tool window beside the main window that lists every exchange the program makes
// (acquisition ticks, commands, search probes) with what became of it, so that an operator can
// tell a silent sensor from a wrong rate, another address, a noisy line or an echoing adapter.
// It records only while it is open and not paused: then it watches the window's exchanges.
#pragma once

#include <QTimer>

#include "exchange_inbox.h"
#include "tool_window.h"
#include "traffic_log_model.h"

class QLabel;
class QPushButton;
class QTableView;

class CTrafficLogDlg : public CToolWindow {
    Q_OBJECT

public:
    // Shows the exchanges reported to `watch` while it is open.
    explicit CTrafficLogDlg(ExchangeWatch& watch, QWidget* parent = nullptr, Tell tell = {});
    ~CTrafficLogDlg() override;

    const TrafficLogModel& model() const { return model_; }
    bool paused() const { return paused_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void StartRecording();
    void StopRecording();
    // Moves what the exchanges posted into the table, following the end unless the operator has
    // scrolled up.
    void Drain();
    void OnClickedPause();
    void OnClickedClear() override;
    QByteArray ToCsv() override;
    void ShowCount();

    ExchangeWatch& watch_;
    ExchangeInbox inbox_;
    TrafficLogModel model_;
    QTimer drainTimer_;
    bool recording_ = false;
    bool paused_ = false;
    QTableView* view_ = nullptr;
    QLabel* count_ = nullptr;
    QPushButton* pause_ = nullptr;
};
