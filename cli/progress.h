// SPDX-License-Identifier: GPL-3.0-or-later
// The line on stderr that says, on a terminal, what a long command is doing: rewritten in place,
// never wider than the terminal (a wrapped line would make every update a new line), absent when
// stderr is a file or a pipe.
#pragma once

#include <chrono>
#include <string>

#include "search.h"

class ProgressLine {
public:
    // `wanted`: not with -q or --trace; shown only when stderr is a terminal too.
    explicit ProgressLine(bool wanted);
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Replaces the line with `text`, cut to the terminal's width.
    void Show(const std::string& text);
    // Removes it, before anything else is written on stderr.
    void Clear();

private:
    bool shown_;
};

// "12/1280 probes, 9600 baud, address 2, 0:03 elapsed, 2:10 left": a search's progress, what is
// left estimated from the mean probe so far.
std::string ProbesText(const Probe& probe, int done, int total,
                       std::chrono::steady_clock::time_point start);

// The width of the terminal on stderr, in columns; 0 when it is no terminal or does not say.
int StderrColumns();
