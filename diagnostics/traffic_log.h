// SPDX-License-Identifier: GPL-3.0-or-later
// The traffic log's recording: every exchange the window makes and every event of its port, kept
// from the window's start (the last TrafficLogModel::kMaxRows of them), so that a log opened after
// a failure shows what happened. The log window shows it; only its pause stops recording.
#pragma once

#include <QObject>
#include <QTimer>

#include "exchange_inbox.h"
#include "traffic_log_model.h"

class TrafficLog : public QObject {
    Q_OBJECT

public:
    // Records the exchanges reported to `watch` from now until it goes or is paused.
    explicit TrafficLog(ExchangeWatch& watch, QObject* parent = nullptr);
    ~TrafficLog() override;

    const TrafficLogModel& model() const { return model_; }
    TrafficLogModel& model() { return model_; }
    bool paused() const { return paused_; }
    void SetPaused(bool paused);
    // Moves what the exchanges posted into the rows now; they come in batches at most every
    // 100 ms otherwise.
    void Drain();
    void Clear();

Q_SIGNALS:
    // Around each batch of rows: a view that follows the end can tell whether it did before.
    void RowsComing();
    void RowsCame(int droppedAtTop);

private:
    void StartRecording();
    void StopRecording();

    ExchangeWatch& watch_;
    ExchangeInbox inbox_;
    TrafficLogModel model_;
    QTimer drainTimer_;
    bool paused_ = false;
};
