// SPDX-License-Identifier: GPL-3.0-or-later
#include "traffic_log.h"

namespace {

// Exchanges come up to a hundred a second; the rows take them in batches at most this often.
constexpr int kDrainMs = 100;

}  // namespace

TrafficLog::TrafficLog(ExchangeWatch& watch, QObject* parent) : QObject(parent), watch_(watch) {
    drainTimer_.setSingleShot(true);
    drainTimer_.setInterval(kDrainMs);
    connect(&drainTimer_, &QTimer::timeout, this, &TrafficLog::Drain);
    StartRecording();
}

// Only the observer goes: the rows' views may be going too, and hear of nothing more.
TrafficLog::~TrafficLog() {
    watch_.Set(nullptr);
}

void TrafficLog::SetPaused(bool paused) {
    if (paused == paused_)
        return;
    paused_ = paused;
    if (paused_)
        StopRecording();
    else
        StartRecording();
}

void TrafficLog::StartRecording() {
    // Runs on the exchanging thread, maybe the search worker's: it posts and goes on, and wakes
    // the window's thread only when the inbox was empty.
    watch_.Set([this](const ExchangeRecord& record) {
        if (inbox_.Post(record))
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (!drainTimer_.isActive())
                        drainTimer_.start();
                },
                Qt::QueuedConnection);
    });
}

// Once the observer is cleared no exchange reaches the inbox; what it holds happened before.
void TrafficLog::StopRecording() {
    watch_.Set(nullptr);
    Drain();
}

void TrafficLog::Drain() {
    std::vector<ExchangeRecord> records = inbox_.Take();
    if (records.empty())
        return;
    Q_EMIT RowsComing();
    Q_EMIT RowsCame(model_.Append(std::move(records)));
}

void TrafficLog::Clear() {
    inbox_.Take();
    model_.Clear();
}
