// SPDX-License-Identifier: GPL-3.0-or-later
// QCustomPlot's header uses Qt's lower-case keywords (signals, foreach), which this project turns
// off so that they cannot clash with the standard library; they are lent to it here alone.
#pragma once

#define signals Q_SIGNALS
#define foreach Q_FOREACH
#include <qcustomplot.h>
#undef foreach
#undef signals
