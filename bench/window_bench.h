// SPDX-License-Identifier: GPL-3.0-or-later
// What the window benchmarks share: the offscreen platform, a window on the simulator, waiting.
#pragma once

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "support/window_support.h"

inline void UseOffscreenUnlessSet() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// A window benchmark's main: the offscreen platform unless one is set, the application, every
// message box printed and answered, and COM ports that lead nowhere until the benchmark maps one.
template <class Body>
int WindowBenchMain(int argc, char** argv, Body body) {
    UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    RecordedMessages messages(
        [](const QString& text) { std::printf("message: %s\n", qPrintable(text)); });
    IsolateComPorts();
    return body();
}

// Runs the event loop for this long, sleeping when idle (QTest::qWait would poll every 10 ms and
// add its own CPU to the figures).
inline void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
