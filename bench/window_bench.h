// SPDX-License-Identifier: GPL-3.0-or-later
// What the window benchmarks share: the offscreen platform, a window on the simulator, waiting.
#pragma once

#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

#include "support/window_support.h"

inline void UseOffscreenUnlessSet() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Runs the event loop for this long, sleeping when idle (QTest::qWait would poll every 10 ms and
// add its own CPU to the figures).
inline void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
