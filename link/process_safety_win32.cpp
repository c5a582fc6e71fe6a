// SPDX-License-Identifier: GPL-3.0-or-later
#include "process_safety.h"

void KeepStandardStreamsOffTheLine() {}
