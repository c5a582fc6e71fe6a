// SPDX-License-Identifier: GPL-3.0-or-later
// Under Wine a test run's COM ports are only those that scripts/test-windows maps to its simulated
// sensors, so there is no machine port to keep the tests away from.
#include "support/harness.h"

void IsolateComPorts() {}
