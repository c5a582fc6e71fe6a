// SPDX-License-Identifier: GPL-3.0-or-later
// The state of one exchange link: the port open for it and the last word read through it. Each
// user of a line (the window, its search worker, tessalyctl, a test) owns one and hands it to the
// exchange, so that two exchanges on two ports, or on two threads, never share a handle.
#pragma once

#include <string>

#include "serial_port.h"

class ExchangeWatch;

struct LinkState {
    explicit LinkState(ExchangeWatch* watch = nullptr) : watch(watch) {}

    int lastReadWord = 0;  // first data word of the last accepted read reply
    PortHandle port;       // the port open for an exchange, or empty
    // What the port was opened as, for the records of its exchanges: "COM1 (/dev/ttyUSB0)" or a
    // path, and the rate. Set by the operations' opening; a bare OpenComPort leaves them alone.
    std::string portLabel;
    int baud = 0;
    ExchangeWatch* watch;  // where its exchanges are reported, if anywhere
    int stopFd = -1;  // set while a stop waits (see WaitForInput); a wait for a reply then ends
};
