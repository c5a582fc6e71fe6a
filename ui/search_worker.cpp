// SPDX-License-Identifier: GPL-3.0-or-later
#include "search_worker.h"

#include <QMetaObject>

void SearchWorker::Start(std::function<int()> body, std::function<void(int)> ended) {
    if (thread_.joinable())
        thread_.join();
    call_.Open();
    const unsigned generation = ++generation_;
    thread_ = std::thread([this, generation, body = std::move(body), ended = std::move(ended)] {
        const int result = body();
        QMetaObject::invokeMethod(
            window_,
            [this, generation, result, ended] {
                if (generation != generation_ || !thread_.joinable())
                    return;
                thread_.join();
                ended(result);
            },
            Qt::QueuedConnection);
    });
}

void SearchWorker::Stop() {
    if (!thread_.joinable())
        return;
    call_.Close();
    thread_.join();
}
