// SPDX-License-Identifier: GPL-3.0-or-later
// A build without Qt Charts (the Windows build, when Debian's mirror cannot give Charts' sources)
// has no current trend: the context menu offers the traffic log alone and ticks are drawn nowhere.
#include "sensor_dlg.h"

void CSensorDlg::AddCurrentTrendEntry(QMenu&) {}

void CSensorDlg::AddTrendTick(const Result&) {}
